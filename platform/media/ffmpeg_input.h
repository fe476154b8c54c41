// Internal to platform/media: FFmpeg on a MediaInput (custom I/O, interruption, no nested
// inputs) and the conversion of decoded sound to 16-bit stereo. Shared by the decoders.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <vector>

#include "platform/media/audio_decoder.h"

namespace zplatform::media {

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;

// A demuxer on `input`. open() probes the content; on failure the status says why.
class FormatInput {
  public:
    FormatInput() = default;
    ~FormatInput();
    FormatInput(const FormatInput&) = delete;
    FormatInput& operator=(const FormatInput&) = delete;

    AudioDecoder::Status open(MediaInput& input);
    // Analyses the streams briefly when `stream` lacks what `described` asks for.
    AudioDecoder::Status analyse();
    // What a failed FFmpeg read means: the input broke, was interrupted, or the data is bad.
    AudioDecoder::Status readStatus(int err) const;

    AVFormatContext* format = nullptr;

  private:
    MediaInput* input_ = nullptr;
    AVIOContext* io_ = nullptr;
};

// Converts decoded sound of any layout, format and rate to 16-bit stereo at `rate`.
class SoundConverter {
  public:
    explicit SoundConverter(int rate = 0) : rate_(rate) {}
    ~SoundConverter();
    SoundConverter(const SoundConverter&) = delete;
    SoundConverter& operator=(const SoundConverter&) = delete;

    void setRate(int rate) { rate_ = rate; }
    // Appends the frame's sound; kTooLarge beyond `maxFrames` frames in one decoded frame.
    AudioDecoder::Status convert(const AVFrame* frame, std::vector<int16_t>& out, int maxFrames);
    // Appends what the resampler still holds.
    void flush(std::vector<int16_t>& out);

  private:
    bool setup(const AVFrame* f);
    int rate_;
    SwrContext* swr_ = nullptr;
    int swrRate_ = 0;
    int swrFormat_ = -1;
    AVChannelLayout swrLayout_{};
};

} // namespace zplatform::media
