/* mxp4_inspect: what a package holds and what its mix decided, for the tools, tests and
 * diagnostics; a player needs none of it.
 *
 * Same rules as mxp4.h: the package owns the strings returned, and these calls take the lock
 * that serialises rendering. Functions returning int give 0 on success and -1 for a null package,
 * an index out of range or a state the package does not have (no mix state on an info-only load,
 * no decision yet).
 */
#ifndef MXP4_INSPECT_H
#define MXP4_INSPECT_H

#include <stdint.h>

#include "mxp4.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MXP4_MAX_VOICES 20 /* clips that can play at once */

/* Resource kinds. */
#define MXP4_RSC_OGG 1
#define MXP4_RSC_WAV 2
#define MXP4_RSC_ADPCM 4

typedef struct mxp4_info {
    int32_t full;           /* 1: loaded for playback (else the playback tables count 0) */
    int32_t version;        /* format version (1) */
    int32_t headerWord2;    /* the file header's second word, not interpreted */
    int32_t sampleRate;     /* as loaded: a 0 in the file reads 44100 */
    int32_t compressorMode; /* header flags; 0: no compressor */
    int32_t freq;           /* 1 when the mix can run in the frequency domain (full loads) */
    int32_t tracks, clips, nodes, options, relations, conditions, presets;
    int32_t skins, auxTexts, auxResources, resources;
    int64_t dataArea; /* where embedded resources start; 0: resources are files beside it */
} mxp4_info;
int mxp4GetInfo(const mxp4_package* p, mxp4_info* info);

typedef struct mxp4_skin_info {
    int32_t option;   /* the option the skin pins, -1 for none */
    int32_t priority; /* priority of that constraint */
    int32_t selected; /* the state given by mxp4SkinSelect */
} mxp4_skin_info;
int mxp4GetSkin(const mxp4_package* p, int index, mxp4_skin_info* skin);

typedef struct mxp4_resource_info {
    int32_t kind;     /* MXP4_RSC_* (other values are kept as read) */
    int32_t offset;   /* in the embedded data area */
    int32_t length;   /* bytes; negative: unavailable */
    const char* name; /* file name of a resource beside the package, "" for none */
} mxp4_resource_info;
int mxp4GetResource(const mxp4_package* p, int index, mxp4_resource_info* resource);

/* Variant 0 of text `ref` (comments, skin names), "" for a bad reference. */
const char* mxp4Text(const mxp4_package* p, int ref);

typedef struct mxp4_started_clip {
    int32_t track, clip, voice;
    int64_t start; /* sample time at which its audio starts */
} mxp4_started_clip;

/* The last decision, from the newest entry of the section ring. */
typedef struct mxp4_decision {
    int64_t boundary;   /* the section's first sample */
    int64_t length;     /* its length in samples */
    int32_t solved;     /* 1 when the solver found a solution (else nothing new started) */
    int32_t comment;    /* text reference of the comment drawn, -1 for none */
    int64_t timeOrigin; /* sample time that mxp4Counter counts from */
    int32_t startedCount;
    mxp4_started_clip started[MXP4_MAX_VOICES];
} mxp4_decision;
/* -1 before the first decision. */
int mxp4GetDecision(const mxp4_package* p, mxp4_decision* decision);
/* The option of node `node` in the current solution, as its index within the node; -1 for none
 * or a bad node. */
int mxp4NodeOption(const mxp4_package* p, int node);
/* Samples from the rendered position to the next section boundary (mxp4NextBuffer decides the
 * coming section when fewer than MXP4_BUFFER_FRAMES remain), and the rendered position. Either
 * pointer may be null. */
int mxp4GetClock(const mxp4_package* p, int64_t* toBoundary, int64_t* rendered);

/* Mixing path: automatic (the frequency domain whenever the package allows it) or sample mixing
 * always. */
#define MXP4_PATH_AUTO 0
#define MXP4_PATH_SAMPLE 1
int mxp4SetMixPath(mxp4_package* p, int path);

#ifdef __cplusplus
}
#endif

#endif /* MXP4_INSPECT_H */
