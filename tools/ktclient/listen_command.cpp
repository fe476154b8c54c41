// ktclient listen: a KT_AudioStream on the interface run loop of the tool, its changes printed.
#include "ktclient/listen_command.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/audio/recording_audio_backend.h"
#include "platform/run_loop.h"
#include "player/kt_audio_stream.h"

namespace ktclient {
namespace {

void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void put16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>(v >> 8));
}

bool writeWav(const std::string& path, const zplatform::AudioRecording& r) {
    const auto bytes = static_cast<uint32_t>(r.samples.size() * 2);
    std::string h = "RIFF";
    put32(h, 36 + bytes);
    h += "WAVEfmt ";
    put32(h, 16);
    put16(h, 1);
    put16(h, 2);
    put32(h, static_cast<uint32_t>(r.sampleRate));
    put32(h, static_cast<uint32_t>(r.sampleRate) * 4);
    put16(h, 4);
    put16(h, 16);
    h += "data";
    put32(h, bytes);
    for (int16_t v : r.samples) put16(h, static_cast<uint16_t>(v));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(h.data(), 1, h.size(), f) == h.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int runListen(const std::vector<std::string>& operands, std::ostream& out, std::ostream& err) {
    std::string url, wav;
    double seconds = -1;
    for (size_t i = 0; i < operands.size(); ++i) {
        const std::string& a = operands[i];
        if ((a == "--seconds" || a == "-o") && i + 1 < operands.size()) {
            const std::string& v = operands[++i];
            if (a == "-o") {
                wav = v;
                continue;
            }
            char* end = nullptr;
            seconds = std::strtod(v.c_str(), &end);
            if (v.empty() || *end || !(seconds > 0)) {
                err << "ktclient: --seconds: a positive duration\n";
                return 2;
            }
        } else if (url.empty() && a.rfind('-', 0) != 0) {
            url = a;
        } else {
            err << "ktclient: listen takes URL [--seconds S] [-o OUT.wav]\n";
            return 2;
        }
    }
    if (url.empty()) {
        err << "ktclient: listen takes URL [--seconds S] [-o OUT.wav]\n";
        return 2;
    }

    std::shared_ptr<zplatform::RecordingAudioBackend> recorder;
    if (!wav.empty()) {
        recorder = std::make_shared<zplatform::RecordingAudioBackend>();
        zplatform::AudioSession::setBackend(recorder);
    }
    zplatform::AudioRecording recording;
    bool alerted = false, ended = false;
    {
        zplayer::KT_AudioStream player(url);
        player.addIsPlayingObserver([&](bool playing) {
            out << "isPlaying " << (playing ? "true" : "false") << std::endl;
            if (!playing) ended = true;
        });
        player.setAlertHandler([&](const std::string& title, const std::string& message) {
            out << "alert " << title << ": " << message << std::endl;
            alerted = true;
        });
        player.start();
        auto& loop = zplatform::RunLoop::main();
        using Clock = std::chrono::steady_clock;
        const auto begin = Clock::now();
        auto last = begin;
        // Played to its end (or stopped) and released, or the time asked for has passed.
        while (!(ended && player.isClean())) {
            loop.runFor(0.02);
            const auto now = Clock::now();
            if (recorder) {
                recorder->pump(std::chrono::duration<double>(now - last).count());
                auto part = recorder->takeRecording();
                if (recording.samples.empty()) recording.sampleRate = part.sampleRate;
                recording.samples.insert(recording.samples.end(), part.samples.begin(),
                                         part.samples.end());
            }
            last = now;
            if (seconds > 0 && std::chrono::duration<double>(now - begin).count() >= seconds &&
                !ended) {
                player.stop();
                seconds = -1; // now wait for the end to be delivered
            }
        }
        loop.runFor(0.05); // the last alert, if any
    }
    zplatform::AudioSession::setBackend(nullptr);
    if (!wav.empty() && !writeWav(wav, recording)) {
        err << "ktclient: cannot write " << wav << "\n";
        return 1;
    }
    return alerted ? 1 : 0;
}

} // namespace ktclient
