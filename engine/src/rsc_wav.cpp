// WAV resources: locating the format and the sample data.
#include "rsc.h"

namespace mx {

int rscWavOpen(mxp4_package*, VoiceSource*) {
    return 0;
}

} // namespace mx
