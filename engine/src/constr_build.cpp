// Constraints of one decision: presets, selected skins and the wish to keep what is playing.
#include "mixcalc.h"

namespace mx {

void _constrBuild(mxp4_package* p) {
    const bool first = p->mix->firstDecision;
    for (int32_t i = 0; i < p->presets.count; ++i) {
        const Preset& pr = p->presets.items[i];
        // Bit 0 lets a preset shape the opening section even when it is otherwise inactive.
        int32_t flags = (first && (pr.flags & 1)) ? ~0 : pr.flags;
        if (flags & 2) mxcSolveConstraintAdd(p, pr.option, pr.priority);
    }
    for (int32_t i = 0; i < p->skins.count; ++i) {
        const Skin& sk = p->skins.items[i];
        if (sk.selected) mxcSolveConstraintAdd(p, sk.option, sk.priority);
    }
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        AudioTrack& t = p->tracks.items[i];
        if (t.node < 0 || t.node >= p->nodes.count) continue;
        int32_t s = p->nodes.items[t.node].current;
        if (s < 0) continue;
        if (!t.ready) {
            // Its clip still plays past the boundary: the node cannot change.
            mxcSolveConstraintAdd(p, s, 0);
        } else if (--t.countdown >= 1) {
            mxcSolveConstraintAdd(p, s, t.keepPriority);
        }
    }
}

} // namespace mx
