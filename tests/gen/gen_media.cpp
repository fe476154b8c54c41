// Media fixtures encoded with FFmpeg's encoders: an MP3 preview (two tones, one per channel) and
// a FLAC file of noise in 16384-frame blocks (frames larger than a player's buffer).
// Usage: gen_media OUTPUT_DIR
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <cmath>
#include <cstdio>
#include <string>

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

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_media OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok =
        writeAudio(dir + "/tone.mp3", "mp3", AV_CODEC_ID_MP3, AV_SAMPLE_FMT_S16P, 0) &&
        writeAudio(dir + "/bigframes.flac", "flac", AV_CODEC_ID_FLAC, AV_SAMPLE_FMT_S16, 16384);
    return ok ? 0 : 1;
}
