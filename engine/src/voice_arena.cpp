// Per-voice bump arenas for the Vorbis decoder's allocations.
#include "voice_arena.h"

#include <atomic>
#include <cstdlib>

namespace mx {
namespace {
std::atomic<uint64_t> gFallbacks{0};
thread_local VoiceArena* tCurrent = nullptr;
} // namespace

struct VoiceArena {
    size_t size = 0;
};

VoiceArena* arenaCreate(size_t bytes) {
    auto* a = new VoiceArena;
    a->size = bytes;
    return a;
}
void arenaDestroy(VoiceArena* arena) {
    delete arena;
}
size_t arenaInUse(const VoiceArena*) {
    return 0;
}
size_t arenaPeak(const VoiceArena*) {
    return 0;
}
uint64_t arenaFallbackCount() {
    return gFallbacks.load();
}

ArenaScope::ArenaScope(VoiceArena* arena) : previous_(tCurrent) {
    tCurrent = arena;
}
ArenaScope::~ArenaScope() {
    tCurrent = previous_;
}

} // namespace mx

extern "C" {
void* mx_vorbis_malloc(size_t size) {
    return std::malloc(size);
}
void* mx_vorbis_calloc(size_t count, size_t size) {
    return std::calloc(count, size);
}
void* mx_vorbis_realloc(void* ptr, size_t size) {
    return std::realloc(ptr, size);
}
void mx_vorbis_free(void* ptr) {
    std::free(ptr);
}
}
