// Per-voice arenas serving the Vorbis decoder's allocations, so that opening, reading and closing
// a stream while rendering allocates nothing from the heap.
#pragma once
#include <cstddef>
#include <cstdint>

#include "package.h"

namespace mx {

// Arena size per voice. Measured peaks (open, decode to the end, clear): about 120 to 130 KB for
// short-block stereo streams, 225 to 300 KB for standard long-block streams (mono and stereo,
// quality 0.4 to 1.0); a stream needing more is served by the counted heap fallback.
constexpr size_t kVoiceArenaBytes = 512 * 1024;

VoiceArena* arenaCreate(size_t bytes);
void arenaDestroy(VoiceArena* arena);
// Forgets every block: after the decoder that used the arena was cleared.
void arenaReset(VoiceArena* arena);
// Bytes in use, and the most ever in use since creation.
size_t arenaInUse(const VoiceArena* arena);
size_t arenaPeak(const VoiceArena* arena);

// Allocations served by the real heap because no arena was current or it was exhausted.
uint64_t arenaFallbackCount();

// Makes `arena` the calling thread's current arena for the decoder's allocations.
class ArenaScope {
  public:
    explicit ArenaScope(VoiceArena* arena);
    ~ArenaScope();
    ArenaScope(const ArenaScope&) = delete;
    ArenaScope& operator=(const ArenaScope&) = delete;

  private:
    VoiceArena* previous_;
};

} // namespace mx

// The decoder libraries are linked with their malloc family renamed to these.
extern "C" {
void* mx_vorbis_malloc(size_t size);
void* mx_vorbis_calloc(size_t count, size_t size);
void* mx_vorbis_realloc(void* ptr, size_t size);
void mx_vorbis_free(void* ptr);
// In-place sort: the C library's qsort may allocate a merge buffer.
void mx_vorbis_qsort(void* base, size_t count, size_t size,
                     int (*compare)(const void*, const void*));
}
