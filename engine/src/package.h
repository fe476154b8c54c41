// In-memory layout of a mix package: the tables of the file, the runtime words of the solver, the
// voices and the mix state. Every index is an int32 into its table, -1 meaning none.
//
// Conventions of the engine's own functions:
// - Names: a function other engine files call carries its module's prefix (mxp4, mxc, rsc, fsrc,
//   file, compressor, adpcmdecode, arena, vorbisFreq) or, when only the files of its module call
//   it, a leading underscore (_solve, _oggRead, _mixStateInit); helpers of one file live in an
//   anonymous namespace, in plain lowerCamelCase. The steps carried over from Tremor keep its
//   names (ov_read_FREQ, BufferMixedOGGInit).
// - Results: a function that can fail returns 0 on success and a negative code on failure (the
//   loader's codes below where they apply); a question returns 1 or 0, or bool. The few steps whose
//   documented results differ keep them, each saying so: rscFileOpen and rscAudioOpen return 1
//   when the resource opened, _solve and mxcSolveProcess 1 when a solution was found.
#pragma once
#include <cstdint>

#include <tremor/ivorbisfile.h>

#include "file.h"
#include "mxp4/mxp4.h"

namespace mx {

constexpr int kMaxVoices = 20;
constexpr int kBufferFrames = MXP4_BUFFER_FRAMES; // 6144
constexpr int kRingSize = 32;
constexpr int kMaxPath = 512;
constexpr int kMaxRecordSize = 256;

// Loader result codes (internal; callers see a null package).
enum LoaderCode {
    kLoadOk = 0,
    kLoadShortRead = -1,
    kLoadBadMagic = -2,
    kLoadBadVersion = -3,
    kLoadRepeatedChunk = -4,
    kLoadUnknownChunk = -5,
    kLoadNoMemory = -6,
    kLoadMissingChunk = -7,
    kLoadPathTooLong = -8, // diagnostics only
    kLoadBadRecordSize = -9,
    kLoadNegativeSize = -10,
    kLoadCannotOpen = -11, // diagnostics only
};

enum ChunkType {
    kChunkHeader = 1,
    kChunkTracks = 2,
    kChunkClips = 3,
    kChunkNodes = 4,
    kChunkOptions = 5,
    kChunkRelations = 6,
    kChunkConditions = 7,
    kChunkPresets = 8,
    kChunkSkins = 9,
    kChunkAuxTexts = 10,
    kChunkAuxResources = 11,
    kChunkAffinity = 12,
    kChunkStringOffsets = 13,
    kChunkTextOffsets = 14,
    kChunkResources = 15,
    kChunkStringPool = 16,
    kChunkTextPool = 17,
    kChunkEnd = 18,
};

enum ResourceKind { kRscOgg = 1, kRscWav = 2, kRscAdpcm = 4 };

// Header record words H0..H19.
enum HeaderWord {
    kH2Text = 2,
    kH3Text = 3,
    kHCompressorMode = 4,
    kHSampleRate = 6,
    kHAuxResFirst = 8,
    kHAuxResCount = 9,
    kHAuxTextFirst = 10,
    kHAuxTextCount = 11,
    kHCommentFirst = 12,
    kHCommentWeight = 13,
    kHCompThreshold = 14, // 16.16 fixed point from here on
    kHCompRatio = 15,
    kHCompAttack = 16,
    kHCompRelease = 17,
    kHCompMakeup = 18,
    kHCompCeiling = 19,
};

struct AudioTrack {
    int32_t flags;        // bit 0 master, bit 1 user
    int32_t keepPriority; // priority of the keep-current-option constraint
    int32_t nodeRef;      // -1 - node index as stored in the file
    int32_t name;         // string reference or -1
    int32_t volLeft;      // 0..256, 256 at load
    int32_t volRight;
    int32_t node;         // resolved node index (validation)
    int32_t ready;        // may start a clip at the coming boundary
    int64_t clipEnd;      // sample time at which the current clip's section ends
    int32_t countdown;    // sections the current option is still kept
};
constexpr int32_t kTrackMaster = 1;
constexpr int32_t kTrackUser = 2;

struct Clip {
    int32_t flags; // bit 1 unavailable
    int32_t gainLeft, gainRight;
    int32_t sectionLength;
    int32_t audioLength;
    int32_t startOffset;
    int32_t keepMin, keepMax;
    int32_t option;
    int32_t auxResFirst, auxResCount;
    int32_t auxTextFirst, auxTextCount;
    int32_t commentFirst, commentWeight;
    int32_t name;
    int32_t resource;
};
constexpr int32_t kClipUnavailable = 2;

struct Node {
    int32_t word0;
    int32_t optionFirst, optionCount;
    int32_t relationFirst, relationCount;
    int32_t condFirst, condCount;
    int32_t name;
    // runtime (option indexes, -1 = none)
    int32_t previous;   // option of the solution before the current one
    int32_t current;    // option of the current solution
    int32_t tried;      // option being tried by the solver
    int32_t saved;      // saved copy of `tried`
    int32_t forced;     // forced (locked) option
    int32_t candidates; // candidate count
    int32_t orderPos;   // position in the solving order, -1 when unplaced
};

struct Option {
    int32_t clip;   // clip index or -1 (silence)
    int32_t name;   // string reference or -1
    int32_t weight; // 0 is replaced by 256 at load
    int32_t index;  // index within its node (validation)
    int32_t owner;  // owning node (validation), -1 at load
    int32_t key;    // search key (runtime)
    int32_t reserved;
    int32_t link;   // next option in a candidate list, -1 ends it (runtime)
};

struct Relation {
    int32_t flags; // bit 0: compare against the other node's current-solution option
    int32_t other; // other node index
    int32_t priority;
    int32_t matrixOffset; // byte offset in the affinity blob
    int32_t condFirst, condCount;
    int32_t name;
    int32_t enabled; // runtime
    int32_t active;  // runtime: enabled and conditions hold
    int32_t owner;   // owning node (validation), -1 at load
    int32_t link;    // next relation in the soft-relation list, -1 ends it
};
constexpr int32_t kRelationUseCurrent = 1;

struct Condition {
    int32_t word0;
    int32_t option; // holds when this option is the one tried on its node
};

struct Preset {
    int32_t flags; // bit 1 active; bit 0 counts as every flag during the first decision
    int32_t option;
    int32_t priority;
    int32_t name;
};

struct Skin {
    int32_t word0;
    int32_t option;
    int32_t priority;
    int32_t string;      // string reference or -1 (validated only)
    int32_t displayName; // text reference or -1
    int32_t auxResFirst, auxResCount;
    int32_t auxTextFirst, auxTextCount;
    int32_t selected; // runtime, 0 at load
};

struct AuxText {
    int32_t flags;
    int32_t first;
    int32_t second;
};

struct AuxResource {
    int32_t w[4]; // w[3] is a resource index
};

struct Resource {
    int32_t name;   // string reference (file name of an external resource)
    int32_t kind;   // ResourceKind (int16 in the file)
    int32_t offset; // byte offset in the embedded data area
    int32_t length; // byte length; negative marks the resource unavailable
};

template <typename T> struct Table {
    int32_t count = 0;
    T* items = nullptr;
};

struct Blob {
    int32_t length = 0;
    uint8_t* data = nullptr; // length + 1 bytes for the pools (NUL appended)
};

// Tremor allocations of one voice's decoder are served from this preallocated arena.
struct VoiceArena;

// One voice's audio source.
struct VoiceSource {
    const Resource* rsc = nullptr;
    FileSource file;            // opened into `fileBuffer`
    uint8_t* fileBuffer = nullptr; // _FSRCBUFLEN bytes, allocated at load
    bool fileOpen = false;
    int64_t pos = 0;             // byte position within the resource
    int32_t channelsMinus1 = 0;  // 0 mono, 1 stereo
    int32_t kind = 0;            // ResourceKind of the open resource, 0 when closed
    // Ogg Vorbis
    OggVorbis_File ogg{};
    bool oggOpen = false;
    int32_t mixGainLeft = 256; // gains applied when the spectrum is mixed (1/256)
    int32_t mixGainRight = 256;
    VoiceArena* arena = nullptr;
    int64_t freqSampleCount = -1; // samples accounted by the frequency path since the last resync
    // ADPCM
    uint8_t adpcmHeader[12] = {};
    int32_t predictor[2] = {};
    int32_t stepIndex[2] = {};
};

struct Voice {
    int32_t track = -1;
    int32_t clip = -1; // -1 = free
    int64_t start = 0; // sample time at which the clip's audio starts
    bool silent = false; // a read came back short: no more audio until the clip's end
    VoiceSource src;
};

struct RingEntry {
    int64_t start;
    int32_t comment;
    int64_t length;
};

// A clip started at a decision, for tools and tests.
struct StartedClip {
    int32_t track, clip, voice;
    int64_t start;
};

struct CompressorContext {
    int32_t mode = 0; // 0 off; bit 3 RMS; else bit 1 peak; else mean
    int32_t gain = 32767;
    int32_t ceiling = 0;
    int32_t envelope = 0;
    int32_t previousOver = 0;
    int32_t attack1 = 0, attack2 = 0;
    int32_t release = 0;
    int32_t threshold = 0; // 1/256 dB, <= 0
    int32_t makeup = 256;  // 8.8 linear
    uint16_t coarse[128] = {};
    uint16_t fine[256] = {};
};

constexpr int kAccSlots = 12;
constexpr int kAccLength = 128 + 256 * kAccSlots; // 3200

// Spectrum accumulator of the frequency path.
struct SpectrumAccumulator {
    int32_t* channel[2] = {nullptr, nullptr}; // kAccLength values each
    vorbis_block* lastBlock = nullptr;        // block whose window flags the final transform uses
    long lastLW = 0, lastW = 0, lastNW = 0;   // copies of those flags (the block may be gone)
    const void* window[2] = {nullptr, nullptr}; // Tremor's static window tables of that block
    long blocksizes[2] = {0, 0};                // copies of the stream's two block sizes
    int32_t slot = 0;
    int32_t state = -1; // -1 first frame after reset, 1 afterwards
};

struct SolverState {
    int32_t* order = nullptr;     // node index at each order position
    uint8_t* depends = nullptr;   // n x n dependency matrix by order position
    int32_t softHead = -1;        // first relation of the soft-relation list
    int32_t* constrKey = nullptr; // constraint list, ascending key
    int32_t* constrOption = nullptr;
    int32_t constrCapacity = 0;
    int32_t constrCount = 0;
    int32_t failingNode = -1;
    int32_t rand = 0; // generator state
};

struct MixState {
    Voice voices[kMaxVoices];
    int32_t* accumulator = nullptr; // kBufferFrames stereo frames, 8 fractional bits
    int16_t* readBuffer = nullptr;  // one voice's read, kBufferFrames stereo frames
    int16_t* staging = nullptr;     // kBufferFrames stereo frames
    int32_t stagingPos = kBufferFrames;
    int64_t now = 0;
    int64_t timeOrigin = 0;
    int64_t preRoll = 0;
    int64_t nextBoundary = 0;
    int64_t previousBoundary = 0;
    bool firstDecision = true;
    int64_t lastProgress = 0;
    int32_t comment = -1;
    RingEntry ring[kRingSize];
    int32_t ringWrite = 0;
    bool ringWrapped = false;
    bool freq = false; // frequency-domain mixing available
    int32_t forcePath = 0; // 0 auto, 1 sample mixing even when freq is available
    SpectrumAccumulator spectrum;
    CompressorContext compressor;
    SolverState solver;
    StartedClip started[kMaxVoices]; // clips started by the last decision
    int32_t startedCount = 0;
    int32_t lastSolved = 0; // result of the last decision
};

} // namespace mx

struct mxp4_package {
    int32_t full = 0;
    int32_t language = 0;
    char path[mx::kMaxPath] = {};
    int32_t version = 0;
    int32_t headerWord2 = 0;
    int32_t header[20] = {};
    mx::Table<mx::AudioTrack> tracks;
    mx::Table<mx::Clip> clips;
    mx::Table<mx::Node> nodes;
    mx::Table<mx::Option> options;
    mx::Table<mx::Relation> relations;
    mx::Table<mx::Condition> conditions;
    mx::Table<mx::Preset> presets;
    mx::Table<mx::Skin> skins;
    mx::Table<mx::AuxText> auxTexts;
    mx::Table<mx::AuxResource> auxResources;
    mx::Table<int32_t> stringOffsets;
    mx::Table<int32_t> textOffsets;
    mx::Table<mx::Resource> resources;
    mx::Blob affinity;
    mx::Blob stringPool;
    mx::Blob textPool;
    int64_t dataArea = 0; // file position after the end marker's head; 0 = external resources
    mx::Stream* stream = nullptr; // datasource of a package loaded through callbacks, else null
    mx::MixState* mix = nullptr;  // full load only
};
