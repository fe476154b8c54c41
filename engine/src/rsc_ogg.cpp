// Ogg Vorbis resources decoded to 16-bit samples.
#include "rsc.h"

namespace mx {

int rscOggOpen(mxp4_package*, Voice*) {
    return 0;
}

} // namespace mx
