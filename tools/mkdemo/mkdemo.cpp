// mkdemo: writes a small demo mix package with synthesized drums, bass, chords and a lead.
//
// Every clip lasts one section (two bars at 120 bpm) over the same progression (Am F C G), so
// any combination the solver picks lines up. Drums are PCM WAV, the other parts ADPCM.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "mxp4writer/adpcm_encode.h"
#include "mxp4writer/wav_bytes.h"
#include "mxp4writer/writer.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBeat = kRate / 2; // 120 bpm
constexpr int kSection = 8 * kBeat;
constexpr double kPi = 3.14159265358979323846;

// Chord of each half bar: root, third, fifth (Hz, octave 3).
constexpr double kChords[4][3] = {
    {220.00, 261.63, 329.63}, // Am
    {174.61, 220.00, 261.63}, // F
    {130.81, 164.81, 196.00}, // C
    {196.00, 246.94, 293.66}, // G
};

class Track {
  public:
    explicit Track(int frames) : l_(frames), r_(frames) {}
    int frames() const { return static_cast<int>(l_.size()); }
    // Adds a mono signal `f(t)` (t in seconds from `start`) panned from -1 (left) to 1 (right).
    template <typename F> void add(int start, int length, double pan, F f) {
        double gl = std::sqrt((1 - pan) / 2), gr = std::sqrt((1 + pan) / 2);
        for (int i = 0; i < length; ++i) {
            int at = start + i;
            if (at < 0 || at >= frames()) continue;
            double v = f(double(i) / kRate);
            l_[at] += gl * v;
            r_[at] += gr * v;
        }
    }
    std::vector<int16_t> pcm(double gain) const {
        std::vector<int16_t> out(2 * l_.size());
        for (size_t i = 0; i < l_.size(); ++i) {
            out[2 * i] = toSample(l_[i] * gain);
            out[2 * i + 1] = toSample(r_[i] * gain);
        }
        return out;
    }

  private:
    static int16_t toSample(double v) {
        return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
    }
    std::vector<double> l_, r_;
};

// Reproducible white noise in -1..1.
class Noise {
  public:
    double next() {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 17;
        x_ ^= x_ << 5;
        return double(x_) / 2147483648.0 - 1.0;
    }

  private:
    uint32_t x_ = 0x2545F491;
};

double env(double t, double attack, double decay) {
    return (t < attack ? t / attack : 1.0) * std::exp(-t / decay);
}

void kick(Track& tr, int at) {
    tr.add(at, kRate / 3, 0, [](double t) {
        double phase = 2 * kPi * (45 * t + 75 * 0.04 * (1 - std::exp(-t / 0.04)));
        return 0.9 * std::sin(phase) * env(t, 0.002, 0.12);
    });
}

void snare(Track& tr, int at, Noise& n) {
    tr.add(at, kRate / 4, 0.1, [&n](double t) {
        return (0.45 * n.next() + 0.3 * std::sin(2 * kPi * 185 * t)) * env(t, 0.001, 0.07);
    });
}

void hat(Track& tr, int at, Noise& n, double amp) {
    double prev = 0;
    tr.add(at, kRate / 16, -0.3, [&n, &prev, amp](double t) {
        double x = n.next(), hp = x - prev; // first difference: a crude high-pass
        prev = x;
        return amp * hp * env(t, 0.0005, 0.018);
    });
}

// A one-bar pattern of 16 sixteenths, played twice: 'k' kick, 's' snare, 'b' both, 'h' hat,
// 'o' open hat, '.' rest.
Track drums(const std::string& bar) {
    Track tr(kSection);
    Noise n;
    for (int rep = 0; rep < 2; ++rep)
        for (size_t i = 0; i < bar.size(); ++i) {
            int at = rep * 4 * kBeat + static_cast<int>(i) * kBeat / 4;
            switch (bar[i]) {
            case 'k':
                kick(tr, at);
                hat(tr, at, n, 0.12);
                break;
            case 's':
                snare(tr, at, n);
                hat(tr, at, n, 0.12);
                break;
            case 'b':
                kick(tr, at);
                snare(tr, at, n);
                break;
            case 'h':
                hat(tr, at, n, 0.15);
                break;
            case 'o':
                hat(tr, at, n, 0.3);
                break;
            default:
                break;
            }
        }
    return tr;
}

double softSaw(double phase) { // few harmonics: round, no aliasing
    return std::sin(phase) + std::sin(2 * phase) / 2 + std::sin(3 * phase) / 3;
}

// Bass: the chord root an octave down, one note per `step` frames.
Track bass(int step, double decay) {
    Track tr(kSection);
    for (int at = 0; at < kSection; at += step) {
        double f = kChords[(at / (2 * kBeat)) % 4][0] / 2;
        tr.add(at, step, 0, [f, decay](double t) {
            return 0.35 * softSaw(2 * kPi * f * t) * env(t, 0.005, decay);
        });
    }
    return tr;
}

