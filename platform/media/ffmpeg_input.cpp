// FFmpeg on a MediaInput, and the sound conversion shared by the decoders.
#include "platform/media/ffmpeg_input.h"

namespace zplatform::media {
namespace {

constexpr int kIoBufferBytes = 32768;

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

FormatInput::~FormatInput() {
    if (format) avformat_close_input(&format);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

AudioDecoder::Status FormatInput::readStatus(int err) const {
    if (err == AVERROR_EXIT || (input_ && input_->interrupted()))
        return AudioDecoder::Status::kInterrupted;
    if (err == AVERROR(EIO)) return AudioDecoder::Status::kInputFailed;
    return AudioDecoder::Status::kCorrupt;
}

AudioDecoder::Status FormatInput::open(MediaInput& input) {
    using Status = AudioDecoder::Status;
    input_ = &input;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return Status::kUnsupported;
    io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, &input, readInput, nullptr, nullptr);
    if (!io_) {
        av_free(buffer);
        return Status::kUnsupported;
    }
    format = avformat_alloc_context();
    if (!format) return Status::kUnsupported;
    format->pb = io_;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->interrupt_callback = {interruptCallback, &input};
    format->io_open = refuseNestedOpen;
    av_log_set_level(AV_LOG_QUIET);
    const int rc = avformat_open_input(&format, nullptr, nullptr, nullptr);
    if (rc < 0) {
        format = nullptr; // freed by avformat_open_input on failure
        const Status s = readStatus(rc);
        return s == Status::kCorrupt ? Status::kNotMedia : s;
    }
    return Status::kOk;
}

AudioDecoder::Status FormatInput::analyse() {
    using Status = AudioDecoder::Status;
    // Reading ahead waits for bytes still to come (a download in progress): briefly.
    format->max_analyze_duration = AV_TIME_BASE / 2;
    const int rc = avformat_find_stream_info(format, nullptr);
    if (rc < 0) {
        const Status s = readStatus(rc);
        return s == Status::kCorrupt ? Status::kNotMedia : s;
    }
    return Status::kOk;
}

SoundConverter::~SoundConverter() {
    swr_free(&swr_);
    av_channel_layout_uninit(&swrLayout_);
}

bool SoundConverter::setup(const AVFrame* f) {
    if (swr_ && f->sample_rate == swrRate_ && f->format == swrFormat_ &&
        av_channel_layout_compare(&f->ch_layout, &swrLayout_) == 0)
        return true;
    swr_free(&swr_);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout inLayout{};
    if (f->ch_layout.nb_channels <= 0) return false;
    if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, f->ch_layout.nb_channels);
    else if (av_channel_layout_copy(&inLayout, &f->ch_layout) < 0)
        return false;
    const int rc =
        swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_S16, rate_, &inLayout,
                            static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (rc < 0 || swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
    }
    swrRate_ = f->sample_rate;
    swrFormat_ = f->format;
    av_channel_layout_uninit(&swrLayout_);
    av_channel_layout_copy(&swrLayout_, &f->ch_layout);
    return true;
}

AudioDecoder::Status SoundConverter::convert(const AVFrame* f, std::vector<int16_t>& out,
                                             int maxFrames) {
    using Status = AudioDecoder::Status;
    if (f->nb_samples > maxFrames) return Status::kTooLarge;
    if (f->sample_rate < kMinRate || f->sample_rate > kMaxRate) return Status::kUnsupported;
    if (!setup(f)) return Status::kUnsupported;
    const int room = swr_get_out_samples(swr_, f->nb_samples);
    if (room < 0) return Status::kCorrupt;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(room) * 2);
    uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + start);
    const int n =
        swr_convert(swr_, &dst, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (n < 0) {
        out.resize(start);
        return Status::kCorrupt;
    }
    out.resize(start + static_cast<size_t>(n) * 2);
    return Status::kOk;
}

void SoundConverter::flush(std::vector<int16_t>& out) {
    if (!swr_) return;
    const int room = swr_get_out_samples(swr_, 0);
    if (room <= 0) return;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(room) * 2);
    uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + start);
    const int n = swr_convert(swr_, &dst, room, nullptr, 0);
    out.resize(start + static_cast<size_t>(n > 0 ? n : 0) * 2);
}

} // namespace zplatform::media
