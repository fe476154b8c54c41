// Package accessors.
#include "package.h"

int mxp4SampleRate(const mxp4_package*) {
    return 44100;
}
const char* mxp4String(const mxp4_package*, int) {
    return "";
}
int mxp4SkinNb(const mxp4_package*) {
    return 0;
}
const char* mxp4SkinName(const mxp4_package*, int) {
    return "";
}
void mxp4SkinSelect(mxp4_package*, int, int, int) {}
int mxp4AudiotrackNb(const mxp4_package*) {
    return 0;
}
const char* mxp4AudiotrackName(const mxp4_package*, int) {
    return nullptr;
}
int mxp4AudiotrackVol(mxp4_package*, int, int, int) {
    return -1;
}
