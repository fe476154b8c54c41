// Streaming 16-bit PCM WAV writer.
#include "platform/audio/wav_file.h"

#include <algorithm>
#include <vector>

namespace zplatform {
namespace {

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

} // namespace

WavFile::~WavFile() {
    if (file_) close();
}

bool WavFile::open(const std::string& path, int sampleRate, int channels) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    rate_ = sampleRate;
    channels_ = channels;
    frames_ = 0;
    ok_ = writeHeader();
    return ok_;
}

bool WavFile::writeHeader() {
    // Sizes saturate for files past 4 GiB, which RIFF cannot describe anyway.
    uint64_t data = static_cast<uint64_t>(frames_) * channels_ * 2;
    auto data32 = static_cast<uint32_t>(data > 0xFFFFFFF0u - 36 ? 0xFFFFFFF0u - 36 : data);
    uint8_t h[44];
    std::copy_n("RIFF", 4, h);
    put32(h + 4, 36 + data32);
    std::copy_n("WAVEfmt ", 8, h + 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<uint16_t>(channels_));
    put32(h + 24, static_cast<uint32_t>(rate_));
    put32(h + 28, static_cast<uint32_t>(rate_) * static_cast<uint32_t>(channels_) * 2u);
    put16(h + 32, static_cast<uint16_t>(channels_ * 2));
    put16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    put32(h + 40, data32);
    return std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, 44, file_) == 44;
}

bool WavFile::write(const int16_t* samples, int64_t frames) {
    if (!file_ || frames <= 0) return file_ != nullptr;
    const size_t count = static_cast<size_t>(frames) * channels_;
    std::vector<uint8_t> bytes(count * 2);
    for (size_t i = 0; i < count; ++i) put16(&bytes[2 * i], static_cast<uint16_t>(samples[i]));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) ok_ = false;
    frames_ += frames;
    return ok_;
}

bool WavFile::close() {
    if (!file_) return false;
    bool ok = ok_ && writeHeader();
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

} // namespace zplatform
