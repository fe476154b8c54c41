// Package loading and release.
#include "loader.h"

mxp4_package* mxp4LoaderDiag(const char*, int, int* code) {
    if (code) *code = mx::kLoadCannotOpen;
    return nullptr;
}
mxp4_package* mxp4Loader(const char* path, int full) {
    return mxp4LoaderDiag(path, full, nullptr);
}
void mxp4Release(mxp4_package*) {}