Track pad() {
    Track tr(kSection);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 3; ++k) {
            double f = kChords[c][k], pan = (k - 1) * 0.6;
            tr.add(c * 2 * kBeat, 2 * kBeat, pan, [f](double t) {
                double fade = std::min(1.0, std::min(t / 0.08, (1.0 - t) / 0.08));
                return 0.12 * fade *
                       (std::sin(2 * kPi * f * t) + 0.5 * std::sin(2 * kPi * 1.003 * f * t));
            });
        }
    return tr;
}

Track stabs() {
    Track tr(kSection);
    for (int e = 1; e < 16; e += 2) { // off-beat eighths
        int at = e * kBeat / 2;
        const double* chord = kChords[(at / (2 * kBeat)) % 4];
        for (int k = 0; k < 3; ++k) {
            double f = 2 * chord[k];
            tr.add(at, kBeat / 2, 0.4, [f](double t) {
                return 0.12 * std::sin(2 * kPi * f * t + 0.3 * std::sin(2 * kPi * 2 * f * t)) *
                       env(t, 0.002, 0.06);
            });
        }
    }
    return tr;
}

// Lead: (semitones above A4 or -99 for a rest, length in eighths) pairs from `start`.
Track lead(const std::vector<std::pair<int, int>>& notes, int start, int frames) {
    Track tr(frames);
    int at = start;
    for (auto [semi, eighths] : notes) {
        int len = eighths * kBeat / 2;
        if (semi != -99) {
            double f = 440.0 * std::pow(2.0, semi / 12.0);
            tr.add(at, len, -0.2, [f, len](double t) {
                double vib = 1 + 0.004 * std::sin(2 * kPi * 5.5 * t);
                double release = std::min(1.0, (double(len) / kRate - t) / 0.03);
                return 0.2 * std::max(release, 0.0) * env(t, 0.01, 0.6) *
                       (std::sin(2 * kPi * f * vib * t) + 0.25 * std::sin(4 * kPi * f * vib * t));
            });
        }
        at += len;
    }
    return tr;
}

struct Demo {
    mxp4w::PackageWriter w;

    int resource(const std::string& name, int kind, const Track& tr, double gain) {
        mxp4w::Resource r;
        r.kind = static_cast<int16_t>(kind);
        r.name = w.addString(name);
        r.data =
            kind == 2 ? mxp4w::wavBytes(tr.pcm(gain), 2, kRate) : mxp4w::adpcmEncode(tr.pcm(gain));
        w.resources.push_back(std::move(r));
        return static_cast<int>(w.resources.size()) - 1;
    }

    // Adds a clip and the option that plays it; returns the option index.
    int option(const std::string& name, int weight, int res, int startOffset, int audioLength,
               int keepMin, int keepMax, int comment = -1, int commentWeight = 0) {
        mxp4w::Clip c;
        c.sectionLength = kSection;
        c.audioLength = audioLength;
        c.startOffset = startOffset;
        c.keepMin = keepMin;
        c.keepMax = keepMax;
        c.option = static_cast<int32_t>(w.options.size());
        c.name = w.addString(name);
        c.resource = res;
        c.commentFirst = comment;
        c.commentWeight = commentWeight;
        w.clips.push_back(c);
        w.options.push_back({static_cast<int32_t>(w.clips.size()) - 1, c.name, weight});
        return static_cast<int>(w.options.size()) - 1;
    }

    int silence(const std::string& name, int weight) {
        w.options.push_back({-1, w.addString(name), weight});
        return static_cast<int>(w.options.size()) - 1;
    }

    void node(const std::string& name, int firstOption, int relationFirst = 0,
              int relationCount = 0) {
        mxp4w::Node n;
        n.optionFirst = firstOption;
        n.optionCount = static_cast<int32_t>(w.options.size()) - firstOption;
        n.relationFirst = relationFirst;
        n.relationCount = relationCount;
        n.name = w.addString(name);
        w.nodes.push_back(n);
    }

    void track(const std::string& name, int flags, int node) {
        mxp4w::Track t;
        t.flags = flags;
        t.keepPriority = 50;
        t.node = node;
        t.name = w.addString(name);
        w.tracks.push_back(t);
    }
};

int32_t fixed16(double v) {
    return static_cast<int32_t>(std::lround(v * 65536));
}

