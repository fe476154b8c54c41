// Constraint solver: solving order, backtracking search and the decision of each section.
#include "mixcalc.h"

#include <cstdlib>
#include <cstring>

namespace mx {

int mxcAlloc(mxp4_package* p) {
    (void)p;
    return 0;
}
void mxcFree(mxp4_package* p) {
    (void)p;
}
int mxcPrecalc(mxp4_package* p) {
    (void)p;
    return 0;
}
void mxcReset(mxp4_package* p) {
    (void)p;
}
void mxcSolveInit(mxp4_package* p) {
    (void)p;
}
void mxcSolveConstraintAdd(mxp4_package* p, int32_t option, int32_t priority) {
    (void)p;
    (void)option;
    (void)priority;
}
int _solve(mxp4_package* p, int32_t d, int mode) {
    (void)p;
    (void)d;
    (void)mode;
    return 0;
}
int32_t _quicksort(mxp4_package* p, int32_t head) {
    (void)p;
    return head;
}
int mxcSolveProcess(mxp4_package* p, int commit) {
    (void)p;
    (void)commit;
    return 0;
}

} // namespace mx

extern "C" int mxp4Rand(mxp4_package* p) {
    (void)p;
    return 0;
}
