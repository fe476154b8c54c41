// The players' log lines: one line each on standard error.
#include "player/player_log.h"

#include <cstdarg>
#include <cstdio>

namespace zplayer {

void playerLog(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "zephrun: %s\n", line);
}

} // namespace zplayer
