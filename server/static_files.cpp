// Address to file resolution under the static roots.
#include "server/static_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <vector>

namespace zserver {
namespace fs = std::filesystem;
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent escapes decoded; nullopt for a broken escape or an escaped NUL.
std::optional<std::string> percentDecoded(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        int hi = hexValue(s[i + 1]), lo = hexValue(s[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

// True when `p` (canonical) lies inside `root` (canonical).
bool inside(const fs::path& p, const fs::path& root) {
    auto r = root.begin(), q = p.begin();
    for (; r != root.end(); ++r, ++q)
        if (q == p.end() || *q != *r) return false;
    return true;
}

} // namespace

std::optional<fs::path> resolveStaticFile(const StaticRoots& roots, std::string_view address) {
    std::string_view path = address;
    for (std::string_view scheme : {"http://", "https://"}) {
        if (path.substr(0, scheme.size()) == scheme) {
            path.remove_prefix(scheme.size());
            size_t slash = path.find('/');
            if (slash == std::string_view::npos) return std::nullopt;
            path.remove_prefix(slash);
        }
    }
    path = path.substr(0, path.find_first_of("?#"));
    auto decoded = percentDecoded(path);
    if (!decoded) return std::nullopt;

    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= decoded->size()) {
        size_t end = decoded->find('/', start);
        if (end == std::string::npos) end = decoded->size();
        std::string seg = decoded->substr(start, end - start);
        if (seg == "." || seg == ".." || seg.find('\\') != std::string::npos) return std::nullopt;
        if (!seg.empty()) segments.push_back(std::move(seg));
        start = end + 1;
    }
    if (segments.empty()) return std::nullopt;

    fs::path root = roots.content;
    size_t first = 0;
    if (segments[0] == "media") {
        root = roots.media;
        first = 1;
    } else if (segments[0] == "reports") {
        root = roots.reports;
        first = 1;
    }
    if (root.empty() || first >= segments.size()) return std::nullopt;
    fs::path candidate = root;
    for (size_t i = first; i < segments.size(); ++i) candidate /= segments[i];

    std::error_code ec;
    fs::path real = fs::canonical(candidate, ec);
    if (ec) return std::nullopt;
    fs::path realRoot = fs::canonical(root, ec);
    if (ec || !inside(real, realRoot) || !fs::is_regular_file(real, ec)) return std::nullopt;
    return real;
}

void serveFile(const fs::path& file, const http::Request& req, http::Response& res) {
    auto body = std::make_shared<http::FileBody>();
    body->fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    if (body->fd < 0 || ::fstat(body->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        res.status = 404;
        res.setContent("not found\n", "text/plain; charset=utf-8");
        return;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    res.headers.emplace_back("Content-Type", http::contentTypeFor(file.filename().string()));
    res.headers.emplace_back("Accept-Ranges", "bytes");
    body->length = size;
    if (auto rangeHeader = req.header("Range")) {
        if (auto range = http::parseRange(*rangeHeader, size)) {
            if (!range->satisfiable) {
                res.status = 416;
                res.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
                return;
            }
            res.status = 206;
            body->offset = range->first;
            body->length = range->length;
            res.headers.emplace_back("Content-Range",
                                     "bytes " + std::to_string(range->first) + "-" +
                                         std::to_string(range->first + range->length - 1) + "/" +
                                         std::to_string(size));
        }
    }
    res.file = std::move(body);
}

std::optional<std::string> readSmallFile(const fs::path& path, size_t maxBytes) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (ec || size > maxBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<size_t>(in.gcount()) != size) return std::nullopt;
    return bytes;
}

} // namespace zserver
