// Media fixtures encoded with FFmpeg's encoders: an MP3 preview (two tones, one per channel).
// Usage: gen_media OUTPUT_DIR
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
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

// Writes `path` as MPEG audio layer III: 440 Hz on the left, 660 Hz on the right.
bool writeMp3(const std::string& path) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP3);
    if (!codec) return fail("no MP3 encoder");
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "mp3", path.c_str()) < 0)
        return fail("no MP3 muxer");
    AVStream* stream = avformat_new_stream(out, nullptr);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->sample_rate = kRate;
    enc->sample_fmt = AV_SAMPLE_FMT_S16P;
    enc->bit_rate = 128000;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&enc->ch_layout, &stereo);
    if (avcodec_open2(enc, codec, nullptr) < 0) return fail("cannot open the MP3 encoder");
    avcodec_parameters_from_context(stream->codecpar, enc);
    stream->time_base = AVRational{1, kRate};
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out, nullptr) < 0)
        return fail("cannot write the output");

    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const int total = static_cast<int>(kRate * kSeconds);
    int64_t at = 0;
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
        auto* left = reinterpret_cast<int16_t*>(frame->data[0]);
        auto* right = reinterpret_cast<int16_t*>(frame->data[1]);
        for (int i = 0; i < frame->nb_samples; ++i) {
            const double t = static_cast<double>(at + i) / kRate;
            const bool inside = at + i < total;
            left[i] = static_cast<int16_t>(inside ? 8000 * std::sin(2 * M_PI * 440 * t) : 0);
            right[i] = static_cast<int16_t>(inside ? 8000 * std::sin(2 * M_PI * 660 * t) : 0);
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
    return writeMp3(dir + "/tone.mp3") ? 0 : 1;
}
