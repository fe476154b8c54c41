// What a package holds and what its mix decided, copied out of the tables for tools and tests.
#include "mxp4/mxp4_inspect.h"

#include "package.h"

using namespace mx;

static_assert(MXP4_MAX_VOICES == kMaxVoices);
static_assert(MXP4_RSC_OGG == kRscOgg && MXP4_RSC_WAV == kRscWav && MXP4_RSC_ADPCM == kRscAdpcm);

extern "C" {

int mxp4GetInfo(const mxp4_package* p, mxp4_info* info) {
    if (!p || !info) return -1;
    *info = mxp4_info{};
    info->full = p->full;
    info->version = p->version;
    info->headerWord2 = p->headerWord2;
    info->sampleRate = p->header[kHSampleRate];
    info->compressorMode = p->header[kHCompressorMode];
    info->freq = p->mix && p->mix->freq ? 1 : 0;
    info->tracks = p->tracks.count;
    info->clips = p->clips.count;
    info->nodes = p->nodes.count;
    info->options = p->options.count;
    info->relations = p->relations.count;
    info->conditions = p->conditions.count;
    info->presets = p->presets.count;
    info->skins = p->skins.count;
    info->auxTexts = p->auxTexts.count;
    info->auxResources = p->auxResources.count;
    info->resources = p->resources.count;
    info->dataArea = p->dataArea;
    return 0;
}

int mxp4GetSkin(const mxp4_package* p, int index, mxp4_skin_info* skin) {
    if (!p || !skin || index < 0 || index >= p->skins.count) return -1;
    const Skin& s = p->skins.items[index];
    *skin = mxp4_skin_info{s.option, s.priority, s.selected};
    return 0;
}

int mxp4GetResource(const mxp4_package* p, int index, mxp4_resource_info* resource) {
    if (!p || !resource || index < 0 || index >= p->resources.count) return -1;
    const Resource& r = p->resources.items[index];
    *resource = mxp4_resource_info{r.kind, r.offset, r.length, mxp4String(p, r.name)};
    return 0;
}

const char* mxp4Text(const mxp4_package* p, int ref) {
    if (!p || ref < 0 || ref >= p->textOffsets.count || !p->textPool.data) return "";
    const int32_t off = p->textOffsets.items[ref];
    if (off < 0 || off >= p->textPool.length) return "";
    return reinterpret_cast<const char*>(p->textPool.data + off); // the pool ends with a NUL
}

int mxp4GetDecision(const mxp4_package* p, mxp4_decision* decision) {
    if (!p || !p->mix || !decision || p->mix->firstDecision) return -1;
    const MixState& m = *p->mix;
    const RingEntry& e = m.ring[(m.ringWrite + kRingSize - 1) % kRingSize];
    *decision = mxp4_decision{};
    decision->boundary = e.start;
    decision->length = e.length;
    decision->solved = m.lastSolved;
    decision->comment = m.comment;
    decision->timeOrigin = m.timeOrigin;
    decision->startedCount = m.startedCount;
    for (int32_t i = 0; i < m.startedCount && i < kMaxVoices; ++i) {
        const StartedClip& s = m.started[i];
        decision->started[i] = mxp4_started_clip{s.track, s.clip, s.voice, s.start};
    }
    return 0;
}

int mxp4NodeOption(const mxp4_package* p, int node) {
    if (!p || node < 0 || node >= p->nodes.count) return -1;
    const int32_t o = p->nodes.items[node].current;
    return o >= 0 && o < p->options.count ? p->options.items[o].index : -1;
}

int mxp4GetClock(const mxp4_package* p, int64_t* toBoundary, int64_t* rendered) {
    if (!p || !p->mix) return -1;
    if (toBoundary) *toBoundary = p->mix->nextBoundary - p->mix->now;
    if (rendered) *rendered = p->mix->now;
    return 0;
}

int mxp4SetMixPath(mxp4_package* p, int path) {
    if (!p || !p->mix || (path != MXP4_PATH_AUTO && path != MXP4_PATH_SAMPLE)) return -1;
    p->mix->forcePath = path;
    return 0;
}

} // extern "C"
