// Small DSP kit of the demo synthesizer: stereo buffers, oscillators, envelopes, filters and a
// reproducible noise source. Everything is float and deterministic (no global state).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dsynth {

constexpr int kRate = 44100;
// One sixteenth note is 44 blocks of 128 samples, so every step, bar and section boundary falls
// on a block edge of the engine's frequency path (about 117.5 beats per minute).
constexpr int kStepFrames = 128 * 44;
constexpr int kStepsPerBar = 16;
constexpr int kBarFrames = kStepFrames * kStepsPerBar;
constexpr double kPi = 3.14159265358979323846;

// Interleaved-free stereo audio: two channels of equal length.
struct Stereo {
    std::vector<float> left, right;

    Stereo() = default;
    explicit Stereo(size_t frames) : left(frames, 0.f), right(frames, 0.f) {}
    size_t frames() const { return left.size(); }
    // Adds `mono` at `at` with a constant-power pan (-1 left .. 1 right), clipped to the buffer.
    void addMono(const std::vector<float>& mono, size_t at, float gain, float pan);
    void add(const Stereo& other, size_t at, float gain);
    float peak() const;
    void scale(float gain);
};

// Deterministic white noise in -1..1 (xorshift32).
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    float next();

  private:
    uint32_t state_;
};

double midiToHz(double note);

// Band-limited sawtooth and square through polyBLEP: bright but without aliasing whistles.
class Oscillator {
  public:
    enum class Wave { Sine, Saw, Square, Triangle };
    explicit Oscillator(Wave wave) : wave_(wave) {}
    void reset(double phase = 0.0) {
        phase_ = phase;
        triState_ = 0.0;
    }
    float next(double hz);

  private:
    Wave wave_;
    double phase_ = 0.0;
    double triState_ = 0.0;
};

// Attack-decay-sustain-release envelope with linear attack and exponential segments.
struct Adsr {
    float attack = 0.005f, decay = 0.2f, sustain = 0.7f, release = 0.2f; // seconds / level
    // Level at frame i of a note held for `holdFrames` frames.
    float at(size_t i, size_t holdFrames) const;
    // Frames until the release has faded below -60 dB.
    size_t tailFrames() const;
};

// State-variable filter (Chamberlin, oversampled twice for stability at high cut-offs).
class Svf {
  public:
    void setup(double cutoffHz, double resonance); // resonance 0 (none) .. 0.95
    float lowpass(float in);
    float highpass(float in);
    float bandpass(float in);

  private:
    void step(float in);
    float f_ = 0.1f, q_ = 1.f;
    float low_ = 0.f, band_ = 0.f, high_ = 0.f;
};

// One-pole low-pass for smoothing and gentle darkening.
class OnePole {
  public:
    void setup(double cutoffHz);
    float process(float in);

  private:
    float a_ = 1.f, z_ = 0.f;
};

// Gentle saturation: linear near zero, rounds peaks instead of clipping them.
inline float softClip(float x) {
    if (x > 1.5f) return 1.f;
    if (x < -1.5f) return -1.f;
    return x - (4.f / 27.f) * x * x * x;
}

// Feedback delay with cross-feed between channels (a ping-pong echo), applied in place.
void pingPongDelay(Stereo& audio, size_t delayFrames, float feedback, float mix);
// Short fades at both ends so a loop starts and stops without a click.
void fadeEdges(Stereo& audio, size_t fadeInFrames, size_t fadeOutFrames);

} // namespace dsynth
