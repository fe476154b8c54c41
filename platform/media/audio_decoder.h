// Audio decoder over FFmpeg: any container and codec FFmpeg reads, from a read callback (a file,
// memory or a download in progress), delivered as 16-bit interleaved stereo at the stream's own
// sample rate. The content is probed; a name or type hint is never trusted.
//
// Limits (a stream that breaks one fails instead of being copied): a compressed packet of at
// most kMaxPacketBytes, a decoded frame of at most kMaxFrameFrames frames, a sample rate of
// 8 000 to 192 000 Hz. Nested inputs (playlists, references to other files) are refused.
//
// Threads: one decoder is used by one thread; the input's interrupted() may turn true from
// another thread to cut a blocking read short.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zplatform {

class MediaInput {
  public:
    virtual ~MediaInput() = default;
    // Up to `size` bytes into `out`: the count, 0 at the end, negative on failure or abort.
    virtual int read(uint8_t* out, int size) = 0;
    // True once the reader should give up (checked while FFmpeg waits).
    virtual bool interrupted() const { return false; }
};

class AudioDecoder {
  public:
    enum class Status {
        kOk,
        kEnd,         // every frame was delivered
        kNotMedia,    // no container FFmpeg recognises, or no audio stream in it
        kUnsupported, // no decoder for the codec, or an unusable sample rate or layout
        kCorrupt,     // the decoder or demuxer failed on the data
        kTooLarge,    // a packet or a frame larger than a buffer
        kInputFailed, // the input failed (a broken download)
        kInterrupted, // the input was interrupted
    };
    static constexpr int kMaxPacketBytes = 32768;
    static constexpr int kMaxFrameFrames = 8192;

    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Probes the input and opens its best audio stream. `input` must outlive the decoder.
    Status open(MediaInput& input);
    int sampleRate() const;
    // The container's and codec's names, e.g. "ogg" / "vorbis" (after open).
    std::string formatName() const;
    std::string codecName() const;
    // Decodes the next packet's audio and appends it to `out` (interleaved stereo); kOk may
    // append nothing (a packet of another stream, or a decoder's delay). kEnd once drained.
    Status decode(std::vector<int16_t>& out);

    static const char* describe(Status status);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zplatform
