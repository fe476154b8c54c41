// Package validation.
#include "loader.h"

namespace mx {

int _mxp4check(mxp4_package*) {
    return 0;
}

} // namespace mx
