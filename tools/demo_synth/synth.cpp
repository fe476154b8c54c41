// DSP kit of the demo synthesizer.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace dsynth {

void Stereo::addMono(const std::vector<float>& mono, size_t at, float gain, float pan) {
    const float angle = static_cast<float>((std::clamp(pan, -1.f, 1.f) + 1.f) * kPi / 4.0);
    const float gl = gain * std::cos(angle) * static_cast<float>(std::sqrt(2.0));
    const float gr = gain * std::sin(angle) * static_cast<float>(std::sqrt(2.0));
    for (size_t i = 0; i < mono.size() && at + i < frames(); ++i) {
        left[at + i] += gl * mono[i];
        right[at + i] += gr * mono[i];
    }
}

void Stereo::add(const Stereo& other, size_t at, float gain) {
    for (size_t i = 0; i < other.frames() && at + i < frames(); ++i) {
        left[at + i] += gain * other.left[i];
        right[at + i] += gain * other.right[i];
    }
}

float Stereo::peak() const {
    float p = 0.f;
    for (size_t i = 0; i < frames(); ++i)
        p = std::max({p, std::fabs(left[i]), std::fabs(right[i])});
    return p;
}

void Stereo::scale(float gain) {
    for (size_t i = 0; i < frames(); ++i) {
        left[i] *= gain;
        right[i] *= gain;
    }
}

float Noise::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_ / 2147483648.0 - 1.0);
}

double midiToHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

namespace {

// Residual that removes the step discontinuity of a naive waveform (polyBLEP).
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

} // namespace

float Oscillator::next(double hz) {
    const double dt = std::min(hz / kRate, 0.45);
    double v = 0.0;
    switch (wave_) {
    case Wave::Sine:
        v = std::sin(2.0 * kPi * phase_);
        break;
    case Wave::Saw:
        v = 2.0 * phase_ - 1.0 - polyBlep(phase_, dt);
        break;
    case Wave::Square:
    case Wave::Triangle: {
        v = phase_ < 0.5 ? 1.0 : -1.0;
        v += polyBlep(phase_, dt);
        v -= polyBlep(std::fmod(phase_ + 0.5, 1.0), dt);
        if (wave_ == Wave::Triangle) {
            // A leaky integral of the square keeps the triangle centred.
            triState_ = dt * 4.0 * v + (1.0 - 0.0005) * triState_;
            v = triState_;
        }
        break;
    }
    }
    phase_ += dt;
    if (phase_ >= 1.0) phase_ -= 1.0;
    return static_cast<float>(v);
}

float Adsr::at(size_t i, size_t holdFrames) const {
    const double t = double(i) / kRate;
    const double hold = double(holdFrames) / kRate;
    auto held = [&](double x) {
        if (x < attack) return x / std::max<double>(attack, 1e-6);
        const double d = (x - attack) / std::max<double>(decay, 1e-6);
        return sustain + (1.0 - sustain) * std::exp(-4.0 * d);
    };
    if (t < hold) return static_cast<float>(held(t));
    const double r = (t - hold) / std::max<double>(release, 1e-6);
    return static_cast<float>(held(hold) * std::exp(-6.9 * r));
}

size_t Adsr::tailFrames() const {
    return static_cast<size_t>(release * kRate) + 1;
}

void Svf::setup(double cutoffHz, double resonance) {
    const double fc = std::clamp(cutoffHz, 20.0, kRate * 0.2);
    f_ = static_cast<float>(2.0 * std::sin(kPi * fc / (2.0 * kRate)));
    q_ = static_cast<float>(2.0 * (1.0 - std::clamp(resonance, 0.0, 0.95)));
    q_ = std::max(q_, 0.1f);
}

void Svf::step(float in) {
    for (int k = 0; k < 2; ++k) {
        low_ += f_ * band_;
        high_ = in - low_ - q_ * band_;
        band_ += f_ * high_;
    }
}

float Svf::lowpass(float in) {
    step(in);
    return low_;
}

float Svf::highpass(float in) {
    step(in);
    return high_;
}

float Svf::bandpass(float in) {
    step(in);
    return band_;
}

void OnePole::setup(double cutoffHz) {
    a_ = static_cast<float>(1.0 - std::exp(-2.0 * kPi * cutoffHz / kRate));
}

float OnePole::process(float in) {
    z_ += a_ * (in - z_);
    return z_;
}

void pingPongDelay(Stereo& audio, size_t delayFrames, float feedback, float mix) {
    if (delayFrames == 0) return;
    std::vector<float> lineL(delayFrames, 0.f), lineR(delayFrames, 0.f);
    OnePole damp[2];
    damp[0].setup(3500);
    damp[1].setup(3500);
    size_t pos = 0;
    for (size_t i = 0; i < audio.frames(); ++i) {
        const float dl = lineL[pos], dr = lineR[pos];
        // The left input feeds the right line and back: echoes alternate sides.
        lineL[pos] = damp[0].process(audio.right[i] * 0.5f + dr * feedback);
        lineR[pos] = damp[1].process(audio.left[i] * 0.5f + dl * feedback);
        audio.left[i] += mix * dl;
        audio.right[i] += mix * dr;
        pos = (pos + 1) % delayFrames;
    }
}

void fadeEdges(Stereo& audio, size_t fadeInFrames, size_t fadeOutFrames) {
    const size_t n = audio.frames();
    for (size_t i = 0; i < fadeInFrames && i < n; ++i) {
        const float g = float(i) / float(fadeInFrames);
        audio.left[i] *= g;
        audio.right[i] *= g;
    }
    for (size_t i = 0; i < fadeOutFrames && i < n; ++i) {
        const float g = float(i) / float(fadeOutFrames);
        audio.left[n - 1 - i] *= g;
        audio.right[n - 1 - i] *= g;
    }
}

} // namespace dsynth
