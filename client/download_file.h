// A download written straight to disk: the bytes go to a temporary file beside the target as
// they arrive, and only a finished download replaces the target (fsync, rename, fsync of the
// directory), so a reader never sees half a package and a failed download leaves the old one.
#pragma once

#include <filesystem>
#include <string_view>

namespace kt {

class DownloadFile {
  public:
    // Creates the temporary file; ok() tells whether that worked.
    explicit DownloadFile(std::filesystem::path target);
    // Removes the temporary file unless commit() succeeded.
    ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    const std::filesystem::path& target() const { return target_; }
    // Appends bytes; false (and the download is spoiled) when the disk refuses them.
    bool write(std::string_view bytes);
    // Makes the written bytes the target's content, durably; false when any step fails.
    bool commit();

  private:
    std::filesystem::path target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
};

} // namespace kt
