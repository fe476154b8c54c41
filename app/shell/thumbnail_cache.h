// ThumbnailCache: the small pictures of list rows (news, videos, covers, albums), kept by name in
// the picture directory ("_PathImage"). A picture comes from its stored file; else from the file
// of the same name shipped with the application, copied in; else from the image-resize service
// (`url_resize_image` + "url=" + address + the screen's query, 15 s), or from the address itself
// when no service is configured.
//
// What keeps the cache sound:
//   - a name that could leave the directory ("", ".", "..", anything with "/") or that no file
//     may carry is never a file: the picture is still fetched, but not stored;
//   - only a reply with status 200 whose bytes decode as a picture is used and stored; a 1 x 1
//     picture is the service's "no picture" and is neither; a stored file that does not decode
//     is removed and fetched again. Anything else is "no picture", tried again next time.
//
// Threads: fetch() may run on any thread; it makes its request with a connection of its own, on
// the calling thread's run loop, and takes no request lock, so it never waits behind a feed.
// ThumbnailLoader runs fetches on a thread of its own and hands each picture to the interface
// thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "client/image_header.h"
#include "platform/ui/image.h"

namespace zplatform {
class RunLoop;
}

namespace zephrun {

class ZephrunAppDelegate;

// One picture as a row shows it; null when there is none.
struct Thumbnail {
    enum class Source { None, Stored, Shipped, Downloaded };
    Source source = Source::None;
    ui::Image image;                             // decoded, for the view
    std::shared_ptr<const kt::KT_Image> picture; // the bytes as stored, for a record's tImage
    explicit operator bool() const { return static_cast<bool>(image); }
};

class ThumbnailCache {
  public:
    static constexpr double kTimeoutSeconds = 15;
    // Pictures larger than this on either side are refused before decoding.
    static constexpr int kMaxSide = 4096;

    struct Settings {
        std::string directory;        // where pictures are kept; "": nothing is stored
        std::string shippedDirectory; // the files shipped with the application; "": none
        std::string resizeService;    // `url_resize_image`; blank: addresses fetched as given
        double timeoutSeconds = kTimeoutSeconds;
    };

    explicit ThumbnailCache(Settings settings);
    // The application's directories and image service, read now (interface thread).
    static ThumbnailCache of(ZephrunAppDelegate& appDelegate);

    // The picture `name` (see cacheName helpers) for `address`: stored, shipped or downloaded
    // with `query` appended after the address ("&f=0&w=67&r=1"). Blocks up to the time-out;
    // returns early with no picture once `cancelled` becomes true.
    Thumbnail fetch(const std::string& name, const std::string& address, std::string_view query,
                    const std::atomic<bool>* cancelled = nullptr) const;

    // The address fetched for `address`: through the service when there is one.
    std::string downloadAddress(const std::string& address, std::string_view query) const;
    const Settings& settings() const { return settings_; }

    // A name that stays inside the directory as a single file.
    static bool isStorableName(std::string_view name);
    // The last component of an address ("http://h/a/b.jpg" -> "b.jpg"; trailing "/" ignored).
    static std::string lastPathComponent(std::string_view address);
    // "parent_name" of the last two components, so that equal file names in different
    // directories stay apart ("http://h/v/12/t.jpg" -> "12_t.jpg").
    static std::string parentAndName(std::string_view address);
    // The picture in `bytes` when it decodes, is larger than 1 x 1 and not oversized.
    static Thumbnail decode(std::string_view bytes, Thumbnail::Source source);

  private:
    Thumbnail download(const std::string& address, std::string_view query, const std::string& file,
                       const std::atomic<bool>* cancelled) const;

    Settings settings_;
};

// Fetches pictures one after the other on a worker thread; each result reaches `done` on the
// interface thread, in order, and never after the loader is gone. Create, use and destroy on the
// interface thread. The destructor cancels what is queued and the download under way.
class ThumbnailLoader {
  public:
    using Done = std::function<void(const Thumbnail&)>;

    explicit ThumbnailLoader(ThumbnailCache cache);
    ~ThumbnailLoader();
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    void load(std::string name, std::string address, std::string query, Done done);
    // Drops the queued fetches and stops the one under way; their `done` is not called.
    void cancelAll();

  private:
    struct Job {
        std::string name, address, query;
        Done done;
        unsigned generation = 0;
    };
    // What the interface thread's posted results check: the loader still exists, and no
    // cancelAll() came after the fetch was queued.
    struct State;
    void run();

    const ThumbnailCache cache_;
    std::shared_ptr<State> state_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::atomic<bool> cancelCurrent_{false};
    std::shared_ptr<zplatform::RunLoop> workerLoop_;
    std::thread worker_;
};

} // namespace zephrun
