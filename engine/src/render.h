// The renderer's internal steps, shared by its source files.
#pragma once
#include "package.h"

namespace mx {

// Starts the clips of the decided section on free voices and sets the countdowns.
void _solveApply(mxp4_package* p);
// Mixes one buffer of kBufferFrames frames at the current `now` into `out`.
void _musicMixWav(mxp4_package* p, int16_t* out);
void _musicMixFreq(mxp4_package* p, int16_t* out);
// Allocates / frees the mix state buffers at load (0, or -1 when memory runs out).
int _mixStateInit(mxp4_package* p);
void _mixStateRelease(mxp4_package* p);

} // namespace mx
