// Media fixtures encoded with FFmpeg's encoders: an MP3 preview (two tones, one per channel), a
// FLAC file of noise in 16384-frame blocks (frames larger than a player's buffer), and two video
// clips (WebM: VP8 pictures of a colour that changes every frame, Vorbis sound): a short small
// one for the tests, three seconds at 320 × 240 for the benchmark.
// Usage: gen_media OUTPUT_DIR
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 1.5;

bool fail(const char* what) {
    std::fprintf(stderr, "gen_media: %s\n", what);
    return false;
}

// Writes `path` in `muxer` with `codecId`: 440 Hz on the left, 660 Hz on the right, or noise
// in blocks of `blockFrames` when it is not 0.
bool writeAudio(const std::string& path, const char* muxer, AVCodecID codecId,
                AVSampleFormat sampleFormat, int blockFrames) {
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (!codec) return fail("no encoder");
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, muxer, path.c_str()) < 0)
        return fail("no muxer");
    AVStream* stream = avformat_new_stream(out, nullptr);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->sample_rate = kRate;
    enc->sample_fmt = sampleFormat;
    enc->bit_rate = 128000;
    if (blockFrames) enc->frame_size = blockFrames;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&enc->ch_layout, &stereo);
    if (avcodec_open2(enc, codec, nullptr) < 0) return fail("cannot open the encoder");
    avcodec_parameters_from_context(stream->codecpar, enc);
    stream->time_base = AVRational{1, kRate};
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out, nullptr) < 0)
        return fail("cannot write the output");

    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const int total = static_cast<int>(kRate * kSeconds);
    int64_t at = 0;
    uint32_t noise = 12345;
    auto drain = [&] {
        while (avcodec_receive_packet(enc, packet) == 0) {
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(out, packet);
        }
    };
    while (at < total) {
        frame->nb_samples = enc->frame_size;
        frame->format = enc->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        frame->sample_rate = kRate;
        av_frame_get_buffer(frame, 0);
        const bool planar = av_sample_fmt_is_planar(enc->sample_fmt);
        auto* left = reinterpret_cast<int16_t*>(frame->data[0]);
        auto* right = planar ? reinterpret_cast<int16_t*>(frame->data[1]) : left + 1;
        const int step = planar ? 1 : 2;
        for (int i = 0; i < frame->nb_samples; ++i) {
            const double t = static_cast<double>(at + i) / kRate;
            const bool inside = at + i < total;
            noise = noise * 1664525u + 1013904223u;
            const auto n = static_cast<int16_t>(noise >> 16);
            left[i * step] =
                static_cast<int16_t>(!inside       ? 0
                                     : blockFrames ? n
                                                   : 8000 * std::sin(2 * M_PI * 440 * t));
            right[i * step] =
                static_cast<int16_t>(!inside       ? 0
                                     : blockFrames ? -n
                                                   : 8000 * std::sin(2 * M_PI * 660 * t));
        }
        frame->pts = at;
        at += frame->nb_samples;
        avcodec_send_frame(enc, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(enc, nullptr);
    drain();
    av_write_trailer(out);
    avio_closep(&out->pb);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    avformat_free_context(out);
    return true;
}

// `kFrames` pictures of kW × kH at kFps per second, picture k filled with red 20 k and blue
// 255 - 20 k (modulo 256) crossed by a moving bar, and a 440 Hz tone as long as the pictures.
bool writeClip(const std::string& path, int kW, int kH, int kFrames, int kFps) {
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "webm", path.c_str()) < 0)
        return fail("no WebM muxer");
    const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_VP8);
    const AVCodec* acodec = avcodec_find_encoder_by_name("libvorbis");
    if (!vcodec || !acodec) return fail("no VP8 or Vorbis encoder");
    AVStream* vs = avformat_new_stream(out, nullptr);
    AVCodecContext* venc = avcodec_alloc_context3(vcodec);
    venc->width = kW;
    venc->height = kH;
    venc->pix_fmt = AV_PIX_FMT_YUV420P;
    venc->time_base = AVRational{1, kFps};
    venc->framerate = AVRational{kFps, 1};
    venc->bit_rate = 200000;
    venc->gop_size = 4;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(venc, vcodec, nullptr) < 0) return fail("cannot open VP8");
    avcodec_parameters_from_context(vs->codecpar, venc);
    vs->time_base = venc->time_base;

    AVStream* as = avformat_new_stream(out, nullptr);
    AVCodecContext* aenc = avcodec_alloc_context3(acodec);
    aenc->sample_rate = kRate;
    aenc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&aenc->ch_layout, &stereo);
    aenc->bit_rate = 96000;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) aenc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(aenc, acodec, nullptr) < 0) return fail("cannot open Vorbis");
    avcodec_parameters_from_context(as->codecpar, aenc);
    as->time_base = AVRational{1, kRate};
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out, nullptr) < 0)
        return fail("cannot write the clip");

    AVPacket* packet = av_packet_alloc();
    auto drain = [&](AVCodecContext* enc, AVStream* st) {
        while (avcodec_receive_packet(enc, packet) == 0) {
            av_packet_rescale_ts(packet, enc->time_base, st->time_base);
            packet->stream_index = st->index;
            av_interleaved_write_frame(out, packet);
        }
    };
    SwsContext* sws = sws_getContext(kW, kH, AV_PIX_FMT_RGBA, kW, kH, AV_PIX_FMT_YUV420P,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    std::vector<uint8_t> rgba(kW * kH * 4);
    for (int k = 0; k < kFrames; ++k) {
        for (int i = 0; i < kW * kH; ++i) {
            const bool bar = kW > 64 && (i % kW) / 8 == k % (kW / 8);
            rgba[4 * i] = static_cast<uint8_t>(20 * k);
            rgba[4 * i + 1] = bar ? 255 : 40;
            rgba[4 * i + 2] = static_cast<uint8_t>(255 - 20 * k);
            rgba[4 * i + 3] = 255;
        }
        AVFrame* f = av_frame_alloc();
        f->width = kW;
        f->height = kH;
        f->format = AV_PIX_FMT_YUV420P;
        av_frame_get_buffer(f, 0);
        const uint8_t* src[1] = {rgba.data()};
        const int stride[1] = {kW * 4};
        sws_scale(sws, src, stride, 0, kH, f->data, f->linesize);
        f->pts = k;
        avcodec_send_frame(venc, f);
        av_frame_free(&f);
        drain(venc, vs);
    }
    avcodec_send_frame(venc, nullptr);
    drain(venc, vs);
    sws_freeContext(sws);

    const int total = kRate * kFrames / kFps;
    for (int at = 0; at < total; at += aenc->frame_size) {
        AVFrame* f = av_frame_alloc();
        f->nb_samples = aenc->frame_size;
        f->format = aenc->sample_fmt;
        av_channel_layout_copy(&f->ch_layout, &aenc->ch_layout);
        f->sample_rate = kRate;
        av_frame_get_buffer(f, 0);
        for (int c = 0; c < 2; ++c) {
            auto* d = reinterpret_cast<float*>(f->data[c]);
            for (int i = 0; i < f->nb_samples; ++i)
                d[i] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 440 * (at + i) / kRate));
        }
        f->pts = at;
        avcodec_send_frame(aenc, f);
        av_frame_free(&f);
        drain(aenc, as);
    }
    avcodec_send_frame(aenc, nullptr);
    drain(aenc, as);
    av_write_trailer(out);
    avio_closep(&out->pb);
    av_packet_free(&packet);
    avcodec_free_context(&venc);
    avcodec_free_context(&aenc);
    avformat_free_context(out);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_media OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok =
        writeAudio(dir + "/tone.mp3", "mp3", AV_CODEC_ID_MP3, AV_SAMPLE_FMT_S16P, 0) &&
        writeAudio(dir + "/bigframes.flac", "flac", AV_CODEC_ID_FLAC, AV_SAMPLE_FMT_S16, 16384) &&
        writeClip(dir + "/clip.webm", 64, 48, 12, 10) &&
        writeClip(dir + "/clip_qvga.webm", 320, 240, 75, 25);
    return ok ? 0 : 1;
}
