// Package description: the JSON document mxp4pack reads, as plain structs. References between
// items are by name here; the builder resolves them to table indexes and reports what it cannot.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mxpack {

// A text with its language variants, French first then English (variant 0 is what the engine
// shows).
using Text = std::vector<std::string>;

enum class Encoding { Vorbis, Wav, Adpcm };
const char* encodingName(Encoding e);

// A reference to an option: node name, then the option's name or its index within the node.
struct OptionRef {
    std::string node;
    std::string option;  // empty when given by index
    int64_t index = -1;  // used when `option` is empty
    std::string written; // as written in the description, for error messages
};

struct DOption {
    std::string name;
    std::string clip; // empty: silence
    int64_t weight = 256;
};

// One affinity cell given by name: "other option" x "own option" = value. `other` empty means
// the row used when the other node has no option.
struct DCell {
    std::string other, own;
    int64_t value = 128;
};

struct DRelation {
    std::string name;
    std::string other;
    int64_t priority = 0;    // 0: always in force
    bool useCurrent = false; // compare with the other node's option of the current solution
    // Either a full matrix, (options of other + 1) rows x (own options) columns...
    std::vector<std::vector<int64_t>> matrix;
    bool hasMatrix = false;
    // ...or a default value with named exceptions.
    int64_t defaultCell = 128;
    std::vector<DCell> cells;
    std::vector<OptionRef> conditions;
};

struct DNode {
    std::string name;
    std::vector<DOption> options;
    std::vector<DRelation> relations;
    std::vector<OptionRef> conditions; // activation conditions
};

struct DTrack {
    std::string name;
    std::string node;
    bool master = false;
    bool user = true;
    int64_t keepPriority = 0;
};

struct DClip {
    std::string name;
    std::string file; // WAV input; empty: a clip without audio (e.g. the master's timing clip)
    int64_t gainLeft = 256, gainRight = 256;
    std::optional<int64_t> sectionLength; // default: start offset + audio length
    std::optional<int64_t> audioLength;   // default: the audio file's length
    int64_t startOffset = 0;
    int64_t keepMin = 1, keepMax = 1;
    bool unavailable = false;
    std::vector<Text> comments;
    std::optional<Encoding> encoding; // default: the package's
};

struct DPreset {
    std::string name;
    OptionRef option;
    int64_t priority = 1;
    bool active = true;         // flag bit 1: applies at every decision
    bool firstDecision = false; // flag bit 0: applies during the first decision after reset
};

struct DSkin {
    std::string name;
    Text displayName;
    std::optional<OptionRef> option; // none: the skin pins nothing
    int64_t priority = 1;
};

struct DCompressor {
    bool enabled = false;
    int64_t mode = 8; // 8 RMS, 2 peak, other non-zero: mean detection
    double threshold = -12.0, ratio = 0.5, attack = 0.005, release = 0.2, makeup = 0.0,
           ceiling = 1.0;
};

struct Description {
    std::string name; // package name; also prefixes the names of resources written beside it
    int64_t sampleRate = 44100;
    int64_t headerWord2 = 0;
    int64_t headerWords[4] = {0, 0, 0, 0}; // H0, H1, H5, H7: kept by the engine, not interpreted
    Text title, subtitle;                  // H2, H3
    DCompressor compressor;
    std::vector<Text> comments; // comments of the mix as a whole (H12, H13)
    Encoding encoding = Encoding::Vorbis;
    double quality = 0.5; // Vorbis quality 0..1
    bool embed = true;    // resources after the end marker, else files beside the package
    std::vector<DTrack> tracks;
    std::vector<DNode> nodes;
    std::vector<DClip> clips;
    std::vector<DPreset> presets;
    std::vector<DSkin> skins;
    std::string baseDir; // directory of the description: relative audio paths start there
};

// Parses a description. On failure returns false with `error` naming the offending item and
// member, e.g. `nodes[2] "bass": options[1]: "weight" must be an integer`.
bool parseDescription(const std::string& json, Description& out, std::string& error);
// Reads and parses a file; baseDir becomes the file's directory.
bool loadDescription(const std::string& path, Description& out, std::string& error);

} // namespace mxpack
