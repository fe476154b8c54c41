// The server's static files and how an address names one of them.
//
// Three roots: the content directory at "/", the media directory at "/media/" and the photo
// reports at "/reports/". An address (absolute "http://host/path" or a path) is resolved by its
// path only: nothing is ever fetched from elsewhere, "." and ".." segments are refused, and a
// file reached through a link outside its root is refused too.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zserver {

struct StaticRoots {
    std::filesystem::path content, media, reports;
};

// The regular file an address names, or nullopt.
std::optional<std::filesystem::path> resolveStaticFile(const StaticRoots& roots,
                                                       std::string_view address);

// Reads a whole file of at most maxBytes; nullopt when absent, unreadable or larger.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, size_t maxBytes);

} // namespace zserver
