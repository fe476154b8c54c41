// Rendering loop: mix state allocation, reset, section decisions and buffer staging.
#include "render.h"

#include "mxp4/mxp4.h"

namespace mx {

void _solveApply(mxp4_package*) {}
int mixStateInit(mxp4_package*) {
    return 1;
}
void mixStateRelease(mxp4_package*) {}

} // namespace mx

extern "C" {
int mxp4Reset(mxp4_package*) {
    return -1;
}
int mxp4NextBuffer(mxp4_package*, int16_t*) {
    return 0;
}
int mxp4NextBufferN(mxp4_package*, int16_t*, int) {
    return 0;
}
int64_t mxp4Counter(mxp4_package*, int64_t) {
    return 0;
}
}
