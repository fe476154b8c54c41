// Temporary file, fsync and rename for downloads.
#include "client/download_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kt {

DownloadFile::DownloadFile(std::filesystem::path target) : target_(std::move(target)) {
    std::error_code ec;
    if (target_.has_parent_path()) std::filesystem::create_directories(target_.parent_path(), ec);
    temp_ = target_.string() + ".part-XXXXXX";
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) temp_.clear();
}

DownloadFile::~DownloadFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool DownloadFile::write(std::string_view bytes) {
    while (ok() && !bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return ok();
}

bool DownloadFile::commit() {
    if (!ok() || committed_) return committed_;
    bool synced = ::fsync(fd_) == 0;
    bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        failed_ = true;
        return false;
    }
    committed_ = true;
    std::filesystem::path dir = target_.parent_path();
    int d = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) {
        ::fsync(d);
        ::close(d);
    }
    return true;
}

} // namespace kt
