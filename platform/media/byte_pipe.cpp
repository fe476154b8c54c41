// Byte pipe: a locked queue of bytes with a condition for the blocked reader.
#include "platform/media/byte_pipe.h"

#include <algorithm>

namespace zplatform {

void BytePipe::append(std::string_view bytes) {
    {
        std::lock_guard lock(mutex_);
        if (finished_ || failed_ || aborted_) return;
        if (bytes_.size() + bytes.size() > limit_) {
            failed_ = true;
        } else {
            bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
            received_ += bytes.size();
        }
    }
    arrived_.notify_all();
}

void BytePipe::finish() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    arrived_.notify_all();
}

void BytePipe::fail() {
    {
        std::lock_guard lock(mutex_);
        failed_ = true;
    }
    arrived_.notify_all();
}

void BytePipe::abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    arrived_.notify_all();
}

int BytePipe::read(uint8_t* out, int size) {
    if (size <= 0) return 0;
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [&] { return aborted_ || !bytes_.empty() || finished_ || failed_; });
    if (aborted_) return kAborted;
    if (bytes_.empty()) return failed_ ? kFailed : 0;
    const size_t n = std::min(bytes_.size(), static_cast<size_t>(size));
    std::copy_n(bytes_.begin(), n, out);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
}

bool BytePipe::aborted() const {
    std::lock_guard lock(mutex_);
    return aborted_;
}

size_t BytePipe::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

} // namespace zplatform
