// mxp4: inspects, solves, renders and plays mix packages.
#include <cstdio>
#include <cstring>

#include "cli.h"

namespace {

void usage(FILE* out) {
    std::fputs("usage:\n"
               "  mxp4 info PKG [--json]\n"
               "  mxp4 solve PKG --sections N [--skin I]... [--json]\n"
               "  mxp4 render PKG -o OUT.wav --seconds S [--skin I]... [--vol TRACK:L:R]...\n"
               "              [--path auto|sample|freq]\n"
               "  mxp4 render PKG -o OUT.wav --recipe FILE [--seconds S] [--path auto|sample|freq]\n"
               "  mxp4 play PKG [--seconds S] [--skin I]...\n"
               "  mxp4 play --check-device\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    const char* cmd = argv[1];
    if (!std::strcmp(cmd, "-h") || !std::strcmp(cmd, "--help") || !std::strcmp(cmd, "help")) {
        usage(stdout);
        return 0;
    }
    // Paths are taken as given: an empty root leaves relative and absolute paths unchanged.
    fileInit("");
    if (!std::strcmp(cmd, "info")) return cli::cmdInfo(argc - 1, argv + 1);
    if (!std::strcmp(cmd, "solve")) return cli::cmdSolve(argc - 1, argv + 1);
    if (!std::strcmp(cmd, "render")) return cli::cmdRender(argc - 1, argv + 1);
    if (!std::strcmp(cmd, "play")) return cli::cmdPlay(argc - 1, argv + 1);
    std::fprintf(stderr, "mxp4: unknown command \"%s\"\n", cmd);
    usage(stderr);
    return 2;
}
