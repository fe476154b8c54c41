/* mxp4: the interactive mix engine.
 *
 * A package (.mxp4) describes a piece of music as audio tracks whose clips are chosen section by
 * section by a weighted constraint solver; the engine loads it, decides each section, decodes the
 * clips (Ogg Vorbis, 16-bit PCM WAV, IMA ADPCM), mixes them (in the frequency domain when every
 * resource is short-block stereo Vorbis), compresses and delivers 16-bit stereo PCM.
 *
 * Ownership: mxp4Loader returns a package the caller owns; mxp4Release frees it with every table,
 * buffer and open voice. Strings returned by the accessors belong to the package.
 * Threads: a package is not thread-safe. Render (mxp4NextBuffer*) and release must be serialised
 * by the caller; the accessors may run on any thread that holds the same lock.
 * Codes: functions return 0 on success; the loader reports failure as a null package.
 * Allocation: everything is allocated by mxp4Loader; rendering allocates nothing.
 */
#ifndef MXP4_H
#define MXP4_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxp4_package mxp4_package;

#define MXP4_BUFFER_FRAMES 6144 /* frames rendered by one mxp4NextBuffer */

/* Root path prefixed to every relative path the engine opens ("./" when root is null); absolute
 * paths are opened as given. */
void fileInit(const char* root);

/* Loads a package. full != 0 loads everything needed to play; 0 loads what the info accessors
 * need (skins, resources, strings, texts). Returns null on any failure. */
mxp4_package* mxp4Loader(const char* path, int full);
/* As mxp4Loader, and stores in *code the loader result (negative) or the validation code
 * (positive) that rejected the file, 0 when loaded. For tools and diagnostics. */
mxp4_package* mxp4LoaderDiag(const char* path, int full, int* code);
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
