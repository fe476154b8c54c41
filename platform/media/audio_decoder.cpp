// Audio decoder: FFmpeg's demuxer on a custom I/O context, its decoder, and libswresample to
// 16-bit stereo at the first frame's rate.
#include "platform/media/audio_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace zplatform {
namespace {

constexpr int kIoBufferBytes = 32768;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;

int readInput(void* opaque, uint8_t* buf, int size) {
    auto* input = static_cast<MediaInput*>(opaque);
    if (input->interrupted()) return AVERROR_EXIT;
    const int n = input->read(buf, size);
    if (n > 0) return n;
    if (n == 0) return AVERROR_EOF;
    return input->interrupted() ? AVERROR_EXIT : AVERROR(EIO);
}

int interruptCallback(void* opaque) {
    return static_cast<MediaInput*>(opaque)->interrupted() ? 1 : 0;
}

// No demuxer may open other inputs (playlists, concatenation lists, image sequences): the bytes
// of one response are all it gets.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

} // namespace

struct AudioDecoder::Impl {
    MediaInput* input = nullptr;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int rate = 0;
    // What the resampler was set up for.
    int swrRate = 0;
    int swrFormat = -1;
    AVChannelLayout swrLayout{};
    bool draining = false; // the demuxer ended; the decoder is being flushed
    bool ended = false;
    Status failure = Status::kOk; // sticky

    ~Impl() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&swr);
        av_channel_layout_uninit(&swrLayout);
        avcodec_free_context(&codec);
        if (format) avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    Status inputStatus(int err) const {
        if (err == AVERROR_EXIT || (input && input->interrupted())) return Status::kInterrupted;
        if (err == AVERROR(EIO)) return Status::kInputFailed;
        return Status::kCorrupt;
    }

    bool setupResampler(const AVFrame* f) {
        if (swr && f->sample_rate == swrRate && f->format == swrFormat &&
            av_channel_layout_compare(&f->ch_layout, &swrLayout) == 0)
            return true;
        swr_free(&swr);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout inLayout{};
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels <= 0) {
            if (f->ch_layout.nb_channels <= 0) return false;
            av_channel_layout_default(&inLayout, f->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&inLayout, &f->ch_layout) < 0) {
            return false;
        }
        int rc =
            swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, rate, &inLayout,
                                static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        if (rc < 0 || swr_init(swr) < 0) {
            swr_free(&swr);
            return false;
        }
        swrRate = f->sample_rate;
        swrFormat = f->format;
        av_channel_layout_uninit(&swrLayout);
        av_channel_layout_copy(&swrLayout, &f->ch_layout);
        return true;
    }

    Status convert(const AVFrame* f, std::vector<int16_t>& out) {
        if (f->nb_samples > kMaxFrameFrames) return Status::kTooLarge;
        if (f->sample_rate < kMinRate || f->sample_rate > kMaxRate) return Status::kUnsupported;
        if (!setupResampler(f)) return Status::kUnsupported;
        const int room = swr_get_out_samples(swr, f->nb_samples);
        if (room < 0) return Status::kCorrupt;
        const size_t start = out.size();
        out.resize(start + static_cast<size_t>(room) * 2);
        uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + start);
        const int n = swr_convert(swr, &dst, room, const_cast<const uint8_t**>(f->extended_data),
                                  f->nb_samples);
        if (n < 0) {
            out.resize(start);
            return Status::kCorrupt;
        }
        out.resize(start + static_cast<size_t>(n) * 2);
        return Status::kOk;
    }

    Status receiveAll(std::vector<int16_t>& out) {
        for (;;) {
            int rc = avcodec_receive_frame(codec, frame);
            if (rc == AVERROR(EAGAIN)) return Status::kOk;
            if (rc == AVERROR_EOF) {
                ended = true;
                return Status::kEnd;
            }
            if (rc < 0) return Status::kCorrupt;
            Status s = convert(frame, out);
            av_frame_unref(frame);
            if (s != Status::kOk) return s;
        }
    }
};

AudioDecoder::AudioDecoder() : impl_(std::make_unique<Impl>()) {}
AudioDecoder::~AudioDecoder() = default;

