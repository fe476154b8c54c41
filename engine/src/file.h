// Buffered file source: a 16 KiB read buffer over a file opened under the engine's root path, or
// over the callbacks a package was loaded through.
#pragma once
#include <cstddef>
#include <cstdint>

#include "mxp4/mxp4.h"

namespace mx {

constexpr int _FSRCBUFLEN = 16384;
constexpr int _ROOTPATHMAX = 128;

// The datasource of a package loaded through callbacks. The package owns it; every source of
// the package reads through it, each repositioning it first, so that a download or a buffer in
// memory serves the voices as a file would.
struct Stream {
    mxp4_callbacks io{};
    void* user = nullptr;
    int64_t at = 0; // where the datasource stands, in its own positions
};

struct FileSource {
    int fd = -1;               // POSIX descriptor; no stdio so that opening allocates nothing
    Stream* stream = nullptr;  // instead of fd: a package's datasource, not owned
    int64_t streamPos = 0;     // with `stream`: the position just past the buffered bytes
    uint8_t* buffer = nullptr; // _FSRCBUFLEN bytes
    int pos = 0;               // read position inside the buffer
    int fill = 0;              // bytes of the buffer holding file data (data lies in [pos, fill))
    bool ownsBuffer = false;   // buffer allocated by fsrcopen (freed by fsrcclose)
    bool ownsSelf = false;     // object allocated by fsrcopen
};

// Sets the root path prefixed to every relative path ("./" when null); absolute paths are opened
// as given. Not thread-safe: call before loading.
void fileInit(const char* root);
// Cuts `path` after its last '/' or '\\' into `out` (size `outSize`); no separator gives "".
void filePath(const char* path, char* out, size_t outSize);

FileSource* fsrcopen(const char* path);
// A source with its own buffer over a package's datasource, reading from `offset`.
FileSource* fsrcopenStream(Stream* stream, int64_t offset);
// Opens into caller storage with a caller buffer of _FSRCBUFLEN bytes; allocates nothing.
// Returns 0 on success, -1 when the file cannot be opened.
int fsrcopenInto(FileSource* src, uint8_t* buffer, const char* path);
// As fsrcopenInto over a package's datasource, reading from `offset`; -1 on a bad argument.
int fsrcopenStreamInto(FileSource* src, uint8_t* buffer, Stream* stream, int64_t offset);
size_t fsrcread(void* dst, size_t size, size_t count, FileSource* src);
void fsrcskip(FileSource* src, int64_t bytes);
void fsrcseek(FileSource* src, int64_t offset);
int64_t fsrctell(FileSource* src);
// Closes the file (never the shared datasource); frees buffer and object only when fsrcopen
// allocated them.
void fsrcclose(FileSource* src);

// Size of the datasource, found by seeking to its end and back to 0; -1 when it cannot seek or
// tell. Leaves the stream at position 0 when it succeeds.
int64_t streamSize(Stream* stream);

} // namespace mx
