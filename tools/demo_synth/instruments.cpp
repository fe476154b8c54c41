// Instruments of the demo synthesizer: drum voices, bass, keys, lead and pad.
#include "instruments.h"

#include <algorithm>
#include <cmath>

namespace dsynth {
namespace {

size_t seconds(double s) {
    return static_cast<size_t>(s * kRate);
}
double timeOf(size_t i) {
    return double(i) / kRate;
}

} // namespace

std::vector<float> kick(const DrumKit& kit, float velocity) {
    std::vector<float> out(seconds(kit.kickDecay * 2.0));
    Noise noise(0x51ED);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        const double hz =
            kit.kickEndHz + (kit.kickStartHz - kit.kickEndHz) * std::exp(-t / kit.kickPitchDecay);
        phase += hz / kRate;
        const double body = std::sin(2.0 * kPi * phase) * std::exp(-3.0 * t / kit.kickDecay);
        const double click = kit.kickClick * noise.next() * std::exp(-t / 0.0015);
        out[i] = velocity * softClip(static_cast<float>(kit.kickDrive * (body + click))) / 1.1f;
    }
    return out;
}

std::vector<float> snare(const DrumKit& kit, float velocity, uint32_t seed) {
    std::vector<float> out(seconds(kit.snareDecay * 2.5));
    Noise noise(seed);
    Svf filter;
    filter.setup(kit.snareCutoff, 0.2);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        const double tone = (std::sin(2.0 * kPi * kit.snareToneHz * t) +
                             0.5 * std::sin(2.0 * kPi * kit.snareToneHz * 1.6 * t)) *
                            std::exp(-t / 0.045);
        const double rattle = filter.bandpass(noise.next()) * std::exp(-3.0 * t / kit.snareDecay);
        out[i] = velocity * static_cast<float>(kit.snareTone * tone + kit.snareNoise * rattle);
    }
    return out;
}

std::vector<float> clap(const DrumKit& kit, float velocity, uint32_t seed) {
    std::vector<float> out(seconds(0.3));
    Noise noise(seed);
    Svf filter;
    filter.setup(1300.0, 0.4);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        // Three quick bursts then a diffuse tail: the smear of several hands.
        double env = std::exp(-(t - 0.0) / 0.007);
        if (t >= 0.011) env = std::exp(-(t - 0.011) / 0.007);
        if (t >= 0.022)
            env = std::max(std::exp(-(t - 0.022) / 0.007), 0.6 * std::exp(-(t - 0.022) / 0.11));
        out[i] = velocity * static_cast<float>(1.6 * filter.bandpass(noise.next()) * env);
    }
    (void)kit;
    return out;
}

std::vector<float> hat(const DrumKit& kit, float velocity, bool open, uint32_t seed) {
    const double decay = open ? kit.openHatDecay : kit.hatDecay;
    std::vector<float> out(seconds(decay * 2.5));
    Noise noise(seed);
    Svf filter;
    filter.setup(kit.hatCutoff, 0.1);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        out[i] = velocity * static_cast<float>(filter.highpass(noise.next()) *
                                               std::exp(-3.0 * t / decay) * 0.6);
    }
    return out;
}

std::vector<float> bassNote(const BassPatch& patch, int midi, size_t holdFrames, float velocity) {
    std::vector<float> out(holdFrames + patch.amp.tailFrames());
    Oscillator osc(patch.wave), sub(Oscillator::Wave::Sine);
    Svf filter;
    const double hz = midiToHz(midi);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        if (i % 16 == 0)
            filter.setup(patch.cutoff + patch.envCutoff * std::exp(-t / patch.envDecay),
                         patch.resonance);
        const float raw = osc.next(hz) + patch.sub * sub.next(hz / 2.0);
        const float shaped = softClip(patch.drive * filter.lowpass(raw) * 0.7f);
        out[i] = velocity * shaped * patch.amp.at(i, holdFrames);
    }
    return out;
}

