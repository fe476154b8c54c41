// WebM clips through libavformat and libavcodec (libvpx and libvorbis behind them).
#include "video_clips.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <memory>

namespace mkcontent {
namespace {

struct FormatDeleter {
    void operator()(AVFormatContext* f) const {
        if (f && f->pb && !(f->oformat->flags & AVFMT_NOFILE)) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct InputDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using Format = std::unique_ptr<AVFormatContext, FormatDeleter>;
using Codec = std::unique_ptr<AVCodecContext, CodecDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;

constexpr int kRate = 44100;

// Sends one frame (or the end, with null) and writes every packet the encoder gives back.
bool encode(AVFormatContext* out, AVCodecContext* enc, AVStream* stream, AVFrame* frame) {
    if (avcodec_send_frame(enc, frame) < 0) return false;
    Packet packet(av_packet_alloc());
    for (;;) {
        int r = avcodec_receive_packet(enc, packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        av_packet_rescale_ts(packet.get(), enc->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(out, packet.get()) < 0) return false;
    }
}

// One picture: a colour wash that drifts, and a bright disc crossing the frame.
void drawFrame(AVFrame* f, unsigned seed, int index) {
    const double t = static_cast<double>(index) / kClipFps;
    const int cx = static_cast<int>((0.15 + 0.7 * t / kClipSeconds) * kClipWidth);
    const int cy = static_cast<int>(kClipHeight * (0.5 + 0.25 * std::sin(t * 2.1 + seed)));
    const int r = kClipHeight / 6;
    for (int y = 0; y < kClipHeight; ++y)
        for (int x = 0; x < kClipWidth; ++x) {
            int luma = 60 + (x + y + index * 3) % 120;
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r) luma = 235;
            f->data[0][y * f->linesize[0] + x] = static_cast<uint8_t>(luma);
        }
    const uint8_t u = static_cast<uint8_t>(64 + (seed * 37) % 128),
                  v = static_cast<uint8_t>(64 + (seed * 91 + index) % 128);
    for (int y = 0; y < kClipHeight / 2; ++y)
        for (int x = 0; x < kClipWidth / 2; ++x) {
            f->data[1][y * f->linesize[1] + x] = u;
            f->data[2][y * f->linesize[2] + x] = v;
        }
}

// The sound: an arpeggio of A minor, one note a quarter second, from the seed's inversion.
float sample(unsigned seed, long n, int channel) {
    static const double notes[] = {220.0, 261.63, 329.63, 440.0, 523.25};
    const double t = static_cast<double>(n) / kRate;
    const long step = static_cast<long>(t * 4);
    const double f = notes[(step + seed) % 5] * (channel ? 1.002 : 1.0);
    const double inNote = t * 4 - static_cast<double>(step);
    return static_cast<float>(0.2 * std::exp(-3.0 * inNote) * std::sin(2 * M_PI * f * t));
}

} // namespace

bool writeClip(unsigned seed, const std::string& file, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = file + ": " + why;
        return false;
    };
    av_log_set_level(AV_LOG_ERROR); // the encoders' banners are no news at build time
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "webm", file.c_str()) < 0 || !raw)
        return fail("no WebM muxer");
    Format out(raw);
    out->flags |= AVFMT_FLAG_BITEXACT;

    const AVCodec* vp8 = avcodec_find_encoder(AV_CODEC_ID_VP8);
    const AVCodec* vorbis = avcodec_find_encoder_by_name("libvorbis");
    if (!vp8 || !vorbis) return fail("FFmpeg has no VP8 or Vorbis encoder");

    Codec video(avcodec_alloc_context3(vp8));
    video->width = kClipWidth;
    video->height = kClipHeight;
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->time_base = {1, kClipFps};
    video->framerate = {kClipFps, 1};
    video->bit_rate = 300'000;
    video->gop_size = kClipFps;
    video->thread_count = 1;
    video->flags |= AV_CODEC_FLAG_BITEXACT;
    av_opt_set(video->priv_data, "deadline", "realtime", 0);
    av_opt_set_int(video->priv_data, "cpu-used", 8, 0);
    if (out->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(video.get(), vp8, nullptr) < 0) return fail("cannot open the VP8 encoder");

