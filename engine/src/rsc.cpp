// Resource location and the voice sources' dispatch by resource kind.
#include "rsc.h"

namespace mx {

int rscFileOpen(mxp4_package*, int32_t, VoiceSource*) {
    return 0;
}
int32_t rscFileRead(VoiceSource*, void*, int32_t) {
    return 0;
}
void rscFileClose(VoiceSource*) {}
int rscAudioOpen(mxp4_package*, Voice*, int32_t*) {
    return 0;
}
int32_t rscAudioRead(mxp4_package*, Voice*, int16_t*, int32_t) {
    return 0;
}
void rscAudioClose(Voice*) {}
int rscMixFreqAvailable(const mxp4_package*) {
    return 0;
}
int rscFreqStreamsCompatible(mxp4_package*) {
    return 0;
}
int rscVoicesInit(mxp4_package*) {
    return 1;
}
void rscVoicesRelease(mxp4_package*) {}

} // namespace mx
