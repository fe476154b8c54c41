// Video clip decoder: the best video stream through libswscale to RGBA, the best audio stream
// through the shared sound conversion.
#include "platform/media/video_decoder.h"

#include <algorithm>
#include <cmath>

#include "platform/media/ffmpeg_input.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace zplatform {

struct VideoDecoder::Impl {
    media::FormatInput input;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    media::SoundConverter sound;
    SwsContext* sws = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int videoStream = -1;
    int audioStream = -1;
    int rate = 0;
    int outWidth = 0, outHeight = 0;
    AVRational videoBase{1, 1};
    bool draining = false;
    bool ended = false;
    Status failure = Status::kOk;

    ~Impl() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
    }

    static AVCodecContext* openCodec(const AVCodec* codec, const AVCodecParameters* par) {
        AVCodecContext* c = avcodec_alloc_context3(codec);
        if (!c || avcodec_parameters_to_context(c, par) < 0 || avcodec_open2(c, codec, nullptr) < 0)
            avcodec_free_context(&c);
        return c;
    }

    Status picture(const AVFrame* f, std::vector<VideoPicture>& pictures) {
        if (f->width <= 0 || f->height <= 0 || f->width > kMaxSourceSide ||
            f->height > kMaxSourceSide)
            return Status::kUnsupported;
        if (outWidth == 0) {
            const double scale =
                std::min(1.0, static_cast<double>(kMaxSide) / std::max(f->width, f->height));
            outWidth = std::max(1, static_cast<int>(std::lround(f->width * scale)));
            outHeight = std::max(1, static_cast<int>(std::lround(f->height * scale)));
        }
        sws = sws_getCachedContext(sws, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                   outWidth, outHeight, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr);
        if (!sws) return Status::kUnsupported;
        VideoPicture p;
        p.width = outWidth;
        p.height = outHeight;
        p.rgba.resize(static_cast<size_t>(outWidth) * outHeight * 4);
        uint8_t* dst[4] = {p.rgba.data(), nullptr, nullptr, nullptr};
        int stride[4] = {outWidth * 4, 0, 0, 0};
        sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
        const int64_t pts = f->best_effort_timestamp;
        p.time = pts == AV_NOPTS_VALUE ? (pictures.empty() ? 0 : pictures.back().time)
                                       : std::max(0.0, pts * av_q2d(videoBase));
        pictures.push_back(std::move(p));
        return Status::kOk;
    }

    // Everything decoded so far from one codec.
    Status receive(AVCodecContext* c, std::vector<VideoPicture>& pictures,
                   std::vector<int16_t>& pcm) {
        for (;;) {
            const int rc = avcodec_receive_frame(c, frame);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return Status::kOk;
            if (rc < 0) return Status::kCorrupt;
            const Status s = c == video ? picture(frame, pictures)
                                        : sound.convert(frame, pcm, AudioDecoder::kMaxFrameFrames);
            av_frame_unref(frame);
            if (s != Status::kOk) return s;
        }
    }
};

VideoDecoder::VideoDecoder() : impl_(std::make_unique<Impl>()) {}
VideoDecoder::~VideoDecoder() = default;

VideoDecoder::Status VideoDecoder::open(MediaInput& in) {
    Impl& d = *impl_;
    if (Status s = d.input.open(in); s != Status::kOk) return s;
    AVFormatContext* format = d.input.format;
    const AVCodec* videoCodec = nullptr;
    d.videoStream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &videoCodec, 0);
    if (d.videoStream < 0 || format->streams[d.videoStream]->codecpar->width <= 0) {
        if (Status s = d.input.analyse(); s != Status::kOk) return s;
        d.videoStream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &videoCodec, 0);
    }
    if (d.videoStream < 0)
        return d.videoStream == AVERROR_DECODER_NOT_FOUND ? Status::kUnsupported
                                                          : Status::kNotMedia;
    const AVStream* vs = format->streams[d.videoStream];
    d.video = Impl::openCodec(videoCodec, vs->codecpar);
    if (!d.video) return Status::kUnsupported;
    d.videoBase = vs->time_base;

    const AVCodec* audioCodec = nullptr;
    d.audioStream =
        av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, d.videoStream, &audioCodec, 0);
    if (d.audioStream >= 0) {
        const AVCodecParameters* par = format->streams[d.audioStream]->codecpar;
        if (par->sample_rate >= media::kMinRate && par->sample_rate <= media::kMaxRate)
            d.audio = Impl::openCodec(audioCodec, par);
        if (d.audio) {
            d.rate = par->sample_rate;
            d.sound.setRate(d.rate);
        } else {
            d.audioStream = -1; // a clip whose sound cannot play still shows its pictures
        }
    }
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.packet || !d.frame) return Status::kUnsupported;
    return Status::kOk;
}

bool VideoDecoder::hasAudio() const {
    return impl_->audio != nullptr;
}

int VideoDecoder::sampleRate() const {
    return impl_->rate;
}

int VideoDecoder::width() const {
    return impl_->outWidth;
}

int VideoDecoder::height() const {
    return impl_->outHeight;
}

VideoDecoder::Status VideoDecoder::decode(std::vector<VideoPicture>& pictures,
                                          std::vector<int16_t>& pcm) {
    Impl& d = *impl_;
    if (!d.video) return Status::kNotMedia;
    if (d.failure != Status::kOk) return d.failure;
    if (d.ended) return Status::kEnd;
    Status s = Status::kOk;
    const int rc = av_read_frame(d.input.format, d.packet);
    if (rc == AVERROR_EOF) {
        avcodec_send_packet(d.video, nullptr);
        s = d.receive(d.video, pictures, pcm);
        if (d.audio && s == Status::kOk) {
            avcodec_send_packet(d.audio, nullptr);
            s = d.receive(d.audio, pictures, pcm);
            d.sound.flush(pcm);
        }
        if (s == Status::kOk) {
            d.ended = true;
            s = Status::kEnd;
        }
    } else if (rc < 0) {
        s = d.input.readStatus(rc);
    } else {
        AVCodecContext* c = d.packet->stream_index == d.videoStream   ? d.video
                            : d.packet->stream_index == d.audioStream ? d.audio
                                                                      : nullptr;
        if (c) {
            const int sent = avcodec_send_packet(c, d.packet);
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA)
                s = Status::kCorrupt;
            else
                s = d.receive(c, pictures, pcm);
        }
        av_packet_unref(d.packet);
    }
    if (s != Status::kOk && s != Status::kEnd) d.failure = s;
    return s;
}

} // namespace zplatform