AudioDecoder::Status AudioDecoder::open(MediaInput& input) {
    Impl& d = *impl_;
    d.input = &input;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return Status::kUnsupported;
    d.io = avio_alloc_context(buffer, kIoBufferBytes, 0, &input, readInput, nullptr, nullptr);
    if (!d.io) {
        av_free(buffer);
        return Status::kUnsupported;
    }
    d.format = avformat_alloc_context();
    if (!d.format) return Status::kUnsupported;
    d.format->pb = d.io;
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    d.format->interrupt_callback = {interruptCallback, &input};
    d.format->io_open = refuseNestedOpen;
    av_log_set_level(AV_LOG_QUIET);
    int rc = avformat_open_input(&d.format, nullptr, nullptr, nullptr);
    if (rc < 0) {
        // avformat_open_input frees the context on failure.
        d.format = nullptr;
        Status s = d.inputStatus(rc);
        return s == Status::kCorrupt ? Status::kNotMedia : s;
    }
    // Most containers describe the stream in their headers. Reading ahead to analyse it would
    // wait for bytes still to come (a download in progress), so only a stream that is not
    // described yet is analysed, briefly.
    const AVCodec* decoder = nullptr;
    d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (d.stream < 0 || d.format->streams[d.stream]->codecpar->sample_rate <= 0 ||
        d.format->streams[d.stream]->codecpar->ch_layout.nb_channels <= 0) {
        d.format->max_analyze_duration = AV_TIME_BASE / 2;
        rc = avformat_find_stream_info(d.format, nullptr);
        if (rc < 0) {
            Status s = d.inputStatus(rc);
            return s == Status::kCorrupt ? Status::kNotMedia : s;
        }
        d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    }
    if (d.stream < 0)
        return d.stream == AVERROR_DECODER_NOT_FOUND ? Status::kUnsupported : Status::kNotMedia;
    const AVCodecParameters* par = d.format->streams[d.stream]->codecpar;
    if (par->sample_rate < kMinRate || par->sample_rate > kMaxRate) return Status::kUnsupported;
    d.codec = avcodec_alloc_context3(decoder);
    if (!d.codec || avcodec_parameters_to_context(d.codec, par) < 0 ||
        avcodec_open2(d.codec, decoder, nullptr) < 0)
        return Status::kUnsupported;
    d.rate = par->sample_rate;
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.packet || !d.frame) return Status::kUnsupported;
    return Status::kOk;
}

int AudioDecoder::sampleRate() const {
    return impl_->rate;
}

std::string AudioDecoder::formatName() const {
    return impl_->format && impl_->format->iformat ? impl_->format->iformat->name : "";
}

std::string AudioDecoder::codecName() const {
    return impl_->codec && impl_->codec->codec ? impl_->codec->codec->name : "";
}

AudioDecoder::Status AudioDecoder::decode(std::vector<int16_t>& out) {
    Impl& d = *impl_;
    if (!d.codec) return Status::kNotMedia;
    if (d.failure != Status::kOk) return d.failure;
    if (d.ended) return Status::kEnd;
    Status s;
    if (d.draining) {
        s = d.receiveAll(out);
    } else {
        int rc = av_read_frame(d.format, d.packet);
        if (rc == AVERROR_EOF) {
            d.draining = true;
            avcodec_send_packet(d.codec, nullptr);
            s = d.receiveAll(out);
        } else if (rc < 0) {
            s = d.inputStatus(rc);
        } else if (d.packet->stream_index != d.stream) {
            av_packet_unref(d.packet);
            return Status::kOk;
        } else if (d.packet->size > kMaxPacketBytes) {
            av_packet_unref(d.packet);
            s = Status::kTooLarge;
        } else {
            rc = avcodec_send_packet(d.codec, d.packet);
            av_packet_unref(d.packet);
            // A damaged packet is skipped, as players do; a decoder that refuses everything
            // ends the stream below through the demuxer's end.
            s = rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_INVALIDDATA ? Status::kCorrupt
                                                                             : d.receiveAll(out);
        }
    }
    if (s == Status::kEnd && d.swr) {
        // What the resampler still holds.
        const int room = swr_get_out_samples(d.swr, 0);
        if (room > 0) {
            const size_t start = out.size();
            out.resize(start + static_cast<size_t>(room) * 2);
            uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + start);
            const int n = swr_convert(d.swr, &dst, room, nullptr, 0);
            out.resize(start + static_cast<size_t>(n > 0 ? n : 0) * 2);
        }
    }
    if (s != Status::kOk && s != Status::kEnd) d.failure = s;
    return s;
}

const char* AudioDecoder::describe(Status status) {
    switch (status) {
    case Status::kOk:
        return "ok";
    case Status::kEnd:
        return "end of stream";
    case Status::kNotMedia:
        return "not an audio stream";
    case Status::kUnsupported:
        return "unsupported audio format";
    case Status::kCorrupt:
        return "damaged audio data";
    case Status::kTooLarge:
        return "packet or frame larger than a buffer";
    case Status::kInputFailed:
        return "input failed";
    case Status::kInterrupted:
        return "interrupted";
    }
    return "?";
}

} // namespace zplatform
