// Position of the output within its section, looked up in the ring of decided sections.
#include "mxp4/mxp4.h"
#include "package.h"

using namespace mx;

extern "C" int mxp4Progress(mxp4_package* p, int64_t position, int64_t* sectionLength,
                            int64_t* offset) {
    if (!p || !p->mix) return -3;
    MixState* m = p->mix;
    int64_t previous = m->lastProgress;
    m->lastProgress = position;
    if (m->firstDecision) return -3;
    int64_t t;
    // A position far outside any rendered time cannot be in the ring.
    if (__builtin_add_overflow(position, m->timeOrigin + m->preRoll, &t) || t > m->now) return -3;

    int count = m->ringWrapped ? kRingSize : m->ringWrite;
    for (int k = 1; k <= count; ++k) {
        const RingEntry& e = m->ring[(m->ringWrite - k + kRingSize) % kRingSize];
        int64_t off = t - e.start;
        if (off < 0) continue;
        if (sectionLength) *sectionLength = e.length;
        if (offset) *offset = off;
        int64_t moved;
        if (__builtin_sub_overflow(position, previous, &moved))
            moved = position > previous ? INT64_MAX : INT64_MIN;
        return moved > off ? 1 : 0;
    }
    if (m->ringWrapped) return -4;
    if (sectionLength) *sectionLength = m->ring[0].length;
    if (offset) *offset = t;
    return 0;
}
