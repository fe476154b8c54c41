// Audio sources: a resource opened as a bounded byte stream and decoded to 16-bit samples.
#pragma once
#include "package.h"

namespace mx {

// Opens the bytes of resource `index` into the voice source. 1 on success, 0 otherwise (the
// result its description gives it).
int rscFileOpen(mxp4_package* p, int32_t index, VoiceSource* src);
// Reads at most up to the resource's length; returns bytes read (0 at the end).
int32_t rscFileRead(VoiceSource* src, void* buffer, int32_t bytes);
void rscFileClose(VoiceSource* src);

// Opens the voice's clip resource and its decoder. 1 on success, else 0 with everything closed
// (the result its description gives it).
int rscAudioOpen(mxp4_package* p, Voice* voice, int32_t* channelsMinus1);
// The decoders of the open resource: 0 on success, -1 when the resource is not of their kind.
int rscWavOpen(mxp4_package* p, VoiceSource* src);
int rscOggOpen(mxp4_package* p, Voice* voice);
// Decodes up to `frames` frames of 16-bit samples; returns frames decoded.
int32_t rscAudioRead(mxp4_package* p, Voice* voice, int16_t* buffer, int32_t frames);
void rscAudioClose(Voice* voice);
// 1 when no resource is PCM WAV or ADPCM.
int rscMixFreqAvailable(const mxp4_package* p);

// Per-voice preallocation done at full load (file buffers, decoder arenas); 0, or -1 when
// memory runs out.
int rscVoicesInit(mxp4_package* p);
void rscVoicesRelease(mxp4_package* p);

} // namespace mx

namespace mx {
// Opens the headers of every Ogg resource: 1 when all are stereo with both block sizes 256,
// so that the frequency path mixes them correctly. Called at load.
int rscFreqStreamsCompatible(mxp4_package* p);
} // namespace mx
