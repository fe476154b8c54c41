// Package validation: every reference between tables, checked once at load so that the solver
// and the renderer index the tables directly.
#include <cstdint>

#include "loader.h"

namespace mx {
namespace {

bool valid(int64_t v, int32_t count) {
    return v >= 0 && v < count;
}
bool validOrNone(int64_t v, int32_t count) {
    return v == -1 || valid(v, count);
}
// 64-bit so that first + count - 1 cannot overflow.
bool validRange(int32_t first, int32_t count, int32_t tableCount) {
    if (count <= 0) return true;
    return valid(first, tableCount) && valid(static_cast<int64_t>(first) + count - 1, tableCount);
}
// Comment texts: `first` or -1, and the last reference drawn unless the sum is 0.
bool validComments(int32_t first, int32_t weight, int32_t textCount) {
    if (weight <= 0) return true;
    if (!validOrNone(first, textCount)) return false;
    int64_t end = static_cast<int64_t>(first) + weight;
    return end == 0 || valid(end - 1, textCount);
}

int checkHeader(const mxp4_package* p) {
    const int32_t* h = p->header;
    int32_t texts = p->textOffsets.count;
    if (!validOrNone(h[kH2Text], texts)) return 100;
    if (!validOrNone(h[kH3Text], texts)) return 101;
    if (!validRange(h[kHAuxResFirst], h[kHAuxResCount], p->auxResources.count)) return 102;
    if (!validRange(h[kHAuxTextFirst], h[kHAuxTextCount], p->auxTexts.count)) return 103;
    if (!validComments(h[kHCommentFirst], h[kHCommentWeight], texts)) return 104;
    return 0;
}

int checkTracks(mxp4_package* p) {
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        AudioTrack& t = p->tracks.items[i];
        int64_t node = -1 - static_cast<int64_t>(t.nodeRef);
        if (!valid(node, p->nodes.count)) return 110;
        t.node = static_cast<int32_t>(node);
        if (!validOrNone(t.name, p->stringOffsets.count)) return 111;
    }
    return 0;
}

int checkClips(const mxp4_package* p) {
    for (int32_t i = 0; i < p->clips.count; ++i) {
        const Clip& c = p->clips.items[i];
        if (!validOrNone(c.option, p->options.count)) return 125;
        if (!validRange(c.auxResFirst, c.auxResCount, p->auxResources.count)) return 120;
        if (!validRange(c.auxTextFirst, c.auxTextCount, p->auxTexts.count)) return 121;
        if (!validComments(c.commentFirst, c.commentWeight, p->textOffsets.count)) return 122;
        if (!validOrNone(c.name, p->stringOffsets.count)) return 123;
        if (!validOrNone(c.resource, p->resources.count)) return 124;
    }
    return 0;
}

// Each option and relation belongs to one node: a second owner would give it a position (and an
// affinity column count) that does not match the node that reads it.
int checkNodes(mxp4_package* p) {
    for (int32_t i = 0; i < p->nodes.count; ++i) {
        const Node& n = p->nodes.items[i];
        if (!validRange(n.optionFirst, n.optionCount, p->options.count)) return 130;
        for (int32_t k = 0; k < n.optionCount; ++k) {
            Option& o = p->options.items[n.optionFirst + k];
            if (o.owner != -1) return 130;
            o.owner = i;
            o.index = k;
        }
        if (!validRange(n.relationFirst, n.relationCount, p->relations.count)) return 131;
        for (int32_t k = 0; k < n.relationCount; ++k) {
            Relation& r = p->relations.items[n.relationFirst + k];
            if (r.owner != -1) return 131;
            r.owner = i;
        }
        if (!validRange(n.condFirst, n.condCount, p->conditions.count)) return 132;
        if (!validOrNone(n.name, p->stringOffsets.count)) return 133;
    }
    return 0;
}

int checkOptions(const mxp4_package* p) {
    for (int32_t i = 0; i < p->options.count; ++i) {
        const Option& o = p->options.items[i];
        if (!validOrNone(o.clip, p->clips.count)) return 140;
        if (!validOrNone(o.name, p->stringOffsets.count)) return 141;
    }
    return 0;
}

// The solver reads the cell (r, c) at offset + r * cols + c with r up to the other node's option
// count (its "no option" row) and c below the owner's option count.
int checkRelations(const mxp4_package* p) {
    for (int32_t i = 0; i < p->relations.count; ++i) {
        const Relation& r = p->relations.items[i];
        if (!valid(r.other, p->nodes.count)) return 150;
        if (!valid(r.matrixOffset, p->affinity.length)) return 151;
        if (r.owner != -1) {
            int64_t rows = static_cast<int64_t>(p->nodes.items[r.other].optionCount) + 1;
            int64_t cols = p->nodes.items[r.owner].optionCount;
            if (cols > 0 && !valid(r.matrixOffset + rows * cols - 1, p->affinity.length))
                return 151;
        }
        if (!validRange(r.condFirst, r.condCount, p->conditions.count)) return 152;
        if (!validOrNone(r.name, p->stringOffsets.count)) return 153;
    }
    return 0;
}

int checkConditionsPresets(const mxp4_package* p) {
    for (int32_t i = 0; i < p->conditions.count; ++i)
        if (!valid(p->conditions.items[i].option, p->options.count)) return 160;
    for (int32_t i = 0; i < p->presets.count; ++i) {
        const Preset& x = p->presets.items[i];
        if (!valid(x.option, p->options.count)) return 170;
        if (!validOrNone(x.name, p->stringOffsets.count)) return 171;
    }
    return 0;
}

int checkSkins(const mxp4_package* p) {
    for (int32_t i = 0; i < p->skins.count; ++i) {
        const Skin& s = p->skins.items[i];
        // Info-only loads have no options to check against.
        if (p->full && !validOrNone(s.option, p->options.count)) return 180;
        if (!validOrNone(s.string, p->stringOffsets.count)) return 181;
        if (!validOrNone(s.displayName, p->textOffsets.count)) return 182;
        if (!validRange(s.auxResFirst, s.auxResCount, p->auxResources.count)) return 183;
        if (!validRange(s.auxTextFirst, s.auxTextCount, p->auxTexts.count)) return 184;
    }
    return 0;
}

int checkAuxiliary(const mxp4_package* p) {
    for (int32_t i = 0; i < p->auxTexts.count; ++i) {
        const AuxText& a = p->auxTexts.items[i];
        if ((a.flags & 1) && !valid(a.first, p->stringOffsets.count)) return 190;
        if ((a.flags & 2) && !validOrNone(a.second, p->stringOffsets.count)) return 191;
        if ((a.flags & 4) && !validOrNone(a.second, p->textOffsets.count)) return 192;
    }
    for (int32_t i = 0; i < p->auxResources.count; ++i)
        if (!valid(p->auxResources.items[i].w[3], p->resources.count)) return 200;
    for (int32_t i = 0; i < p->resources.count; ++i)
        if (!validOrNone(p->resources.items[i].name, p->stringOffsets.count)) return 210;
    return 0;
}

int checkPools(const mxp4_package* p) {
    for (int32_t i = 0; i < p->stringOffsets.count; ++i)
        if (!validOrNone(p->stringOffsets.items[i], p->stringPool.length)) return 220;
    for (int32_t i = 0; i < p->textOffsets.count; ++i)
        if (!validOrNone(p->textOffsets.items[i], p->textPool.length)) return 230;
    return 0;
}

} // namespace

int _mxp4check(mxp4_package* p) {
    int rc;
    if ((rc = checkHeader(p)) || (rc = checkTracks(p)) || (rc = checkClips(p)) ||
        (rc = checkNodes(p)) || (rc = checkOptions(p)) || (rc = checkRelations(p)) ||
        (rc = checkConditionsPresets(p)) || (rc = checkSkins(p)) || (rc = checkAuxiliary(p)) ||
        (rc = checkPools(p)))
        return rc;
    return 0;
}

} // namespace mx
