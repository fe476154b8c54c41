// Read/seek/tell callbacks over a stream in memory, shared by both decoders' adapters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vshort_test {

struct MemorySource {
    const std::vector<uint8_t>* data;
    size_t pos = 0;

    static size_t read(void* out, size_t size, size_t n, void* user) {
        auto* m = static_cast<MemorySource*>(user);
        if (size == 0) return 0;
        const size_t left = m->data->size() - m->pos;
        const size_t got = size * n < left ? size * n : left;
        std::memcpy(out, m->data->data() + m->pos, got);
        m->pos += got;
        return got / size;
    }
    static int seek(void* user, int64_t off, int whence) {
        auto* m = static_cast<MemorySource*>(user);
        const auto size = static_cast<int64_t>(m->data->size());
        const int64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? static_cast<int64_t>(m->pos)
                                                  : size;
        if (base + off < 0 || base + off > size) return -1;
        m->pos = static_cast<size_t>(base + off);
        return 0;
    }
    static long tell(void* user) {
        return static_cast<long>(static_cast<MemorySource*>(user)->pos);
    }
};

} // namespace vshort_test
