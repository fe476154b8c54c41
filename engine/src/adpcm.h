// IMA ADPCM resources ("ADPs" header, one byte per stereo frame).
#pragma once
#include "package.h"

namespace mx {

// Reads and checks the 12-byte header. 0 on success, -1 on failure.
int adpcmdecode_init(VoiceSource* src);
// Decodes up to `frames` stereo frames into `buffer` (4 * frames bytes, decoded in place).
int32_t adpcmdecode_read(VoiceSource* src, int16_t* buffer, int32_t frames);

} // namespace mx
