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

#include "server/http_message.h"

namespace zserver {

struct StaticRoots {
    std::filesystem::path content, media, reports;
};

// The regular file an address names, or nullopt.
std::optional<std::filesystem::path> resolveStaticFile(const StaticRoots& roots,
                                                       std::string_view address);

// Answers a GET or HEAD of a file: its type from its name, its length, and the one byte range a
// "Range" header asks for (206, or 416 when it lies past the end). The body is streamed from the
// file. 404 when the file cannot be opened.
void serveFile(const std::filesystem::path& file, const http::Request& req, http::Response& res);

// Reads a whole file of at most maxBytes; nullopt when absent, unreadable or larger.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, size_t maxBytes);

} // namespace zserver