std::vector<float> keysNote(const KeysPatch& patch, int midi, size_t holdFrames, float velocity,
                            uint32_t seed) {
    std::vector<float> out(holdFrames + patch.amp.tailFrames());
    const double hz = midiToHz(midi);
    const float b = patch.brightness;
    switch (patch.type) {
    case KeysType::ElectricPiano: {
        // Two-operator FM with a decaying index: a bell-like attack that mellows.
        for (size_t i = 0; i < out.size(); ++i) {
            const double t = timeOf(i);
            const double index = (0.6 + 2.0 * b) * std::exp(-t / 0.35) + 0.15;
            const double mod = index * std::sin(2.0 * kPi * hz * t);
            const double tine = 0.12 * b * std::sin(2.0 * kPi * hz * 7.0 * t) * std::exp(-t / 0.05);
            out[i] = velocity * patch.amp.at(i, holdFrames) *
                     static_cast<float>(std::sin(2.0 * kPi * hz * t + mod) + tine) * 0.7f;
        }
        break;
    }
    case KeysType::Organ: {
        const double weights[4] = {1.0, 0.55 * b + 0.2, 0.3, 0.25 * b};
        for (size_t i = 0; i < out.size(); ++i) {
            const double t = timeOf(i);
            double v = 0.0;
            for (int h = 0; h < 4; ++h) v += weights[h] * std::sin(2.0 * kPi * hz * (h + 1) * t);
            out[i] = velocity * patch.amp.at(i, holdFrames) * static_cast<float>(v * 0.45);
        }
        break;
    }
    case KeysType::Pluck: {
        // Karplus-Strong string: a noise burst circulating in a damped delay line. The two-tap
        // average delays by half a sample, so the line is half a sample shorter than the period.
        const size_t period = std::max<size_t>(2, static_cast<size_t>(kRate / hz));
        std::vector<float> line(period);
        Noise noise(seed);
        OnePole tone[2];
        tone[0].setup(500.0 + 2500.0 * b);
        tone[1].setup(500.0 + 2500.0 * b);
        for (float& s : line) s = 1.6f * tone[1].process(tone[0].process(noise.next()));
        const float damping = 0.4985f + 0.0012f * b;
        size_t pos = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            const size_t next = (pos + 1) % period;
            const float y = line[pos];
            line[pos] = damping * (line[pos] + line[next]);
            pos = next;
            out[i] = velocity * patch.amp.at(i, holdFrames) * y * 0.9f;
        }
        break;
    }
    case KeysType::Stab: {
        Oscillator a(Oscillator::Wave::Saw), c(Oscillator::Wave::Saw);
        a.reset(0.1);
        c.reset(0.6);
        Svf filter;
        for (size_t i = 0; i < out.size(); ++i) {
            const double t = timeOf(i);
            if (i % 16 == 0) filter.setup(350.0 + 3500.0 * b * std::exp(-t / 0.09), 0.35);
            const float raw = 0.5f * (a.next(hz * 1.003) + c.next(hz * 0.997));
            out[i] = velocity * patch.amp.at(i, holdFrames) * filter.lowpass(raw);
        }
        break;
    }
    }
    return out;
}

std::vector<float> leadNote(const LeadPatch& patch, int midi, size_t holdFrames, float velocity) {
    std::vector<float> out(holdFrames + patch.amp.tailFrames());
    Oscillator a(patch.wave), c(patch.wave);
    c.reset(0.37);
    Svf filter;
    filter.setup(patch.cutoff, 0.25);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        // Vibrato fades in after the attack, as a player would add it.
        const double depth = patch.vibratoDepth * std::clamp((t - 0.15) / 0.3, 0.0, 1.0);
        const double bend = depth * std::sin(2.0 * kPi * patch.vibratoHz * t);
        const double hz = midiToHz(midi + bend);
        const double hz2 = midiToHz(midi + bend + patch.detune);
        const float raw = 0.5f * (a.next(hz) + c.next(hz2));
        out[i] = velocity * patch.amp.at(i, holdFrames) * filter.lowpass(raw);
    }
    return out;
}

Stereo padNote(const PadPatch& patch, int midi, size_t holdFrames, float velocity) {
    Stereo out(holdFrames + patch.amp.tailFrames());
    const double hz = midiToHz(midi);
    for (int side = 0; side < 2; ++side) {
        std::vector<float>& dst = side == 0 ? out.left : out.right;
        Oscillator osc[3] = {Oscillator(patch.wave), Oscillator(patch.wave),
                             Oscillator(patch.wave)};
        const double cents[3] = {-patch.detuneCents, 0.0, patch.detuneCents};
        for (int k = 0; k < 3; ++k) osc[k].reset(0.13 * (k + 1) + 0.29 * side);
        Svf filter;
        filter.setup(patch.cutoff, 0.1);
        const double sideShift = side == 0 ? -0.3 : 0.3; // cents: decorrelates the two sides
        for (size_t i = 0; i < dst.size(); ++i) {
            float v = 0.f;
            for (int k = 0; k < 3; ++k)
                v += osc[k].next(hz * std::pow(2.0, (cents[k] + sideShift) / 1200.0));
            dst[i] = velocity * patch.amp.at(i, holdFrames) * filter.lowpass(v / 3.f);
        }
    }
    return out;
}

} // namespace dsynth
