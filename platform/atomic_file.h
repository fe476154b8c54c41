// Crash-safe file replacement: a reader sees either the old content or the new, never a mix.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zplatform {

// Writes `bytes` to a temporary file beside `path`, fsyncs it, renames it over `path` and fsyncs
// the directory. Concurrent writers of the same path (threads or processes) are serialised by a
// lock file "<path>.lock". The new file has the permission bits `mode` (less the umask), from
// its first byte on. Returns false (and leaves `path` untouched) on any failure.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         unsigned mode = 0644);

// Whole content of a file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

} // namespace zplatform
