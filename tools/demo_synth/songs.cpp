// The demo songs: harmonies, patterns, timbres and levels of every stem.
#include "songs.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "instruments.h"

namespace dsynth {
namespace {

constexpr int kLoopSteps = kLoopBars * kStepsPerBar;

struct Chord {
    int bass;               // MIDI note of the bass root
    std::vector<int> notes; // voicing of the keys and the pad
};
const Chord kAm{45, {57, 60, 64}};
const Chord kF{41, {57, 60, 65}};
const Chord kC{48, {55, 60, 64}};
const Chord kG{43, {55, 59, 62}};
const Chord kDm{38, {53, 57, 62}};
const Chord kE{40, {56, 59, 64}};

// Chords of a loop, each lasting `span` steps.
struct Harmony {
    std::vector<Chord> chords;
    int span;
    const Chord& at(int step) const { return chords[size_t(step / span) % chords.size()]; }
};
const Harmony kHomeA{{kAm, kF}, 16};
const Harmony kHomeB{{kC, kG}, 16};
const Harmony kHomeC{{kDm, kE}, 16};
const Harmony kTable{{kAm, kF, kC, kG}, 8};

struct Hit {
    int step;   // relative to the chord's start for chord-based parts, else to the loop
    int length; // steps
    int value;  // interval above the root (bass), MIDI note (lead), unused otherwise
    float velocity;
};

size_t stepFrames(int steps) {
    return size_t(steps) * kStepFrames;
}

// A kick's asymmetric swing and the integrated triangle leave a small offset that would only
// eat headroom in the mix: a gentle high-pass (about 10 Hz) takes it out.
void removeDc(Stereo& audio) {
    constexpr float kPole = 0.9985f;
    for (std::vector<float>* ch : {&audio.left, &audio.right}) {
        float previousIn = 0.f, previousOut = 0.f;
        for (float& v : *ch) {
            const float out = v - previousIn + kPole * previousOut;
            previousIn = v;
            previousOut = out;
            v = out;
        }
    }
}

// Level matching: scales a stem to a loudness (RMS over the loop, dBFS) with a peak limit, so
// that alternative clips of one layer sit at the same level.
void setLevel(Stereo& audio, double rmsDb, float peakLimit) {
    removeDc(audio);
    double sum = 0.0;
    const size_t n = std::min<size_t>(audio.frames(), kLoopFrames);
    for (size_t i = 0; i < n; ++i)
        sum +=
            0.5 * (double(audio.left[i]) * audio.left[i] + double(audio.right[i]) * audio.right[i]);
    const double rms = std::sqrt(sum / double(std::max<size_t>(n, 1)));
    if (rms <= 0.0) return;
    float gain = static_cast<float>(std::pow(10.0, rmsDb / 20.0) / rms);
    const float peak = audio.peak() * gain;
    if (peak > peakLimit) gain *= peakLimit / peak;
    audio.scale(gain);
}

// ---- drums -------------------------------------------------------------------------------

// One character per step; a 16-character line repeats in the second bar.
// 'X' accent, 'x' normal, 'o' ghost, 'O' open hat, '.' rest.
struct DrumPattern {
    std::string kick, snare, clap, hat;
};

float velocityOf(char c) {
    switch (c) {
    case 'X':
        return 1.0f;
    case 'x':
        return 0.75f;
    case 'o':
        return 0.35f;
    case 'O':
        return 0.7f;
    default:
        return 0.0f;
    }
}

Stereo drums(const DrumKit& kit, const DrumPattern& p, double level) {
    Stereo out(kStemFrames);
    auto line = [](const std::string& s, int step) {
        if (s.empty()) return '.';
        return s[size_t(step) % s.size()];
    };
    uint32_t seed = 7;
    for (int step = 0; step < kLoopSteps; ++step) {
        const size_t at = stepFrames(step);
        // A little swing on the off sixteenths keeps the machine from sounding stiff.
        const size_t swing = (step % 2) ? kStepFrames / 12 : 0;
        if (char c = line(p.kick, step); c != '.')
            out.addMono(kick(kit, velocityOf(c)), at, 1.f, 0.f);
        if (char c = line(p.snare, step); c != '.')
            out.addMono(snare(kit, velocityOf(c), ++seed), at + swing, 0.8f, -0.12f);
        if (char c = line(p.clap, step); c != '.')
            out.addMono(clap(kit, velocityOf(c), ++seed), at + swing, 0.8f, 0.1f);
        if (char c = line(p.hat, step); c != '.')
            out.addMono(hat(kit, velocityOf(c), c == 'O', ++seed), at + swing, 0.55f, 0.35f);
    }
    setLevel(out, level, 0.6f);
    return out;
}

// ---- pitched parts -----------------------------------------------------------------------

Stereo bass(const BassPatch& patch, const Harmony& h, const std::vector<Hit>& perChord) {
    Stereo out(kStemFrames);
    for (int start = 0; start < kLoopSteps; start += h.span) {
        const Chord& chord = h.at(start);
        for (const Hit& hit : perChord)
            out.addMono(
                bassNote(patch, chord.bass + hit.value, stepFrames(hit.length), hit.velocity),
                stepFrames(start + hit.step), 1.f, 0.f);
    }
    setLevel(out, -20.5, 0.45f);
    return out;
}

// Chord hits; `strumFrames` > 0 spreads the notes as a guitar strum does.
Stereo keys(const KeysPatch& patch, const Harmony& h, const std::vector<Hit>& perChord,
            size_t strumFrames, float echo) {
    Stereo out(kStemFrames);
    uint32_t seed = 11;
    for (int start = 0; start < kLoopSteps; start += h.span) {
        const Chord& chord = h.at(start);
        for (const Hit& hit : perChord) {
            for (size_t k = 0; k < chord.notes.size(); ++k) {
                const float pan = (float(k) - 1.f) * 0.35f;
                out.addMono(
                    keysNote(patch, chord.notes[k], stepFrames(hit.length), hit.velocity, ++seed),
                    stepFrames(start + hit.step) + k * strumFrames, 0.6f, pan);
            }
        }
    }
    if (echo > 0.f) pingPongDelay(out, stepFrames(3), 0.35f, echo);
    setLevel(out, -24.0, 0.35f);
    return out;
}

// Broken chords: the chord tones climbing in steady notes of `every` steps.
Stereo arpeggio(const KeysPatch& patch, const Harmony& h, int every, int octave) {
    Stereo out(kStemFrames);
    uint32_t seed = 23;
    int k = 0;
    for (int step = 0; step < kLoopSteps; step += every, ++k) {
        const Chord& chord = h.at(step);
        const size_t n = chord.notes.size();
        const int note = chord.notes[size_t(k) % n] + 12 * (octave + int((size_t(k) / n) % 2));
        const float pan = (k % 2) ? 0.3f : -0.3f;
        out.addMono(keysNote(patch, note, stepFrames(every), k % 4 == 0 ? 0.9f : 0.65f, ++seed),
                    stepFrames(step), 0.6f, pan);
    }
    pingPongDelay(out, stepFrames(3), 0.3f, 0.25f);
    setLevel(out, -24.5, 0.35f);
    return out;
}

// A melody over `bars` bars (a longer phrase spans several sections).
Stereo lead(const LeadPatch& patch, const std::vector<Hit>& notes, float echo, double level,
            int bars = kLoopBars) {
    Stereo out(size_t(bars) * kBarFrames + kTailFrames);
    for (const Hit& n : notes)
        out.addMono(leadNote(patch, n.value, stepFrames(n.length), n.velocity), stepFrames(n.step),
                    0.7f, 0.f);
    if (echo > 0.f) pingPongDelay(out, stepFrames(3), 0.4f, echo);
    setLevel(out, level, 0.35f);
    return out;
}

// Fast broken chords one octave up, for the electronic lead.
std::vector<Hit> arpNotes(const Harmony& h) {
    std::vector<Hit> out;
    for (int step = 0; step < kLoopSteps; ++step) {
        const Chord& chord = h.at(step);
        const int order[4] = {0, 1, 2, 1};
        const int note = chord.notes[size_t(order[step % 4])] + 12 + (step % 8 >= 4 ? 12 : 0);
        out.push_back({step, 1, note, step % 4 == 0 ? 0.95f : 0.6f});
    }
    return out;
}

Stereo pad(const PadPatch& patch, const Harmony& h, double level) {
    Stereo out(kStemFrames);
    for (int start = 0; start < kLoopSteps; start += h.span) {
        for (int note : h.at(start).notes)
            out.add(padNote(patch, note, stepFrames(h.span), 0.6f), stepFrames(start), 1.f);
    }
    setLevel(out, level, 0.3f);
    return out;
}

// ---- the home music ----------------------------------------------------------------------

DrumKit homeKit() {
    DrumKit k;
    k.kickDecay = 0.3f;
    k.snareDecay = 0.14f;
    return k;
}

BassPatch homeBass() {
    BassPatch b;
    b.cutoff = 320.f;
    b.envCutoff = 900.f;
    return b;
}

KeysPatch homeKeys() {
    return KeysPatch{KeysType::ElectricPiano, 0.45f, {0.003f, 1.0f, 0.3f, 0.25f}};
}

LeadPatch homeLead() {
    LeadPatch l;
    l.cutoff = 2000.f;
    return l;
}

PadPatch homePad() {
    return PadPatch{};
}

const std::vector<Hit> kBassRoots = {{0, 3, 0, 1.f}, {3, 1, 0, .6f},  {6, 2, 0, .8f},
                                     {8, 2, 7, .8f}, {10, 2, 0, .8f}, {12, 2, 12, .7f},
                                     {14, 2, 7, .7f}};
const std::vector<Hit> kBassSyncop = {{0, 2, 0, 1.f}, {3, 2, 0, .8f},  {6, 1, 12, .6f},
                                      {7, 3, 0, .9f}, {10, 2, 7, .8f}, {13, 3, 0, .7f}};
const std::vector<Hit> kHomeStabs = {{0, 6, 0, 1.f}, {6, 2, 0, .6f}, {10, 6, 0, .8f}};

const std::vector<Hit> kLeadA = {
    {0, 3, 76, .9f},   {3, 1, 74, .7f},   {4, 4, 72, .85f}, {8, 4, 69, .8f},  {12, 2, 72, .7f},
    {14, 2, 74, .75f}, {16, 6, 69, .85f}, {22, 2, 72, .7f}, {24, 4, 77, .9f}, {28, 4, 76, .8f}};
const std::vector<Hit> kLeadB = {{0, 2, 67, .8f},  {2, 2, 72, .8f},  {4, 6, 76, .9f},
                                 {10, 2, 74, .7f}, {12, 4, 72, .8f}, {16, 4, 71, .85f},
                                 {20, 4, 74, .8f}, {24, 4, 79, .9f}, {28, 4, 74, .75f}};
// Four bars over the first chords twice: the theme, then its answer an octave up.
std::vector<Hit> longLeadA() {
    std::vector<Hit> notes = kLeadA;
    const std::vector<Hit> answer = {{32, 4, 81, .9f},  {36, 2, 79, .75f}, {38, 2, 76, .75f},
                                     {40, 8, 72, .85f}, {48, 4, 77, .9f},  {52, 4, 76, .8f},
                                     {56, 4, 72, .8f},  {60, 4, 69, .75f}};
    notes.insert(notes.end(), answer.begin(), answer.end());
    return notes;
}
const std::vector<Hit> kLeadC = {{0, 4, 77, .9f},  {4, 2, 76, .75f},  {6, 2, 74, .75f},
                                 {8, 8, 69, .85f}, {16, 4, 68, .85f}, {20, 4, 71, .8f},
                                 {24, 6, 76, .9f}, {30, 2, 74, .7f}};

// ---- the mix table's song: five styles over one progression --------------------------------

struct Style {
    DrumKit kit;
    DrumPattern drums;
    BassPatch bass;
    std::vector<Hit> bassLine; // per chord of 8 steps
    KeysPatch keys;
    std::vector<Hit> keysHits; // per chord
    size_t strum = 0;
    float keysEcho = 0.f;
    LeadPatch lead;
    std::vector<Hit> melody;
    float leadEcho = 0.f;
    PadPatch pad;
};

Style tableStyle(const std::string& name) {
    Style s;
    if (name == "acoustic") {
        s.kit.kickDecay = 0.26f;
        s.kit.kickDrive = 1.0f;
        s.kit.snareNoise = 0.45f;
        s.kit.snareCutoff = 3500.f;
        s.kit.hatCutoff = 8500.f;
        s.drums = {"X.......x.x.....", "....x.......x..o", "", "x.o.x.o.x.o.x.oo"};
        s.bass = {Oscillator::Wave::Triangle, 0.3f, 700.f, 400.f, 0.1f, 0.1f, 1.0f,
                  {0.01f, 0.4f, 0.5f, 0.12f}};
        s.bassLine = {{0, 5, 0, 1.f}, {6, 2, 7, .7f}};
        s.keys = {KeysType::Pluck, 0.35f, {0.001f, 1.0f, 1.0f, 0.2f}};
        s.keysHits = {{0, 3, 0, 1.f}, {3, 2, 0, .6f}, {6, 2, 0, .75f}};
        s.strum = 500;
        s.lead = {Oscillator::Wave::Triangle, 3000.f, 0.2f, 5.0f, 0.03f, {0.04f, 0.3f, 0.8f, 0.2f}};
        s.melody = {{0, 6, 76, .9f},  {6, 2, 72, .7f},   {8, 4, 69, .8f}, {12, 4, 72, .75f},
                    {16, 4, 67, .8f}, {20, 4, 76, .85f}, {24, 8, 74, .8f}};
        s.leadEcho = 0.15f;
        s.pad = {8.f, 1500.f, Oscillator::Wave::Triangle, {0.4f, 0.5f, 0.85f, 0.5f}};
    } else if (name == "electro") {
        s.kit.kickDrive = 1.8f;
        s.kit.kickDecay = 0.28f;
        s.kit.hatDecay = 0.03f;
        s.drums = {"X...X...X...X...", "", "....X.......X...", "o.O.o.O.o.O.o.Oo"};
        s.bass = {Oscillator::Wave::Saw,       0.4f, 300.f, 2400.f, 0.08f, 0.5f, 1.5f,
                  {0.002f, 0.15f, 0.5f, 0.05f}};
        s.bassLine = {{2, 2, 0, 1.f}, {6, 2, 0, .9f}, {7, 1, 12, .5f}};
        s.keys = {KeysType::Stab, 0.8f, {0.002f, 0.25f, 0.3f, 0.1f}};
        s.keysHits = {{2, 1, 0, 1.f}, {5, 1, 0, .7f}};
        s.keysEcho = 0.3f;
        s.lead = {Oscillator::Wave::Saw, 3200.f, 0.f, 5.f, 0.1f, {0.002f, 0.1f, 0.4f, 0.06f}};
        s.melody = arpNotes(kTable);
        s.leadEcho = 0.25f;
        s.pad = {14.f, 2400.f, Oscillator::Wave::Saw, {0.2f, 0.5f, 0.8f, 0.4f}};
    } else if (name == "rock") {
        s.kit.kickDrive = 2.0f;
        s.kit.snareNoise = 1.0f;
        s.kit.snareTone = 0.7f;
        s.kit.snareDecay = 0.2f;
        s.drums = {"X.....x.X.x.....", "....X.......X...", "", "x.x.x.x.x.x.x.x."};
        s.bass = {Oscillator::Wave::Square,   0.3f, 800.f, 700.f, 0.1f, 0.2f, 2.5f,
                  {0.003f, 0.2f, 0.7f, 0.04f}};
        s.bassLine = {{0, 2, 0, 1.f}, {2, 2, 0, .8f}, {4, 2, 0, .9f}, {6, 2, 0, .8f}};
        s.keys = {KeysType::Organ, 0.85f, {0.01f, 0.3f, 0.9f, 0.12f}};
        s.keysHits = {{0, 8, 0, .9f}};
        s.lead = {Oscillator::Wave::Saw, 2600.f, 0.25f, 5.5f, 0.12f, {0.005f, 0.3f, 0.8f, 0.1f}};
        s.melody = {{0, 3, 69, .9f},   {3, 3, 72, .8f},   {6, 2, 74, .85f}, {8, 3, 72, .9f},
                    {11, 3, 69, .8f},  {14, 2, 65, .75f}, {16, 3, 67, .9f}, {19, 3, 72, .8f},
                    {22, 2, 76, .85f}, {24, 3, 74, .9f},  {27, 3, 71, .8f}, {30, 2, 67, .75f}};
        s.pad = {10.f, 900.f, Oscillator::Wave::Square, {0.3f, 0.5f, 0.85f, 0.4f}};
    } else if (name == "dub") {
        s.kit.kickEndHz = 42.f;
        s.kit.kickDecay = 0.45f;
        s.kit.snareToneHz = 420.f;
        s.kit.snareTone = 0.9f;
        s.kit.snareNoise = 0.35f;
        s.kit.snareDecay = 0.06f;
        s.drums = {"........X.......", "........x.......", "", "x.xo..xox.xo..xO"};
        s.bass = {Oscillator::Wave::Sine,    0.2f, 300.f, 200.f, 0.1f, 0.f, 1.6f,
                  {0.01f, 0.5f, 0.8f, 0.08f}};
        s.bassLine = {{0, 4, 0, 1.f}, {5, 1, 7, .7f}, {6, 2, 12, .6f}};
        s.keys = {KeysType::Organ, 0.4f, {0.002f, 0.1f, 0.6f, 0.05f}};
        s.keysHits = {{2, 1, 0, .9f}, {6, 1, 0, .9f}};
        s.keysEcho = 0.45f;
        s.lead = {Oscillator::Wave::Square, 1800.f, 0.1f, 4.5f, 0.05f, {0.02f, 0.3f, 0.7f, 0.15f}};
        s.melody = {{2, 2, 76, .9f},  {6, 2, 74, .8f},  {10, 4, 72, .85f},
                    {18, 2, 77, .9f}, {22, 2, 76, .8f}, {26, 4, 74, .85f}};
        s.leadEcho = 0.5f;
        s.pad = {6.f, 700.f, Oscillator::Wave::Saw, {0.5f, 0.5f, 0.8f, 0.5f}};
    } else { // chill
        s.kit.kickDecay = 0.35f;
        s.kit.kickDrive = 1.0f;
        s.kit.snareNoise = 0.4f;
        s.kit.snareDecay = 0.2f;
        s.drums = {"X.........x.....", "....o.......x...", "", "..x...x...x...xo"};
        s.bass = {Oscillator::Wave::Sine,   0.1f, 400.f, 100.f, 0.1f, 0.f, 1.2f,
                  {0.02f, 0.6f, 0.8f, 0.2f}};
        s.bassLine = {{0, 7, 0, .9f}};
        s.keys = {KeysType::ElectricPiano, 0.3f, {0.005f, 1.4f, 0.35f, 0.4f}};
        s.keysHits = {{0, 7, 0, .85f}};
        s.keysEcho = 0.2f;
        s.lead = {Oscillator::Wave::Sine, 4000.f, 0.12f, 4.f, 0.f, {0.08f, 0.6f, 0.7f, 0.4f}};
        s.melody = {{0, 8, 81, .8f}, {8, 8, 77, .75f}, {16, 8, 79, .8f}, {24, 8, 74, .75f}};
        s.leadEcho = 0.4f;
        s.pad = {18.f, 1000.f, Oscillator::Wave::Saw, {0.6f, 0.5f, 0.9f, 0.6f}};
    }
    return s;
}

using Renderer = std::function<Stereo()>;

const std::vector<std::pair<std::string, Renderer>>& registry() {
    static const std::vector<std::pair<std::string, Renderer>> stems = [] {
        std::vector<std::pair<std::string, Renderer>> r;
        const DrumKit kit = homeKit();
        r.emplace_back("home_drums_basic", [kit] {
            return drums(kit,
                         {"X.......X.x.....X.......X.x...x.", "....X.......X.......X.......X.o.",
                          "", "x.x.x.x.x.x.x.x."},
                         -19.0);
        });
        r.emplace_back("home_drums_busy", [kit] {
            return drums(
                kit,
                {"X..x..x.X.x..x..", "....X..o....X..o", "", "xoxoxoxoxoxoxoxoxoxoxoxoxoxoxOxo"},
                -19.0);
        });
        r.emplace_back("home_drums_half", [kit] {
            return drums(
                kit,
                {"X.........x.....", "........X.......", "", "x.x.x.x.x.x.x.x.x.x.x.x.x.x.O..."},
                -20.0);
        });
        const BassPatch b = homeBass();
        r.emplace_back("home_bass_a", [b] { return bass(b, kHomeA, kBassRoots); });
        r.emplace_back("home_bass_a_syncop", [b] { return bass(b, kHomeA, kBassSyncop); });
        r.emplace_back("home_bass_b", [b] { return bass(b, kHomeB, kBassRoots); });
        r.emplace_back("home_bass_c", [b] { return bass(b, kHomeC, kBassRoots); });
        const KeysPatch k = homeKeys();
        r.emplace_back("home_keys_a", [k] { return keys(k, kHomeA, kHomeStabs, 0, 0.2f); });
        r.emplace_back("home_keys_a_arp", [k] { return arpeggio(k, kHomeA, 2, 0); });
        r.emplace_back("home_keys_b", [k] { return keys(k, kHomeB, kHomeStabs, 0, 0.2f); });
        r.emplace_back("home_keys_b_arp", [k] { return arpeggio(k, kHomeB, 2, 0); });
        r.emplace_back("home_keys_c", [k] { return keys(k, kHomeC, kHomeStabs, 0, 0.2f); });
        const LeadPatch l = homeLead();
        r.emplace_back("home_lead_a", [l] { return lead(l, kLeadA, 0.3f, -25.0); });
        r.emplace_back("home_lead_b", [l] { return lead(l, kLeadB, 0.3f, -25.0); });
        r.emplace_back("home_lead_c", [l] { return lead(l, kLeadC, 0.3f, -25.0); });
        r.emplace_back("home_lead_a_long", [l] { return lead(l, longLeadA(), 0.3f, -25.0, 4); });
        const PadPatch p = homePad();
        r.emplace_back("home_pad_a", [p] { return pad(p, kHomeA, -27.0); });
        r.emplace_back("home_pad_b", [p] { return pad(p, kHomeB, -27.0); });
        r.emplace_back("home_pad_c", [p] { return pad(p, kHomeC, -27.0); });

        for (const char* style : {"acoustic", "electro", "rock", "dub", "chill"}) {
            const std::string prefix = std::string("mxt_") + style + "_";
            const Style s = tableStyle(style);
            r.emplace_back(prefix + "drums", [s] { return drums(s.kit, s.drums, -19.0); });
            r.emplace_back(prefix + "bass", [s] { return bass(s.bass, kTable, s.bassLine); });
            r.emplace_back(prefix + "keys",
                           [s] { return keys(s.keys, kTable, s.keysHits, s.strum, s.keysEcho); });
            r.emplace_back(prefix + "lead",
                           [s] { return lead(s.lead, s.melody, s.leadEcho, -25.0); });
            r.emplace_back(prefix + "pad", [s] { return pad(s.pad, kTable, -27.0); });
        }
        return r;
    }();
    return stems;
}

} // namespace

std::vector<std::string> stemNames() {
    std::vector<std::string> names;
    for (const auto& [name, render] : registry()) names.push_back(name);
    return names;
}

bool renderStem(const std::string& name, Stereo& out) {
    for (const auto& [stemName, render] : registry()) {
        if (stemName != name) continue;
        out = render();
        fadeEdges(out, 16, 512);
        return true;
    }
    return false;
}

} // namespace dsynth
