// MixDownload: the mix table's package fetched into the mix directory. The reply streams into a
// temporary file beside the destination; it replaces the package only when it is a complete
// 200 reply that loads as a package, so a failed or refused download never leaves a broken
// package behind.
//
// Threads: run() blocks the calling thread (the download thread), turning its run loop; the
// progress callback runs there too.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace zephrun {

// "Téléchargement du Mix" / "Download Mix" with the bytes received and the total, e.g.
// "Download Mix\n3.1 MB / 10.2 MB" (the total only when the server announced it).
std::string mixDownloadProgressText(bool french, long long received, long long total);

class MixDownload {
  public:
    struct Result {
        bool stored = false;
        std::string failure; // why not, for the log
    };
    static constexpr double kTimeout = 480;

    MixDownload() = default;
    void setProgress(std::function<void(long long received, long long total)> progress) {
        progress_ = std::move(progress);
    }
    // Fetches `url` into `destination`; `cancel` set by another thread ends it early.
    Result run(const std::string& url, const std::string& destination,
               const std::atomic<bool>& cancel);

  private:
    std::function<void(long long, long long)> progress_;
};

} // namespace zephrun
