// Buffered file source: POSIX reads (or a package's callbacks) through a 16 KiB buffer, every
// path under the root path.
#include "file.h"

#include <cerrno>
#include <cstdio>
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

// Moves the datasource to `to`. A datasource that cannot seek there moves forward by reading.
bool streamSeekTo(Stream* st, int64_t to) {
    if (st->at == to) return true;
    if (st->io.seek_func && st->io.seek_func(st->user, to, SEEK_SET) == 0) {
        st->at = to;
        return true;
    }
    if (st->at < 0 || to < st->at || !st->io.read_func) return false;
    uint8_t scrap[512];
    while (st->at < to) {
        size_t want = static_cast<size_t>(to - st->at < 512 ? to - st->at : 512);
        size_t got = st->io.read_func(scrap, 1, want, st->user);
        if (got == 0 || got > want) return false;
        st->at += static_cast<int64_t>(got);
    }
    return true;
}

// Reads up to `n` bytes at the source's stream position; returns the bytes read.
size_t streamRead(FileSource* src, uint8_t* dst, size_t n) {
    Stream* st = src->stream;
    if (!st->io.read_func || !streamSeekTo(st, src->streamPos)) return 0;
    size_t done = 0;
    bool lost = false;
    while (done < n) {
        size_t got = st->io.read_func(dst + done, 1, n - done, st->user);
        // A callback that claims more than it was asked for leaves its position unknown.
        lost = got > n - done;
        if (got == 0 || lost) break;
        done += got;
    }
    st->at = lost ? -1 : st->at + static_cast<int64_t>(done);
    src->streamPos += static_cast<int64_t>(done);
    return done;
}

size_t rawRead(FileSource* src, uint8_t* dst, size_t n) {
    return src->stream ? streamRead(src, dst, n) : readFull(src->fd, dst, n);
}

bool isOpen(const FileSource* src) {
    return src->fd >= 0 || src->stream;
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
    if (!src || !buffer || !path) return -1;
    char full[_ROOTPATHMAX + kMaxPath];
    // An absolute path names its file already: prefixing the root would point somewhere else.
    bool absolute = path[0] == '/';
    if (!absolute && !rootValid) return -1;
    size_t rootLen = absolute ? 0 : std::strlen(_ROOTPATHREAL);
    size_t pathLen = std::strlen(path);
    if (rootLen + pathLen >= sizeof(full)) return -1;
    std::memcpy(full, _ROOTPATHREAL, rootLen);      // NOLINT(bugprone-not-null-terminated-result)
    std::memcpy(full + rootLen, path, pathLen + 1); // the path brings its NUL
    int fd;
    do {
        fd = ::open(full, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    *src = FileSource{};
    src->fd = fd;
    src->buffer = buffer;
    return 0;
}

int fsrcopenStreamInto(FileSource* src, uint8_t* buffer, Stream* stream, int64_t offset) {
    if (!src || !buffer || !stream || offset < 0) return -1;
    *src = FileSource{};
    src->stream = stream;
    src->streamPos = offset;
    src->buffer = buffer;
    return 0;
}

namespace {

// A source and buffer of its own, opened by `open`.
template <typename Open> FileSource* newSource(Open open) {
    auto* src = new (std::nothrow) FileSource;
    if (!src) return nullptr;
    auto* buffer = new (std::nothrow) uint8_t[_FSRCBUFLEN];
    if (!buffer || open(src, buffer) != 0) {
        delete[] buffer;
        delete src;
        return nullptr;
    }
    src->ownsBuffer = true;
    src->ownsSelf = true;
    return src;
}

} // namespace

FileSource* fsrcopen(const char* path) {
    return newSource([path](FileSource* s, uint8_t* b) { return fsrcopenInto(s, b, path); });
}

FileSource* fsrcopenStream(Stream* stream, int64_t offset) {
    return newSource(
        [=](FileSource* s, uint8_t* b) { return fsrcopenStreamInto(s, b, stream, offset); });
}

size_t fsrcread(void* dst, size_t size, size_t count, FileSource* src) {
    size_t n;
    if (!src || !isOpen(src) || !dst || __builtin_mul_overflow(size, count, &n)) return 0;
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
    if (rest >= static_cast<size_t>(_FSRCBUFLEN)) return done + rawRead(src, out + done, rest);

    size_t k = rawRead(src, src->buffer, _FSRCBUFLEN);
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
    if (!src || !isOpen(src)) return;
    int64_t avail = src->fill - src->pos;
    if (bytes >= 0 && bytes <= avail) {
        src->pos += static_cast<int>(bytes);
        return;
    }
    // The file position lies `avail` bytes past the read position.
    if (src->stream) {
        int64_t to;
        if (__builtin_add_overflow(src->streamPos, bytes - avail, &to) || to < 0) return;
        src->streamPos = to; // the datasource moves at the next read
    } else if (::lseek(src->fd, static_cast<off_t>(bytes - avail), SEEK_CUR) < 0) {
        return;
    }
    src->pos = src->fill = 0;
}

void fsrcseek(FileSource* src, int64_t offset) {
    if (!src || !isOpen(src) || offset < 0) return;
    if (src->stream)
        src->streamPos = offset;
    else if (::lseek(src->fd, static_cast<off_t>(offset), SEEK_SET) < 0)
        return;
    src->pos = src->fill = 0;
}

int64_t fsrctell(FileSource* src) {
    if (!src || !isOpen(src)) return -1;
    int64_t at = src->stream ? src->streamPos : static_cast<int64_t>(::lseek(src->fd, 0, SEEK_CUR));
    if (at < 0) return -1;
    return at - (src->fill - src->pos);
}

int64_t streamSize(Stream* st) {
    if (!st || !st->io.seek_func || !st->io.tell_func) return -1;
    if (st->io.seek_func(st->user, 0, SEEK_END) != 0) return -1;
    const int64_t size = st->io.tell_func(st->user);
    if (st->io.seek_func(st->user, 0, SEEK_SET) != 0) {
        st->at = -1; // somewhere past the start: only a seek can bring it back
        return -1;
    }
    st->at = 0;
    return size;
}

void fsrcclose(FileSource* src) {
    if (!src) return;
    if (src->fd >= 0) ::close(src->fd);
    src->fd = -1;
    src->stream = nullptr;
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
