// Constraints of one decision: presets, selected skins and the wish to keep what is playing.
#include "mixcalc.h"

namespace mx {

void _constrBuild(mxp4_package* p) {
    (void)p;
}

} // namespace mx
