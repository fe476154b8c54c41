// Audio decoder: FFmpeg's demuxer on a custom I/O context, its decoder, and the conversion to
// 16-bit stereo at the stream's rate.
#include "platform/media/audio_decoder.h"

#include "platform/media/ffmpeg_input.h"

namespace zplatform {

struct AudioDecoder::Impl {
    media::FormatInput input;
    AVCodecContext* codec = nullptr;
    media::SoundConverter sound;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int rate = 0;
    bool draining = false; // the demuxer ended; the decoder is being flushed
    bool ended = false;
    Status failure = Status::kOk; // sticky

    ~Impl() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }

    Status receiveAll(std::vector<int16_t>& out) {
        for (;;) {
            const int rc = avcodec_receive_frame(codec, frame);
            if (rc == AVERROR(EAGAIN)) return Status::kOk;
            if (rc == AVERROR_EOF) {
                ended = true;
                return Status::kEnd;
            }
            if (rc < 0) return Status::kCorrupt;
            const Status s = sound.convert(frame, out, kMaxFrameFrames);
            av_frame_unref(frame);
            if (s != Status::kOk) return s;
        }
    }
};

AudioDecoder::AudioDecoder() : impl_(std::make_unique<Impl>()) {}
AudioDecoder::~AudioDecoder() = default;

AudioDecoder::Status AudioDecoder::open(MediaInput& input) {
    Impl& d = *impl_;
    if (Status s = d.input.open(input); s != Status::kOk) return s;
    AVFormatContext* format = d.input.format;
    // Most containers describe the stream in their headers; only a stream that is not described
    // yet is analysed, since reading ahead waits for bytes still to come.
    const AVCodec* decoder = nullptr;
    d.stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (d.stream < 0 || format->streams[d.stream]->codecpar->sample_rate <= 0 ||
        format->streams[d.stream]->codecpar->ch_layout.nb_channels <= 0) {
        if (Status s = d.input.analyse(); s != Status::kOk) return s;
        d.stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    }
    if (d.stream < 0)
        return d.stream == AVERROR_DECODER_NOT_FOUND ? Status::kUnsupported : Status::kNotMedia;
    const AVCodecParameters* par = format->streams[d.stream]->codecpar;
    if (par->sample_rate < media::kMinRate || par->sample_rate > media::kMaxRate)
        return Status::kUnsupported;
    d.codec = avcodec_alloc_context3(decoder);
    if (!d.codec || avcodec_parameters_to_context(d.codec, par) < 0 ||
        avcodec_open2(d.codec, decoder, nullptr) < 0)
        return Status::kUnsupported;
    d.rate = par->sample_rate;
    d.sound.setRate(d.rate);
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.packet || !d.frame) return Status::kUnsupported;
    return Status::kOk;
}

int AudioDecoder::sampleRate() const {
    return impl_->rate;
}

std::string AudioDecoder::formatName() const {
    const AVFormatContext* f = impl_->input.format;
    return f && f->iformat ? f->iformat->name : "";
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
        int rc = av_read_frame(d.input.format, d.packet);
        if (rc == AVERROR_EOF) {
            d.draining = true;
            avcodec_send_packet(d.codec, nullptr);
            s = d.receiveAll(out);
        } else if (rc < 0) {
            s = d.input.readStatus(rc);
        } else if (d.packet->stream_index != d.stream) {
            av_packet_unref(d.packet);
            return Status::kOk;
        } else if (d.packet->size > kMaxPacketBytes) {
            av_packet_unref(d.packet);
            s = Status::kTooLarge;
        } else {
            rc = avcodec_send_packet(d.codec, d.packet);
            av_packet_unref(d.packet);
            // A damaged packet is skipped, as players do.
            s = rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_INVALIDDATA ? Status::kCorrupt
                                                                             : d.receiveAll(out);
        }
    }
    if (s == Status::kEnd) d.sound.flush(out);
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
