/* mxp4: the interactive mix engine.
 *
 * A package (.mxp4) describes a piece of music as audio tracks whose clips are chosen section by
 * section by a weighted constraint solver; the engine loads it, decides each section, decodes the
 * clips (Ogg Vorbis, 16-bit PCM WAV, IMA ADPCM), mixes them (in the frequency domain when every
 * resource is short-block stereo Vorbis), compresses and delivers 16-bit stereo PCM.
 *
 * Ownership: the loaders return a package the caller owns; mxp4Release frees it with every table,
 * buffer and open voice, and closes the datasource of a package loaded through callbacks.
 * Strings returned by the accessors belong to the package.
 * Threads: a package is not thread-safe. Render (mxp4NextBuffer*) and release must be serialised
 * by the caller; the accessors may run on any thread that holds the same lock. The callbacks of
 * a package run on whichever thread loads or renders it.
 * Codes: functions return 0 on success; the loaders report failure as a null package.
 * Allocation: everything is allocated by the loaders; rendering allocates nothing.
 * Inspection: mxp4_inspect.h tells tools and tests what a package holds and what was decided.
 */
#ifndef MXP4_H
#define MXP4_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxp4_package mxp4_package;

#define MXP4_BUFFER_FRAMES 6144 /* frames rendered by one mxp4NextBuffer */

/* The sample rates an output can play; a package's rate is not checked by the loaders. */
#define MXP4_RATE_MIN 8000
#define MXP4_RATE_MAX 192000

/* Input of a package that is not a file of its own (in memory, being downloaded), as Tremor's
 * ov_callbacks: read returns the elements read (0 at the end or on an error); seek takes
 * SEEK_SET, SEEK_CUR or SEEK_END and returns 0 on success; tell returns the position. Positions
 * are the datasource's own: position 0 is the package's first byte, and the datasource stands
 * there when it is handed over. seek and tell may be null: the package then loads, but embedded
 * resources that lie behind what was read cannot be played. close may be null. */
typedef struct mxp4_callbacks {
    size_t (*read_func)(void* ptr, size_t size, size_t nmemb, void* user);
    int (*seek_func)(void* user, int64_t offset, int whence);
    int64_t (*tell_func)(void* user);
    int (*close_func)(void* user);
} mxp4_callbacks;

/* Root path prefixed to every relative path the engine opens ("./" when root is null); absolute
 * paths are opened as given. */
void fileInit(const char* root);

/* Loads a package. full != 0 loads everything needed to play; 0 loads what the info accessors
 * need (skins, resources, strings, texts). Returns null on any failure. */
mxp4_package* mxp4Loader(const char* path, int full);
/* As mxp4Loader, and stores in *code the loader result (negative) or the validation code
 * (positive) that rejected the file, 0 when loaded. For tools and diagnostics. */
mxp4_package* mxp4LoaderDiag(const char* path, int full, int* code);
/* Loads a package through callbacks. The package reads through them while it renders and calls
 * close_func once, from mxp4Release, or before returning when the load fails. A package without
 * embedded resources finds its resource files under the root path. `code` may be null. */
mxp4_package* mxp4LoaderCallbacks(void* user, mxp4_callbacks callbacks, int full, int* code);
/* Loads a package from `size` bytes in memory. The bytes are not copied: they must stay valid
 * until mxp4Release. `code` may be null. */
mxp4_package* mxp4LoaderMemory(const void* data, size_t size, int full, int* code);
void mxp4Release(mxp4_package* p);

/* Returns the mix to its start (full loads only); -1 for an info-only package. */
int mxp4Reset(mxp4_package* p);
/* Renders MXP4_BUFFER_FRAMES stereo frames into out; returns 1 when a section was decided. */
int mxp4NextBuffer(mxp4_package* p, int16_t* out);
/* Delivers exactly `frames` stereo frames; returns the OR of the mxp4NextBuffer results. */
int mxp4NextBufferN(mxp4_package* p, int16_t* out, int frames);
/* Sample time of the output minus the time origin and the given output latency. */
int64_t mxp4Counter(mxp4_package* p, int64_t latency);
/* Position within the current section: 1 when a boundary was crossed since the last call, 0
 * otherwise, -3 before the first decision or ahead of the rendered audio, -4 when too old. */
int mxp4Progress(mxp4_package* p, int64_t position, int64_t* sectionLength, int64_t* offset);
/* Next value of the package's pseudo-random generator. */
int mxp4Rand(mxp4_package* p);
/* Sets the generator's state (0 after mxp4Reset); the same state and the same skin selections
 * replay the same decisions. -1 for an info-only package. */
int mxp4RandSeed(mxp4_package* p, int32_t state);

int mxp4SampleRate(const mxp4_package* p);
/* 1 when an output can play `rate` Hz (MXP4_RATE_MIN to MXP4_RATE_MAX), else 0. Players and tools
 * refuse a package whose mxp4SampleRate fails it. */
int mxp4SampleRatePlayable(int rate);
const char* mxp4String(const mxp4_package* p, int ref);
int mxp4SkinNb(const mxp4_package* p);
const char* mxp4SkinName(const mxp4_package* p, int index);
void mxp4SkinSelect(mxp4_package* p, int index, int state, int clean);
int mxp4AudiotrackNb(const mxp4_package* p);
/* Name of the n-th user track; null when n is out of range. */
const char* mxp4AudiotrackName(const mxp4_package* p, int n);
int mxp4AudiotrackVol(mxp4_package* p, int n, int left, int right);

#ifdef __cplusplus
}
#endif

#endif /* MXP4_H */
