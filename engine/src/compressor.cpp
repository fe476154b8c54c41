// Dynamic-range compressor of the mix output.
#include "compressor.h"

namespace mx {
void compressorInit(CompressorContext* c, float, float, float, float, int32_t, float, float,
                    int32_t modeFlags) {
    c->mode = modeFlags;
}
void compressorDisable(CompressorContext* c) {
    c->mode = 0;
}
int32_t compressorActive(const CompressorContext* c) {
    return c->mode;
}
void compressorProcess(CompressorContext*, int16_t*, const int32_t*) {}
void compressorProcessFreq(CompressorContext*, int16_t*, const int32_t*, const int32_t*) {}
} // namespace mx
