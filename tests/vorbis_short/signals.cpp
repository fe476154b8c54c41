// Deterministic test material and error measures.
#include "signals.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vshort_test {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Small deterministic noise source, so every run encodes the same material.
class Noise {
  public:
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0 * 2.0 - 1.0;
    }

  private:
    uint64_t state_ = 0x2545F4914F6CDD1Dull;
};

int16_t toPcm(double v) {
    return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

} // namespace

Pcm musicLike(int sampleRate, double seconds) {
    const auto frames = static_cast<size_t>(seconds * sampleRate);
    std::vector<double> left(frames, 0.0), right(frames, 0.0);
    const double beat = 0.25 * sampleRate; // samples per beat
    Noise noise;

    // Chords: three voices with decaying partials, one chord per two beats.
    const double chords[4][3] = {{261.63, 329.63, 392.00},
                                 {220.00, 261.63, 329.63},
                                 {174.61, 220.00, 261.63},
                                 {196.00, 246.94, 293.66}};
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const auto chord = static_cast<size_t>(i / (2 * beat * 4)) % 4;
        const double inChord = std::fmod(static_cast<double>(i), 2 * beat * 4) / sampleRate;
        const double env = std::min(1.0, inChord * 50) * std::exp(-inChord * 0.8);
        for (int v = 0; v < 3; ++v) {
            const double f = chords[chord][v];
            double s = 0;
            for (int h = 1; h <= 6; ++h) s += std::sin(2 * kPi * f * h * t + v) / (h * h);
            const double pan = 0.3 + 0.2 * v;
            left[i] += 2600 * env * s * (1 - pan);
            right[i] += 2600 * env * s * pan;
        }
    }
    // Bass line: a note per beat, fundamental plus a second harmonic.
    const double bass[8] = {65.41, 65.41, 98.00, 87.31, 55.00, 55.00, 73.42, 82.41};
    for (size_t i = 0; i < frames; ++i) {
        const auto note = static_cast<size_t>(i / beat);
        const double inNote = std::fmod(static_cast<double>(i), beat) / sampleRate;
        const double f = bass[note % 8];
        const double env = std::min(1.0, inNote * 200) * std::exp(-inNote * 3);
        const double s = std::sin(2 * kPi * f * inNote) + 0.4 * std::sin(4 * kPi * f * inNote);
        left[i] += 5000 * env * s;
        right[i] += 5000 * env * s;
    }
    // Drums: kick on every other beat, snare bursts between, hi-hat noise on every beat.
    for (size_t i = 0; i < frames; ++i) {
        const auto n = static_cast<size_t>(i / beat);
        const double inBeat = std::fmod(static_cast<double>(i), beat) / sampleRate;
        double l = 0, r = 0;
        if (n % 2 == 0) {
            const double phase = 2 * kPi * (50 * inBeat + 100 * (1 - std::exp(-inBeat * 30)) / 30);
            const double kick = 9000 * std::exp(-inBeat * 12) * std::sin(phase);
            l += kick;
            r += kick;
        } else {
            const double snare = 3500 * std::exp(-inBeat * 20);
            l += snare * noise.next();
            r += snare * noise.next();
        }
        const double hat = 900 * std::exp(-inBeat * 60);
        l += hat * noise.next();
        r += hat * noise.next();
        left[i] += l;
        right[i] += r;
    }
    Pcm out(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        out[2 * i] = toPcm(left[i]);
        out[2 * i + 1] = toPcm(right[i]);
    }
    return out;
}

Pcm sines(int sampleRate, size_t frames, double leftHz, double rightHz, double amplitude) {
    Pcm out(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        out[2 * i] = toPcm(amplitude * std::sin(2 * kPi * leftHz * t));
        out[2 * i + 1] = toPcm(amplitude * std::sin(2 * kPi * rightHz * t));
    }
    return out;
}

double snrDb(const Pcm& reference, const Pcm& decoded) {
    double signal = 0, error = 0;
    for (size_t i = 0; i < reference.size() && i < decoded.size(); ++i) {
        const double s = reference[i];
        const double e = s - decoded[i];
        signal += s * s;
        error += e * e;
    }
    if (error == 0) return 200.0;
    return 10.0 * std::log10(signal / error);
}

double kbps(size_t bytes, size_t frames, int sampleRate) {
    return static_cast<double>(bytes) * 8.0 * sampleRate / static_cast<double>(frames) / 1000.0;
}

size_t audioPageBytes(const std::vector<uint8_t>& stream) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buf = ogg_sync_buffer(&sync, static_cast<long>(stream.size()));
    std::memcpy(buf, stream.data(), stream.size());
    ogg_sync_wrote(&sync, static_cast<long>(stream.size()));
    ogg_page page;
    size_t pages = 0, bytes = 0;
    while (ogg_sync_pageout(&sync, &page) == 1)
        if (pages++ >= 2) bytes += static_cast<size_t>(page.header_len + page.body_len);
    ogg_sync_clear(&sync);
    return bytes;
}

} // namespace vshort_test
