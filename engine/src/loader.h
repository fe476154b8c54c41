// Private steps of package loading shared by the loader, the validator and the tests.
#pragma once
#include "package.h"

namespace mx {

// Checks every reference of a loaded package and resolves node pointers and owners.
// Returns 0 when valid, else the code of the first rule broken.
int _mxp4check(mxp4_package* p);

} // namespace mx