    Codec audio(avcodec_alloc_context3(vorbis));
    audio->sample_rate = kRate;
    av_channel_layout_default(&audio->ch_layout, 2);
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->time_base = {1, kRate};
    audio->bit_rate = 64'000;
    audio->flags |= AV_CODEC_FLAG_BITEXACT;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(audio.get(), vorbis, nullptr) < 0)
        return fail("cannot open the Vorbis encoder");

    AVStream* vs = avformat_new_stream(out.get(), nullptr);
    AVStream* as = avformat_new_stream(out.get(), nullptr);
    if (!vs || !as || avcodec_parameters_from_context(vs->codecpar, video.get()) < 0 ||
        avcodec_parameters_from_context(as->codecpar, audio.get()) < 0)
        return fail("cannot add the streams");
    vs->time_base = video->time_base;
    as->time_base = audio->time_base;
    if (avio_open(&out->pb, file.c_str(), AVIO_FLAG_WRITE) < 0) return fail("cannot write");
    if (avformat_write_header(out.get(), nullptr) < 0) return fail("cannot write the header");

    Frame picture(av_frame_alloc()), sound(av_frame_alloc());
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = kClipWidth;
    picture->height = kClipHeight;
    const int soundFrame = audio->frame_size > 0 ? audio->frame_size : 1024;
    sound->format = AV_SAMPLE_FMT_FLTP;
    sound->nb_samples = soundFrame;
    sound->sample_rate = kRate;
    av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
    if (av_frame_get_buffer(picture.get(), 0) < 0 || av_frame_get_buffer(sound.get(), 0) < 0)
        return fail("out of memory");

    const int frames = static_cast<int>(kClipSeconds * kClipFps);
    const long samples = static_cast<long>(kClipSeconds * kRate);
    long soundAt = 0;
    for (int i = 0; i < frames; ++i) {
        if (av_frame_make_writable(picture.get()) < 0) return fail("out of memory");
        drawFrame(picture.get(), seed, i);
        picture->pts = i;
        if (!encode(out.get(), video.get(), vs, picture.get())) return fail("VP8 encoding failed");
        // The sound up to this picture's end, in the encoder's frame size.
        const long until = std::min(samples, static_cast<long>((i + 1) * kRate / kClipFps));
        while (soundAt < until) {
            if (av_frame_make_writable(sound.get()) < 0) return fail("out of memory");
            const int n = static_cast<int>(std::min<long>(soundFrame, samples - soundAt));
            sound->nb_samples = n;
            for (int c = 0; c < 2; ++c) {
                auto* data = reinterpret_cast<float*>(sound->data[c]);
                for (int k = 0; k < n; ++k) data[k] = sample(seed, soundAt + k, c);
            }
            sound->pts = soundAt;
            soundAt += n;
            if (!encode(out.get(), audio.get(), as, sound.get()))
                return fail("Vorbis encoding failed");
        }
    }
    if (!encode(out.get(), video.get(), vs, nullptr) ||
        !encode(out.get(), audio.get(), as, nullptr) || av_write_trailer(out.get()) < 0)
        return fail("cannot finish the clip");
    return true;
}

std::optional<ClipInfo> probeClip(const std::string& file) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    std::unique_ptr<AVFormatContext, InputDeleter> in(raw);
    if (avformat_find_stream_info(in.get(), nullptr) < 0) return std::nullopt;
    ClipInfo info;
    if (in->duration > 0) info.seconds = static_cast<double>(in->duration) / AV_TIME_BASE;
    int videoIndex = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    info.hasAudio = av_find_best_stream(in.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    if (videoIndex < 0) return std::nullopt;
    const AVCodecParameters* par = in->streams[videoIndex]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) return std::nullopt;
    Codec dec(avcodec_alloc_context3(decoder));
    if (avcodec_parameters_to_context(dec.get(), par) < 0 ||
        avcodec_open2(dec.get(), decoder, nullptr) < 0)
        return std::nullopt;
    info.width = par->width;
    info.height = par->height;
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) == 0) ++info.videoFrames;
    };
    while (av_read_frame(in.get(), packet.get()) >= 0) {
        if (packet->stream_index == videoIndex && avcodec_send_packet(dec.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    drain();
    return info;
}

} // namespace mkcontent
