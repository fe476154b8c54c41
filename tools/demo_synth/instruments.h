// Instruments of the demo synthesizer: each renders one hit or note to a fresh buffer, which the
// song code places on the time line. Patches are plain structs so the songs can vary timbres.
#pragma once
#include <cstdint>
#include <vector>

#include "synth.h"

namespace dsynth {

struct DrumKit {
    float kickStartHz = 150.f, kickEndHz = 50.f, kickPitchDecay = 0.04f, kickDecay = 0.32f;
    float kickClick = 0.25f, kickDrive = 1.3f;
    float snareToneHz = 190.f, snareTone = 0.5f, snareNoise = 0.7f, snareDecay = 0.15f;
    float snareCutoff = 4500.f;
    float hatDecay = 0.04f, openHatDecay = 0.22f, hatCutoff = 7500.f;
};

std::vector<float> kick(const DrumKit& kit, float velocity);
std::vector<float> snare(const DrumKit& kit, float velocity, uint32_t seed);
std::vector<float> clap(const DrumKit& kit, float velocity, uint32_t seed);
std::vector<float> hat(const DrumKit& kit, float velocity, bool open, uint32_t seed);

struct BassPatch {
    Oscillator::Wave wave = Oscillator::Wave::Saw;
    float sub = 0.5f;         // level of a sine one octave below
    float cutoff = 400.f;     // filter cut-off at rest, Hz
    float envCutoff = 1200.f; // extra cut-off at the note start, decaying
    float envDecay = 0.12f;
    float resonance = 0.3f;
    float drive = 1.2f;
    Adsr amp{0.004f, 0.3f, 0.6f, 0.06f};
};
std::vector<float> bassNote(const BassPatch& patch, int midi, size_t holdFrames, float velocity);

enum class KeysType { ElectricPiano, Organ, Pluck, Stab };
struct KeysPatch {
    KeysType type = KeysType::ElectricPiano;
    float brightness = 0.5f; // 0 dark .. 1 bright
    Adsr amp{0.003f, 1.2f, 0.25f, 0.3f};
};
std::vector<float> keysNote(const KeysPatch& patch, int midi, size_t holdFrames, float velocity,
                            uint32_t seed);

struct LeadPatch {
    Oscillator::Wave wave = Oscillator::Wave::Square;
    float cutoff = 2500.f;
    float vibratoDepth = 0.15f; // semitones
    float vibratoHz = 5.0f;
    float detune = 0.08f; // semitones between the two oscillators
    Adsr amp{0.01f, 0.3f, 0.7f, 0.15f};
};
std::vector<float> leadNote(const LeadPatch& patch, int midi, size_t holdFrames, float velocity);

struct PadPatch {
    float detuneCents = 12.f;
    float cutoff = 1400.f;
    Oscillator::Wave wave = Oscillator::Wave::Saw;
    Adsr amp{0.35f, 0.5f, 0.85f, 0.45f};
};
// A stereo note: each side has its own detuned oscillators, which gives the pad its width.
Stereo padNote(const PadPatch& patch, int midi, size_t holdFrames, float velocity);

} // namespace dsynth
