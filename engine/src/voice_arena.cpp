// Per-voice arenas for the Vorbis decoder's allocations: a bump allocator whose freed blocks are
// reclaimed from the top down, with the real heap as a counted fallback.
#include "voice_arena.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace mx {
namespace {

constexpr size_t kAlign = 16;
constexpr uint32_t kLive = 0x4d58414c; // block tags, to catch a foreign pointer in the range
constexpr uint32_t kFreed = 0x4d584146;

// Precedes every block; 16 bytes so that payloads keep the arena's 16-byte alignment.
struct BlockHead {
    uint32_t size;     // payload bytes, rounded to kAlign
    uint32_t previous; // offset of the previous block's head, UINT32_MAX for the first
    uint32_t tag;
    uint32_t pad;
};
static_assert(sizeof(BlockHead) == kAlign);

std::atomic<uint64_t> gFallbacks{0};
thread_local VoiceArena* tCurrent = nullptr;

size_t roundUp(size_t n) {
    return (n + kAlign - 1) & ~(kAlign - 1);
}

} // namespace

struct VoiceArena {
    uint8_t* base = nullptr;
    size_t size = 0;
    size_t top = 0;             // first free byte
    uint32_t last = UINT32_MAX; // head offset of the topmost block
    size_t live = 0;            // blocks not yet freed
    size_t peak = 0;

    bool owns(const void* p) const {
        auto* b = static_cast<const uint8_t*>(p);
        return b >= base && b < base + size;
    }
    BlockHead* head(const void* p) {
        return reinterpret_cast<BlockHead*>(static_cast<uint8_t*>(const_cast<void*>(p)) -
                                            sizeof(BlockHead));
    }

    void* alloc(size_t n) {
        size_t payload = roundUp(n == 0 ? 1 : n);
        if (payload > UINT32_MAX || payload + sizeof(BlockHead) > size - top) return nullptr;
        auto* h = reinterpret_cast<BlockHead*>(base + top);
        h->size = static_cast<uint32_t>(payload);
        h->previous = last;
        h->tag = kLive;
        h->pad = 0;
        last = static_cast<uint32_t>(top);
        top += sizeof(BlockHead) + payload;
        if (top > peak) peak = top;
        ++live;
        return h + 1;
    }

    void release(void* p) {
        BlockHead* h = head(p);
        if (h->tag != kLive)
            return; // double free or a pointer into a payload: leave the arena intact
        h->tag = kFreed;
        if (--live == 0) {
            top = 0;
            last = UINT32_MAX;
            return;
        }
        // Give back every freed block at the top, so that short-lived buffers do not pile up.
        while (last != UINT32_MAX) {
            auto* t = reinterpret_cast<BlockHead*>(base + last);
            if (t->tag != kFreed) break;
            top = last;
            last = t->previous;
        }
    }

    bool isTop(const void* p) { return reinterpret_cast<uint8_t*>(head(p)) == base + last; }

    // Grows or shrinks the topmost block in place; false when it does not fit.
    bool resizeTop(void* p, size_t n) {
        size_t payload = roundUp(n == 0 ? 1 : n);
        size_t start = last + sizeof(BlockHead);
        if (payload > UINT32_MAX || payload > size - start) return false;
        head(p)->size = static_cast<uint32_t>(payload);
        top = start + payload;
        if (top > peak) peak = top;
        return true;
    }
};

VoiceArena* arenaCreate(size_t bytes) {
    auto* a = new (std::nothrow) VoiceArena;
    if (!a) return nullptr;
    a->base = static_cast<uint8_t*>(std::aligned_alloc(kAlign, roundUp(bytes)));
    if (!a->base) {
        delete a;
        return nullptr;
    }
    a->size = roundUp(bytes);
    return a;
}

void arenaDestroy(VoiceArena* arena) {
    if (!arena) return;
    std::free(arena->base);
    delete arena;
}

void arenaReset(VoiceArena* arena) {
    if (!arena) return;
    arena->top = 0;
    arena->last = UINT32_MAX;
    arena->live = 0;
}

size_t arenaInUse(const VoiceArena* arena) {
    return arena ? arena->top : 0;
}
size_t arenaPeak(const VoiceArena* arena) {
    return arena ? arena->peak : 0;
}
uint64_t arenaFallbackCount() {
    return gFallbacks.load(std::memory_order_relaxed);
}

ArenaScope::ArenaScope(VoiceArena* arena) : previous_(tCurrent) {
    tCurrent = arena;
}
ArenaScope::~ArenaScope() {
    tCurrent = previous_;
}

} // namespace mx

using mx::gFallbacks;
using mx::tCurrent;

extern "C" {

void* mx_vorbis_malloc(size_t size) {
    if (tCurrent) {
        if (void* p = tCurrent->alloc(size)) return p;
    }
    gFallbacks.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size);
}

void* mx_vorbis_calloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    if (tCurrent) {
        if (void* p = tCurrent->alloc(count * size)) {
            std::memset(p, 0, count * size);
            return p;
        }
    }
    gFallbacks.fetch_add(1, std::memory_order_relaxed);
    return std::calloc(count, size);
}

void* mx_vorbis_realloc(void* ptr, size_t size) {
    if (!ptr) return mx_vorbis_malloc(size);
    mx::VoiceArena* a = tCurrent;
    if (!a || !a->owns(ptr)) {
        gFallbacks.fetch_add(1, std::memory_order_relaxed);
        return std::realloc(ptr, size);
    }
    if (a->isTop(ptr) && a->resizeTop(ptr, size)) return ptr;
    size_t old = a->head(ptr)->size;
    void* p = mx_vorbis_malloc(size);
    if (!p) return nullptr; // the old block stays valid, as realloc promises
    std::memcpy(p, ptr, old < size ? old : size);
    a->release(ptr);
    return p;
}

void mx_vorbis_free(void* ptr) {
    if (!ptr) return;
    if (tCurrent && tCurrent->owns(ptr))
        tCurrent->release(ptr);
    else
        std::free(ptr);
}
}

namespace {

void swapBytes(uint8_t* a, uint8_t* b, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        uint8_t t = a[i];
        a[i] = b[i];
        b[i] = t;
    }
}

void siftDown(uint8_t* base, size_t root, size_t count, size_t size,
              int (*compare)(const void*, const void*)) {
    for (;;) {
        size_t child = 2 * root + 1;
        if (child >= count) return;
        if (child + 1 < count && compare(base + child * size, base + (child + 1) * size) < 0)
            ++child;
        if (compare(base + root * size, base + child * size) >= 0) return;
        swapBytes(base + root * size, base + child * size, size);
        root = child;
    }
}

} // namespace

extern "C" void mx_vorbis_qsort(void* base, size_t count, size_t size,
                                int (*compare)(const void*, const void*)) {
    // Heap sort: no allocation, no recursion. The decoder sorts distinct keys, so stability
    // does not matter.
    auto* b = static_cast<uint8_t*>(base);
    if (!b || count < 2 || size == 0) return;
    for (size_t i = count / 2; i-- > 0;) siftDown(b, i, count, size, compare);
    for (size_t end = count - 1; end > 0; --end) {
        swapBytes(b, b + end * size, size);
        siftDown(b, 0, end, size, compare);
    }
}
