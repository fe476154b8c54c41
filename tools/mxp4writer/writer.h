// Package writer: serializes a mix package (header, table chunks, string and text pools,
// affinity blob, embedded or external resources). Tests and the package builder use it.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace mxp4w {

struct Track {
    int32_t flags = 0;        // bit 0 master, bit 1 user
    int32_t keepPriority = 0;
    int32_t node = 0;         // node index (written as -1 - node)
    int32_t name = -1;        // string reference
};

struct Clip {
    int32_t flags = 0;
    int32_t gainLeft = 256, gainRight = 256;
    int32_t sectionLength = -1; // negative: start offset + audio length
    int32_t audioLength = 0;
    int32_t startOffset = 0;
    int32_t keepMin = 1, keepMax = 1;
    int32_t option = -1;
    int32_t auxResFirst = 0, auxResCount = 0;
    int32_t auxTextFirst = 0, auxTextCount = 0;
    int32_t commentFirst = -1, commentWeight = 0;
    int32_t name = -1;
    int32_t resource = -1;
};

struct Node {
    int32_t word0 = 0;
    int32_t optionFirst = 0, optionCount = 0;
    int32_t relationFirst = 0, relationCount = 0;
    int32_t condFirst = 0, condCount = 0;
    int32_t name = -1;
};

struct Option {
    int32_t clip = -1;
    int32_t name = -1;
    int32_t weight = 0;
};

struct Relation {
    int32_t flags = 0;
    int32_t other = 0;
    int32_t priority = 0;
    int32_t matrixOffset = 0;
    int32_t condFirst = 0, condCount = 0;
    int32_t name = -1;
};

struct Condition {
    int32_t word0 = 0;
    int32_t option = 0;
};

struct Preset {
    int32_t flags = 0;
    int32_t option = 0;
    int32_t priority = 0;
    int32_t name = -1;
};

struct Skin {
    int32_t word0 = 0;
    int32_t option = -1;
    int32_t priority = 0;
    int32_t string = -1;
    int32_t displayName = -1; // text reference
    int32_t auxResFirst = 0, auxResCount = 0;
    int32_t auxTextFirst = 0, auxTextCount = 0;
};

struct AuxText {
    int32_t flags = 0;
    int32_t first = 0;
    int32_t second = -1;
};

struct AuxResource {
    int32_t w[4] = {0, 0, 0, 0};
};

struct Resource {
    int32_t name = -1;   // string reference; the file name when written beside the package
    int16_t kind = 1;    // 1 Ogg Vorbis, 2 PCM WAV, 4 ADPCM
    int32_t length = -2; // -2: the data's size; any other value is written as is
    std::vector<uint8_t> data;
};

// A chunk written as given, for malformed-file tests and extensions.
struct RawChunk {
    int16_t type = 0;
    int32_t size = 0;            // written as the body size
    std::vector<uint8_t> body;   // bytes written after the head
};

class PackageWriter {
public:
    int32_t version = 1;
    int32_t headerWord2 = 0;
    int32_t header[20] = {};

    std::vector<Track> tracks;
    std::vector<Clip> clips;
    std::vector<Node> nodes;
    std::vector<Option> options;
    std::vector<Relation> relations;
    std::vector<Condition> conditions;
    std::vector<Preset> presets;
    std::vector<Skin> skins;
    std::vector<AuxText> auxTexts;
    std::vector<AuxResource> auxResources;
    std::vector<Resource> resources;
    std::vector<uint8_t> affinity;

    bool embedResources = true; // false: no end marker, resources written beside the package

    // Test knobs.
    std::map<int, int32_t> recordSize; // chunk type -> record size written (default: known fields)
    std::set<int> omitChunks;          // chunk types not written
    std::vector<RawChunk> extraChunks; // written after the standard chunks, before the end marker

    // Adds a NUL-terminated string; returns its string reference.
    int32_t addString(const std::string& s);
    // Adds a text with its variants (variant 0 first); returns its text reference.
    int32_t addText(const std::vector<std::string>& variants);
    // Appends an affinity matrix; returns its byte offset in the blob.
    int32_t addMatrix(const std::vector<uint8_t>& cells);

    // The package bytes (with embedded resources when embedResources is set).
    std::vector<uint8_t> build() const;
    // Writes the package and, when not embedded, each resource beside it under its name.
    bool write(const std::string& path, std::string* error = nullptr) const;

private:
    std::vector<int32_t> stringOffsets_;
    std::vector<uint8_t> stringPool_;
    std::vector<int32_t> textOffsets_;
    std::vector<uint8_t> textPool_;
};

} // namespace mxp4w
