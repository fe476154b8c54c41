// Buffered file source: POSIX reads through a 16 KiB buffer, every path under the root path.
#include "file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#include "mxp4/mxp4.h"
#include "package.h"

namespace mx {

namespace {

char _ROOTPATHREAL[_ROOTPATHMAX] = "./";
// Cleared when fileInit was given a root that does not fit: opening then fails rather than
// silently reading from another directory.
bool rootValid = true;

// read(2) until `n` bytes, end of file or an error; returns the bytes read.
size_t readFull(int fd, uint8_t* dst, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::read(fd, dst + done, n - done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

} // namespace

void fileInit(const char* root) {
    if (!root) root = "./";
    size_t len = std::strlen(root);
    if (len >= sizeof(_ROOTPATHREAL)) {
        _ROOTPATHREAL[0] = '\0';
        rootValid = false;
        return;
    }
    std::memcpy(_ROOTPATHREAL, root, len + 1);
    rootValid = true;
}

void filePath(const char* path, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    out[0] = '\0';
    if (!path) return;
    const char* cut = nullptr;
    for (const char* c = path; *c; ++c)
        if (*c == '/' || *c == '\\') cut = c + 1;
    if (!cut) return;
    size_t len = static_cast<size_t>(cut - path);
    if (len >= outSize) return; // a truncated directory would name another place
    std::memcpy(out, path, len);
    out[len] = '\0';
}

int fsrcopenInto(FileSource* src, uint8_t* buffer, const char* path) {
    if (!src || !buffer || !path) return 0;
    char full[_ROOTPATHMAX + kMaxPath];
    // An absolute path names its file already: prefixing the root would point somewhere else.
    bool absolute = path[0] == '/';
    if (!absolute && !rootValid) return 0;
    size_t rootLen = absolute ? 0 : std::strlen(_ROOTPATHREAL);
    size_t pathLen = std::strlen(path);
    if (rootLen + pathLen >= sizeof(full)) return 0;
    std::memcpy(full, _ROOTPATHREAL, rootLen);
    std::memcpy(full + rootLen, path, pathLen + 1);
    int fd;
    do {
        fd = ::open(full, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return 0;
    src->fd = fd;
    src->buffer = buffer;
    src->pos = 0;
    src->fill = 0;
    src->ownsBuffer = false;
    src->ownsSelf = false;
    return 1;
}

FileSource* fsrcopen(const char* path) {
    auto* src = new (std::nothrow) FileSource;
    if (!src) return nullptr;
    auto* buffer = new (std::nothrow) uint8_t[_FSRCBUFLEN];
    if (!buffer || !fsrcopenInto(src, buffer, path)) {
        delete[] buffer;
        delete src;
        return nullptr;
    }
    src->ownsBuffer = true;
    src->ownsSelf = true;
    return src;
}

size_t fsrcread(void* dst, size_t size, size_t count, FileSource* src) {
    size_t n;
    if (!src || src->fd < 0 || !dst || __builtin_mul_overflow(size, count, &n)) return 0;
    auto* out = static_cast<uint8_t*>(dst);
    size_t avail = static_cast<size_t>(src->fill - src->pos);
    if (n <= avail) {
        std::memcpy(out, src->buffer + src->pos, n);
        src->pos += static_cast<int>(n);
        return n;
    }
    std::memcpy(out, src->buffer + src->pos, avail);
    src->pos = src->fill = 0;
    size_t done = avail;
    size_t rest = n - avail;
    if (rest >= static_cast<size_t>(_FSRCBUFLEN)) return done + readFull(src->fd, out + done, rest);

    size_t k = readFull(src->fd, src->buffer, _FSRCBUFLEN);
    if (k == 0) return done;
    // Keep the data at the buffer's end so that the unconsumed bytes always end at `fill`.
    int start = _FSRCBUFLEN - static_cast<int>(k);
    if (start > 0) std::memmove(src->buffer + start, src->buffer, k);
    src->pos = start;
    src->fill = _FSRCBUFLEN;
    size_t take = rest < k ? rest : k;
    std::memcpy(out + done, src->buffer + src->pos, take);
    src->pos += static_cast<int>(take);
    return done + take;
}

void fsrcskip(FileSource* src, int64_t bytes) {
    if (!src || src->fd < 0) return;
    int64_t avail = src->fill - src->pos;
    if (bytes >= 0 && bytes <= avail) {
        src->pos += static_cast<int>(bytes);
        return;
    }
    // The file position lies `avail` bytes past the read position.
    if (::lseek(src->fd, static_cast<off_t>(bytes - avail), SEEK_CUR) < 0) return;
    src->pos = src->fill = 0;
}

void fsrcseek(FileSource* src, int64_t offset) {
    if (!src || src->fd < 0 || offset < 0) return;
    if (::lseek(src->fd, static_cast<off_t>(offset), SEEK_SET) < 0) return;
    src->pos = src->fill = 0;
}

int64_t fsrctell(FileSource* src) {
    if (!src || src->fd < 0) return -1;
    off_t at = ::lseek(src->fd, 0, SEEK_CUR);
    if (at < 0) return -1;
    return static_cast<int64_t>(at) - (src->fill - src->pos);
}

void fsrcclose(FileSource* src) {
    if (!src) return;
    if (src->fd >= 0) ::close(src->fd);
    src->fd = -1;
    src->pos = src->fill = 0;
    if (src->ownsBuffer) delete[] src->buffer;
    src->buffer = nullptr;
    src->ownsBuffer = false;
    if (src->ownsSelf) delete src;
}

} // namespace mx

extern "C" void fileInit(const char* root) {
    mx::fileInit(root);
}