mxp4w::PackageWriter build() {
    Demo d;
    mxp4w::PackageWriter& w = d.w;
    w.header[2] = w.header[3] = -1;
    w.header[6] = kRate;
    // Gentle peak compressor: 2:1 above -10 dB, a little make-up.
    w.header[4] = 2;
    w.header[14] = fixed16(-10);
    w.header[15] = fixed16(0.5);
    w.header[16] = fixed16(0.005);
    w.header[17] = fixed16(0.25);
    w.header[18] = fixed16(2);
    w.header[19] = fixed16(1);
    // Comment texts: a weight is the number of consecutive texts to draw from.
    w.header[12] = w.addText({"Bienvenue dans le mix", "Welcome to the mix"});
    w.addText({"Changez d'ambiance avec les habillages", "Change the mood with the skins"});
    w.header[13] = 2;
    int theme = w.addText({"Le thème revient", "The theme comes back"});
    w.addText({"La mélodie s'envole", "The melody takes off"});

    const int straight = d.resource("drums_straight.wav", 2, drums("khhhshhkkhkhshho"), 0.8);
    const int busy = d.resource("drums_busy.wav", 2, drums("khohshokkhohshoh"), 0.8);
    const int sparse = d.resource("drums_sparse.wav", 2, drums("k.......s......."), 0.8);
    const int walk = d.resource("bass_walk.adp", 4, bass(kBeat / 2, 0.25), 0.9);
    const int pulse = d.resource("bass_pulse.adp", 4, bass(kBeat, 0.5), 0.9);
    const int padRes = d.resource("chords_pad.adp", 4, pad(), 0.9);
    const int stabRes = d.resource("chords_stabs.adp", 4, stabs(), 0.9);
    const int themeRes = d.resource(
        "lead_theme.adp", 4,
        lead({{0, 3}, {3, 1}, {7, 2}, {5, 2}, {3, 2}, {0, 2}, {-5, 2}, {-2, 2}}, 0, kSection), 0.9);
    // The answer starts with a one-eighth pickup before the section boundary.
    const int pickup = kBeat / 2;
    const int answerRes =
        d.resource("lead_answer.adp", 4,
                   lead({{-5, 1}, {0, 2}, {-2, 2}, {-4, 4}, {-99, 2}, {3, 2}, {2, 2}, {-2, 2}}, 0,
                        kSection + pickup),
                   0.9);

    // Node 0, drums (master: its clips set the section length).
    const int drumsFirst = d.option("drums straight", 256, straight, 0, kSection, 2, 4);
    const int drumsBusy = d.option("drums busy", 160, busy, 0, kSection, 1, 2);
    const int drumsSparse = d.option("drums sparse", 96, sparse, 0, kSection, 1, 2);
    d.node("drums", drumsFirst);

    // Node 1, bass; a relation keeps the walking bass away from the sparse beat.
    const int bassFirst = d.option("bass walk", 200, walk, 0, kSection, 2, 4);
    d.option("bass pulse", 256, pulse, 0, kSection, 2, 4);
    d.silence("no bass", 48);
    // Rows: drums option (straight, busy, sparse, none); columns: bass option.
    int bassMatrix = w.addMatrix({128, 128, 128, //
                                  200, 100, 60,  //
                                  0, 160, 160,   //
                                  128, 128, 128});
    w.relations.push_back({0, 0, 0, bassMatrix, 0, 0, w.addString("bass follows drums")});
    d.node("bass", bassFirst, 0, 1);

    // Node 2, chords.
    const int chordsFirst = d.option("chords pad", 256, padRes, 0, kSection, 2, 3);
    d.option("chords stabs", 200, stabRes, 0, kSection, 1, 3);
    d.silence("no chords", 64);
    d.node("chords", chordsFirst);

    // Node 3, lead: rests more often over silent chords (a soft rule, priority 5).
    const int leadFirst = d.option("lead theme", 200, themeRes, 0, kSection, 1, 2, theme, 2);
    d.option("lead answer", 160, answerRes, -pickup, kSection + pickup, 1, 2);
    d.silence("no lead", 200);
    int leadMatrix = w.addMatrix({128, 128, 100, //
                                  160, 128, 100, //
                                  40, 40, 255,   //
                                  128, 128, 128});
    w.relations.push_back({0, 2, 5, leadMatrix, 0, 0, w.addString("lead over chords")});
    d.node("lead", leadFirst, 1, 1);

    d.track("Batterie", 3, 0);
    d.track("Basse", 2, 1);
    d.track("Accords", 2, 2);
    d.track("Mélodie", 2, 3);

    auto skin = [&](int option, int priority, const std::string& fr, const std::string& en) {
        mxp4w::Skin s;
        s.option = option;
        s.priority = priority;
        s.displayName = w.addText({fr, en});
        w.skins.push_back(s);
    };
    skin(drumsBusy, 10, "Énergique", "Energetic");
    skin(drumsSparse, 10, "Calme", "Calm");
    skin(leadFirst, 20, "Mélodie", "Melody");
    return w;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkdemo OUT.mxp4\n");
        return 2;
    }
    std::string error;
    if (!build().write(argv[1], &error)) {
        std::fprintf(stderr, "mkdemo: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
