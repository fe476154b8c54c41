// Streaming writer of 16-bit PCM WAV files; the sizes are written when the file is closed.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace zplatform {

class WavFile {
  public:
    WavFile() = default;
    ~WavFile();
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    bool open(const std::string& path, int sampleRate, int channels);
    // Appends interleaved frames.
    bool write(const int16_t* samples, int64_t frames);
    // Writes the final sizes and closes; false when any write failed.
    bool close();

  private:
    bool writeHeader();
    FILE* file_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    int64_t frames_ = 0;
    bool ok_ = true;
};

} // namespace zplatform
