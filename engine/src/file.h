// Buffered file source: a 16 KiB read buffer over a file opened under the engine's root path.
#pragma once
#include <cstddef>
#include <cstdint>

namespace mx {

constexpr int _FSRCBUFLEN = 16384;
constexpr int _ROOTPATHMAX = 128;

struct FileSource {
    int fd = -1;               // POSIX descriptor; no stdio so that opening allocates nothing
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
// Opens into caller storage with a caller buffer of _FSRCBUFLEN bytes; allocates nothing.
// Returns 1 on success, 0 when the file cannot be opened.
int fsrcopenInto(FileSource* src, uint8_t* buffer, const char* path);
size_t fsrcread(void* dst, size_t size, size_t count, FileSource* src);
void fsrcskip(FileSource* src, int64_t bytes);
void fsrcseek(FileSource* src, int64_t offset);
int64_t fsrctell(FileSource* src);
// Closes the file; frees buffer and object only when fsrcopen allocated them.
void fsrcclose(FileSource* src);

} // namespace mx
