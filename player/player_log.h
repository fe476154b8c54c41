// The players' log lines (the platform log: standard error). Diagnostics only.
#pragma once

namespace zplayer {

void playerLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace zplayer
