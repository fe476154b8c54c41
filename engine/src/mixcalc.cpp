// Constraint solver: solving order, backtracking search and the decision of each section.
#include "mixcalc.h"

#include <cstdlib>
#include <cstring>

#include "fixed.h"

namespace mx {

namespace {

// Ordering and the dependency matrix cost up to n x (relations + conditions) and n^3 / 2 steps at
// load; real packages have a few dozen nodes, so anything beyond this is refused as an
// allocation failure.
constexpr int32_t kMaxSolverNodes = 1024;

constexpr int kDeterministic = 1;
constexpr int kRandom = 0;

// Search steps (positions entered) before a search gives up as if it had failed. The search is
// exponential when a dead end lies deep below many free choices it depends on; without a bound
// one unlucky package would stall the render thread. Real packages need a few hundred steps.
constexpr int64_t kSearchSteps = int64_t{1} << 20;
// Shared by all deterministic searches of one decision; the final random search has its own.
constexpr int64_t kDecisionSteps = int64_t{1} << 21;

int solveBounded(mxp4_package* p, int32_t d, int mode, int64_t* steps);

bool rangeValid(int32_t first, int32_t count, int32_t total) {
    if (count <= 0) return count == 0;
    return first >= 0 && static_cast<int64_t>(first) + count <= total;
}

int32_t randomByte(mxp4_package* p) {
    return mxp4Rand(p) & 0xFF;
}

bool clipUnavailable(const mxp4_package* p, const Option& o) {
    if (o.clip < 0 || o.clip >= p->clips.count) return false;
    return (p->clips.items[o.clip].flags & kClipUnavailable) != 0;
}

// A condition holds when its option is the one being tried on the option's node; an option that
// belongs to no node is never tried.
bool conditionHolds(const mxp4_package* p, int32_t cond) {
    int32_t opt = p->conditions.items[cond].option;
    if (opt < 0 || opt >= p->options.count) return false;
    int32_t owner = p->options.items[opt].owner;
    return owner >= 0 && owner < p->nodes.count && p->nodes.items[owner].tried == opt;
}

bool conditionsHold(const mxp4_package* p, int32_t first, int32_t count) {
    for (int32_t k = 0; k < count; ++k)
        if (!conditionHolds(p, first + k)) return false;
    return true;
}

// Affinity of relation `rel` for option index `c` of its owner against the other node's option.
// Anything outside the owner's matrix reads as 0 (forbidden), never outside the blob.
int32_t affinityCell(const mxp4_package* p, const Relation& rel, int32_t c) {
    if (rel.owner < 0 || rel.owner >= p->nodes.count) return 0;
    if (rel.other < 0 || rel.other >= p->nodes.count) return 0;
    const Node& other = p->nodes.items[rel.other];
    int32_t cols = p->nodes.items[rel.owner].optionCount;
    int32_t opt = (rel.flags & kRelationUseCurrent) ? other.current : other.tried;
    int64_t row = other.optionCount;
    if (opt >= 0 && opt < p->options.count) row = p->options.items[opt].index;
    if (c < 0 || c >= cols || row < 0 || row > other.optionCount || rel.matrixOffset < 0) return 0;
    int64_t at = rel.matrixOffset + row * cols + c;
    if (at >= p->affinity.length || p->affinity.data == nullptr) return 0;
    return p->affinity.data[at];
}

// Weight of option `o` scaled by the active relations of `n`; false when a relation forbids it.
bool scaledWeight(const mxp4_package* p, const Node& n, const Option& o, int32_t* w) {
    int32_t weight = o.weight;
    for (int32_t k = 0; k < n.relationCount; ++k) {
        const Relation& rel = p->relations.items[n.relationFirst + k];
        if (!rel.active) continue;
        int32_t cell = affinityCell(p, rel, o.index);
        if (cell == 0) return false;
        weight = mulAffinity(weight, cell);
    }
    *w = weight;
    return true;
}

enum class Step { Descend, Fail };

Step failAt(mxp4_package* p, int32_t node) {
    p->mix->solver.failingNode = node;
    return Step::Fail;
}

// First visit of order position d: picks N's first option (or none) and says whether to go deeper.
Step enterLevel(mxp4_package* p, int32_t d, int mode) {
    int32_t ni = p->mix->solver.order[d];
    Node& n = p->nodes.items[ni];
    n.candidates = 1;

    if (!conditionsHold(p, n.condFirst, n.condCount)) {
        if (n.forced >= 0) return failAt(p, ni);
        n.tried = -1;
        return Step::Descend;
    }
    for (int32_t k = 0; k < n.relationCount; ++k) {
        Relation& rel = p->relations.items[n.relationFirst + k];
        rel.active = rel.enabled && conditionsHold(p, rel.condFirst, rel.condCount);
    }

    if (n.forced >= 0) {
        const Option& f = p->options.items[n.forced];
        int32_t w = 0;
        if (clipUnavailable(p, f) || !scaledWeight(p, n, f, &w)) return failAt(p, ni);
        // Drawn and discarded: the random sequence a mix replays after a reset includes it.
        if (mode == kRandom) randomByte(p);
        n.tried = n.forced;
        return Step::Descend;
    }

    int32_t head = -1;
    for (int32_t k = 0; k < n.optionCount; ++k) {
        int32_t oi = n.optionFirst + k;
        Option& o = p->options.items[oi];
        int32_t w = 0;
        if (clipUnavailable(p, o) || !scaledWeight(p, n, o, &w)) {
            o.key = 0;
            continue;
        }
        // Keys are 32-bit and wrap like the weights they come from.
        uint32_t key = mode == kDeterministic
                           ? static_cast<uint32_t>(w) + 1u
                           : static_cast<uint32_t>(w) * static_cast<uint32_t>(randomByte(p)) + 1u;
        o.key = static_cast<int32_t>(key);
        if (o.key == 0) continue;
        o.link = head;
        head = oi;
        ++n.candidates;
    }
    --n.candidates;
    if (n.candidates == 0) return failAt(p, ni);
    if (mode == kRandom && n.candidates >= 2) head = _quicksort(p, head);
    n.tried = head;
    return Step::Descend;
}

// Position d's subtree failed below it: moves N to its next candidate, or reports N failed too.
bool retryLevel(mxp4_package* p, int32_t d) {
    SolverState& s = p->mix->solver;
    Node& n = p->nodes.items[s.order[d]];
    if (n.forced >= 0 || n.tried < 0) { // forced or inactive: no alternative
        n.tried = -1;
        return false;
    }
    int32_t next = p->options.items[n.tried].link;
    n.tried = -1;
    int32_t fail = s.failingNode;
    if (fail >= 0 && fail < p->nodes.count) {
        int32_t row = p->nodes.items[fail].orderPos;
        int32_t cnt = p->nodes.count;
        // Backjump: a failure that does not depend on N cannot be cured by N's next candidate.
        if (row >= 0 && s.depends[static_cast<size_t>(row) * cnt + d] == 0) return false;
    }
    if (next < 0) return false;
    n.tried = next;
    return true;
}

void saveAndClearTried(mxp4_package* p) {
    for (int32_t i = 0; i < p->nodes.count; ++i) {
        Node& n = p->nodes.items[i];
        n.saved = n.tried;
        n.tried = -1;
        n.candidates = 1;
    }
}

void restoreTried(mxp4_package* p) {
    for (int32_t i = 0; i < p->nodes.count; ++i) p->nodes.items[i].tried = p->nodes.items[i].saved;
}

// Re-solves from scratch keeping the current assignment when that fails.
bool resolveOrRestore(mxp4_package* p, int64_t* steps) {
    saveAndClearTried(p);
    if (solveBounded(p, 0, kDeterministic, steps)) return true;
    restoreTried(p);
    return false;
}

// Every range and index the search follows, checked once so the search itself can trust them.
// Overlapping option or relation ranges are refused: an option with two nodes makes conditions
// and locks ambiguous and lets two search levels rewrite one candidate list.
bool tablesSolvable(const mxp4_package* p) {
    for (int32_t i = 0; i < p->nodes.count; ++i) {
        const Node& n = p->nodes.items[i];
        if (!rangeValid(n.optionFirst, n.optionCount, p->options.count) ||
            !rangeValid(n.relationFirst, n.relationCount, p->relations.count) ||
            !rangeValid(n.condFirst, n.condCount, p->conditions.count))
            return false;
        for (int32_t k = 0; k < n.optionCount; ++k) {
            const Option& o = p->options.items[n.optionFirst + k];
            if (o.owner != i || o.index != k) return false;
        }
        for (int32_t k = 0; k < n.relationCount; ++k)
            if (p->relations.items[n.relationFirst + k].owner != i) return false;
    }
    for (int32_t i = 0; i < p->relations.count; ++i) {
        const Relation& r = p->relations.items[i];
        if (r.other < 0 || r.other >= p->nodes.count ||
            !rangeValid(r.condFirst, r.condCount, p->conditions.count))
            return false;
    }
    for (int32_t i = 0; i < p->conditions.count; ++i) {
        int32_t opt = p->conditions.items[i].option;
        if (opt < 0 || opt >= p->options.count) return false;
    }
    return true;
}

bool optionOwnerPlaced(const mxp4_package* p, int32_t cond) {
    int32_t owner = p->options.items[p->conditions.items[cond].option].owner;
    return owner >= 0 && p->nodes.items[owner].orderPos >= 0;
}

bool eligible(const mxp4_package* p, const Node& n) {
    for (int32_t k = 0; k < n.condCount; ++k)
        if (!optionOwnerPlaced(p, n.condFirst + k)) return false;
    for (int32_t k = 0; k < n.relationCount; ++k) {
        const Relation& r = p->relations.items[n.relationFirst + k];
        if (!(r.flags & kRelationUseCurrent) && p->nodes.items[r.other].orderPos < 0) return false;
        for (int32_t c = 0; c < r.condCount; ++c)
            if (!optionOwnerPlaced(p, r.condFirst + c)) return false;
    }
    return true;
}

// Row i of the matrix gets column j and everything position j depends on. A column already set
// came with its own row (rows are closed when merged), so there is nothing to add.
void addDependency(mxp4_package* p, int32_t i, int32_t j) {
    int32_t n = p->nodes.count;
    uint8_t* rowI = p->mix->solver.depends + static_cast<size_t>(i) * n;
    const uint8_t* rowJ = p->mix->solver.depends + static_cast<size_t>(j) * n;
    if (rowI[j]) return;
    rowI[j] = 1;
    for (int32_t k = 0; k < n; ++k) rowI[k] |= rowJ[k];
}

int32_t conditionOwnerPos(const mxp4_package* p, int32_t cond) {
    int32_t owner = p->options.items[p->conditions.items[cond].option].owner;
    return p->nodes.items[owner].orderPos;
}

// Soft relations ascending by priority, the later of equal priorities first. Built as a list in
// descending index order and merge-sorted stably in place: no allocation, n log n.
int32_t softRelationList(mxp4_package* p) {
    Relation* r = p->relations.items;
    int32_t head = -1;
    int32_t len = 0;
    for (int32_t i = 0; i < p->relations.count; ++i) {
        r[i].link = -1;
        if (r[i].priority == 0) continue;
        r[i].link = head;
        head = i;
        ++len;
    }
    for (int32_t width = 1; width < len; width *= 2) {
        int32_t result = -1, tail = -1;
        int32_t rest = head;
        while (rest >= 0) {
            int32_t a = rest;
            int32_t b = a;
            for (int32_t k = 1; k < width && r[b].link >= 0; ++k) b = r[b].link;
            int32_t bHead = r[b].link;
            r[b].link = -1;
            int32_t e = bHead;
            for (int32_t k = 1; k < width && e >= 0 && r[e].link >= 0; ++k) e = r[e].link;
            rest = e >= 0 ? r[e].link : -1;
            if (e >= 0) r[e].link = -1;
            while (a >= 0 || bHead >= 0) {
                int32_t take;
                // Stable: on equal priority the element of the first run goes first.
                if (bHead < 0 || (a >= 0 && r[a].priority <= r[bHead].priority)) {
                    take = a;
                    a = r[a].link;
                } else {
                    take = bHead;
                    bHead = r[bHead].link;
                }
                if (tail >= 0)
                    r[tail].link = take;
                else
                    result = take;
                tail = take;
            }
        }
        if (tail >= 0) r[tail].link = -1;
        head = result;
    }
    return head;
}

} // namespace

int mxcAlloc(mxp4_package* p) {
    SolverState& s = p->mix->solver;
    int32_t n = p->nodes.count;
    int64_t cap = static_cast<int64_t>(p->presets.count) + p->skins.count + 2 * int64_t{n};
    if (n < 0 || n > kMaxSolverNodes || cap > INT32_MAX) return -1;
    s.order = static_cast<int32_t*>(calloc(n > 0 ? n : 1, sizeof(int32_t)));
    s.depends = static_cast<uint8_t*>(calloc(n > 0 ? static_cast<size_t>(n) * n : 1, 1));
    s.constrKey = static_cast<int32_t*>(calloc(cap > 0 ? cap : 1, sizeof(int32_t)));
    s.constrOption = static_cast<int32_t*>(calloc(cap > 0 ? cap : 1, sizeof(int32_t)));
    s.constrCapacity = static_cast<int32_t>(cap);
    s.constrCount = 0;
    s.softHead = -1;
    s.failingNode = -1;
    s.rand = 0;
    if (!s.order || !s.depends || !s.constrKey || !s.constrOption) {
        mxcFree(p);
        return -1;
    }
    return 0;
}

void mxcFree(mxp4_package* p) {
    if (!p || !p->mix) return;
    SolverState& s = p->mix->solver;
    free(s.order);
    free(s.depends);
    free(s.constrKey);
    free(s.constrOption);
    s.order = nullptr;
    s.depends = nullptr;
    s.constrKey = nullptr;
    s.constrOption = nullptr;
    s.constrCapacity = 0;
    s.constrCount = 0;
}

int mxcPrecalc(mxp4_package* p) {
    SolverState& s = p->mix->solver;
    int32_t n = p->nodes.count;
    if (!tablesSolvable(p)) return -1;

    // The loader leaves the runtime words zero, which would read as option 0.
    for (int32_t i = 0; i < n; ++i) {
        Node& node = p->nodes.items[i];
        node.previous = node.current = node.tried = node.saved = node.forced = -1;
        node.candidates = 0;
        node.orderPos = -1;
    }
    for (int32_t i = 0; i < p->options.count; ++i) {
        p->options.items[i].key = 0;
        p->options.items[i].link = -1;
    }
    for (int32_t i = 0; i < p->relations.count; ++i) {
        p->relations.items[i].enabled = p->relations.items[i].priority == 0;
        p->relations.items[i].active = 0;
    }

    int32_t placed = 0;
    for (; placed < n; ++placed) {
        int32_t pick = -1;
        for (int32_t i = 0; i < n; ++i) {
            const Node& node = p->nodes.items[i];
            if (node.orderPos >= 0 || !eligible(p, node)) continue;
            if (pick < 0 || node.optionCount < p->nodes.items[pick].optionCount) pick = i;
        }
        if (pick < 0) break;
        p->nodes.items[pick].orderPos = placed;
        s.order[placed] = pick;
    }
    for (int32_t i = placed; i < n; ++i) s.order[i] = -1;
    if (placed < n) return -1;

    memset(s.depends, 0, static_cast<size_t>(n) * n);
    for (int32_t i = 0; i < n; ++i) {
        const Node& node = p->nodes.items[s.order[i]];
        for (int32_t k = 0; k < node.condCount; ++k)
            addDependency(p, i, conditionOwnerPos(p, node.condFirst + k));
        for (int32_t k = 0; k < node.relationCount; ++k) {
            const Relation& r = p->relations.items[node.relationFirst + k];
            if (!(r.flags & kRelationUseCurrent))
                addDependency(p, i, p->nodes.items[r.other].orderPos);
            for (int32_t c = 0; c < r.condCount; ++c)
                addDependency(p, i, conditionOwnerPos(p, r.condFirst + c));
        }
    }

    s.softHead = softRelationList(p);
    return 0;
}

void mxcReset(mxp4_package* p) {
    for (int32_t i = 0; i < p->nodes.count; ++i) {
        p->nodes.items[i].previous = -1;
        p->nodes.items[i].current = -1;
    }
}

void mxcSolveInit(mxp4_package* p) {
    p->mix->solver.constrCount = 0;
    for (int32_t i = 0; i < p->nodes.count; ++i) p->nodes.items[i].forced = -1;
}

void mxcSolveConstraintAdd(mxp4_package* p, int32_t option, int32_t priority) {
    if (option < 0 || option >= p->options.count) return;
    if (priority == 0) {
        int32_t owner = p->options.items[option].owner;
        if (owner >= 0 && owner < p->nodes.count) p->nodes.items[owner].forced = option;
        return;
    }
    SolverState& s = p->mix->solver;
    if (s.constrCount >= s.constrCapacity) return;
    int32_t at = 0;
    while (at < s.constrCount && s.constrKey[at] < priority) ++at;
    size_t tail = static_cast<size_t>(s.constrCount - at) * sizeof(int32_t);
    memmove(s.constrKey + at + 1, s.constrKey + at, tail);
    memmove(s.constrOption + at + 1, s.constrOption + at, tail);
    s.constrKey[at] = priority;
    s.constrOption[at] = option;
    ++s.constrCount;
}

int _solve(mxp4_package* p, int32_t d, int mode) {
    int64_t steps = kSearchSteps;
    return solveBounded(p, d, mode, &steps);
}

namespace {

// Depth-first search over the order, iterative so that the depth (the node count) costs no stack.
// Each position's state lives in its node: `tried` is the candidate in use and its `link` the
// rest of the candidate list; a forced or inactive position has no alternative.
int solveBounded(mxp4_package* p, int32_t d, int mode, int64_t* steps) {
    const int32_t n = p->nodes.count;
    const int32_t top = d;
    bool descending = true;
    for (;;) {
        if (descending) {
            if (d >= n) return 1;
            if (--*steps < 0) {
                // Out of steps: unwind as a failure would.
                p->mix->solver.failingNode = p->mix->solver.order[d];
                while (d > top) p->nodes.items[p->mix->solver.order[--d]].tried = -1;
                return 0;
            }
            if (enterLevel(p, d, mode) == Step::Descend) {
                ++d;
                continue;
            }
            descending = false;
        } else {
            if (d == top) return 0;
            --d;
            if (retryLevel(p, d)) {
                ++d;
                descending = true;
            }
        }
    }
}

} // namespace

// Quicksort of a candidate list, descending by key: the head is the pivot, keys >= pivot are
// pushed on the front of A, the others on the front of B; the result is A, pivot, B. This fixes
// the order of equal keys, which the random sequence of a mix depends on. Pending sublists are
// kept on a stack chained through their head's `reserved` word, so depth costs no memory.
int32_t _quicksort(mxp4_package* p, int32_t head) {
    Option* o = p->options.items;
    if (head < 0) return -1;
    int32_t outHead = -1, outTail = -1;
    int32_t stack = head;
    o[head].reserved = -1;
    auto push = [&](int32_t list) {
        o[list].reserved = stack;
        stack = list;
    };
    while (stack >= 0) {
        int32_t pivot = stack;
        stack = o[pivot].reserved;
        int32_t e = o[pivot].link;
        if (e < 0) {
            if (outTail >= 0)
                o[outTail].link = pivot;
            else
                outHead = pivot;
            outTail = pivot;
            continue;
        }
        int32_t a = -1, b = -1;
        while (e >= 0) {
            int32_t next = o[e].link;
            if (o[e].key >= o[pivot].key) {
                o[e].link = a;
                a = e;
            } else {
                o[e].link = b;
                b = e;
            }
            e = next;
        }
        o[pivot].link = -1;
        if (b >= 0) push(b);
        push(pivot);
        if (a >= 0) push(a);
    }
    o[outTail].link = -1;
    return outHead;
}

int mxcSolveProcess(mxp4_package* p, int commit) {
    SolverState& s = p->mix->solver;
    for (int32_t i = 0; i < p->relations.count; ++i)
        p->relations.items[i].enabled = p->relations.items[i].priority == 0;

    int64_t steps = kDecisionSteps;
    if (!solveBounded(p, 0, kDeterministic, &steps)) return 0;

    int32_t ci = 0;
    int32_t rel = s.softHead;
    while (ci < s.constrCount || rel >= 0) {
        bool takeConstraint =
            rel < 0 || (ci < s.constrCount && p->relations.items[rel].priority >= s.constrKey[ci]);
        if (takeConstraint) {
            int32_t opt = s.constrOption[ci++];
            int32_t owner = p->options.items[opt].owner;
            if (owner < 0 || owner >= p->nodes.count) continue;
            Node& node = p->nodes.items[owner];
            if (node.tried == opt) {
                node.forced = opt;
            } else if (node.forced < 0) {
                node.forced = opt;
                if (!resolveOrRestore(p, &steps)) node.forced = -1;
            }
            continue;
        }
        Relation& r = p->relations.items[rel];
        rel = r.link;
        r.enabled = 1;
        // A soft relation outside every node's range has no owner and constrains nothing.
        if (r.owner < 0 || r.owner >= p->nodes.count) continue;
        const Node& a = p->nodes.items[r.owner];
        if (a.tried < 0 || !conditionsHold(p, r.condFirst, r.condCount)) continue;
        if (affinityCell(p, r, p->options.items[a.tried].index) != 0) continue;
        if (!resolveOrRestore(p, &steps)) r.enabled = 0;
    }

    for (int32_t i = 0; i < p->nodes.count; ++i) {
        p->nodes.items[i].tried = -1;
        p->nodes.items[i].candidates = 1;
    }
    int64_t randomSteps = kSearchSteps;
    if (!solveBounded(p, 0, kRandom, &randomSteps)) return 0;

    if (commit) {
        for (int32_t i = 0; i < p->nodes.count; ++i) {
            Node& node = p->nodes.items[i];
            node.previous = node.current;
            node.current = node.tried;
        }
    }
    return 1;
}

} // namespace mx

extern "C" int mxp4Rand(mxp4_package* p) {
    if (!p || !p->mix) return 0;
    int32_t& state = p->mix->solver.rand;
    // Unsigned arithmetic wraps without undefined behaviour; the state is reinterpreted as signed.
    state = static_cast<int32_t>(static_cast<uint32_t>(state) * 0x1234567u + 11u);
    return (state >> 8) & 0xFFFF;
}

extern "C" int mxp4RandSeed(mxp4_package* p, int32_t state) {
    if (!p || !p->mix) return -1;
    p->mix->solver.rand = state;
    return 0;
}
