// Position of the output within the current section, from the ring of decided sections.
#include "mxp4/mxp4.h"
#include "package.h"

extern "C" int mxp4Progress(mxp4_package*, int64_t, int64_t*, int64_t*) {
    return -3;
}
