// Steps of the audio sources shared by their source files.
#pragma once
#include "rsc.h"

namespace mx {

// Kind 2: frames in the file's own channel layout.
int32_t _wavRead(VoiceSource* src, int16_t* buffer, int32_t frames);
// Kind 1: interleaved stereo frames (a mono stream is duplicated to both sides).
int32_t _oggRead(VoiceSource* src, int16_t* buffer, int32_t frames);
// Clears the decoder, which closes the file source.
void _oggClose(VoiceSource* src);

} // namespace mx
