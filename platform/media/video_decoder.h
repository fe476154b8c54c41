// Video clip decoder over FFmpeg: any container and codecs FFmpeg reads, from a read callback
// (a download in progress), giving RGBA pictures (at most kMaxSide pixels a side, scaled down
// keeping the aspect) with their times, and the clip's sound as 16-bit stereo at its own rate.
//
// Threads: one decoder is used by one thread; the input's interrupted() may turn true from
// another thread to cut a blocking read short.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/audio_decoder.h"

namespace zplatform {

struct VideoPicture {
    double time = 0; // seconds from the clip's start
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba; // width × height × 4, rows top first
};

class VideoDecoder {
  public:
    using Status = AudioDecoder::Status;
    static constexpr int kMaxSide = 640; // pictures are scaled down to fit
    static constexpr int kMaxSourceSide = 8192;

    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Probes the input and opens its best video stream and, when there is one, its best audio
    // stream. kNotMedia without a video stream.
    Status open(MediaInput& input);
    bool hasAudio() const;
    int sampleRate() const; // of the sound, 0 without
    // Picture size as delivered (after scaling down).
    int width() const;
    int height() const;
    // Decodes the next packet: appends its pictures and its sound. kEnd once drained.
    Status decode(std::vector<VideoPicture>& pictures, std::vector<int16_t>& pcm);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zplatform
