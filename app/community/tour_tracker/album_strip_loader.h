// AlbumStripLoader: fills a concert bubble's photo strip from the concert's album on a worker
// thread — the album's first page fetched when it never was, then the thumbnails one by one —
// and hands each step to the interface thread.
//
// One loader per album and at most one thread per loader: a bubble of the same album opened
// again while the thread still works redirects that thread to the new bubble instead of starting
// another, so the album is never refreshed twice at once. Before each photo the thread checks that
// its bubble is still the one shown; a bubble closed meanwhile stops it, a new one restarts it.
//
// Threads: create, call and destroy on the interface thread. The events run there, only for the
// bubble shown when they arrive, and never after the loader is gone. The destructor stops the
// thread (a thumbnail download is cancelled; an album request in flight is waited for).
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/shell/thumbnail_cache.h"
#include "feeds/album_photo.h"

namespace zephrun {

class AlbumStripLoader {
  public:
    // What the thread hands the interface thread for bubble `bubble`.
    struct Events {
        // The album as it stands after the refresh (refreshed or not): the strip may be built.
        std::function<void(unsigned bubble, bool refreshed)> ready;
        // Photo `index` of the list with its thumbnail (none when it could not be fetched).
        std::function<void(unsigned bubble, std::size_t index,
                           const std::shared_ptr<AlbumPhotoDescription>& photo,
                           const Thumbnail& thumbnail)>
            thumbnail;
        // Every photo of the list was placed and the album holds more: `count` photos so far.
        std::function<void(unsigned bubble, std::size_t count)> more;
    };

    AlbumStripLoader(std::shared_ptr<AlbumPhoto> album, ThumbnailCache cache);
    ~AlbumStripLoader();
    AlbumStripLoader(const AlbumStripLoader&) = delete;
    AlbumStripLoader& operator=(const AlbumStripLoader&) = delete;

    // Loads the strip of bubble `bubble` (non-zero), which is now the one shown.
    void load(unsigned bubble, Events events);
    // The bubble was closed: the thread stops before its next photo.
    void stop();

    const std::shared_ptr<AlbumPhoto>& album() const { return album_; }
    // Threads started so far, and whether one works now.
    int threadsStarted() const { return threadsStarted_; }
    bool isRunning() const;

    // The thumbnail's name in the picture directory: "<concert id>_<last path component>".
    static std::string thumbnailName(const std::string& concertID, const std::string& address);

  private:
    struct Shared;
    void run(unsigned bubble);
    // The bubble to work for next, or 0 when there is none (the thread then ends); resets the
    // cancellation.
    unsigned takeBubble();
    bool isShown(unsigned bubble) const;
    // Ends the thread unless another bubble came meanwhile (then false: start over).
    bool finish(unsigned bubble);
    // Runs `event` on the interface thread while the loader lives.
    void post(std::function<void(Events&)> event);

    const std::shared_ptr<AlbumPhoto> album_;
    const ThumbnailCache cache_;
    std::shared_ptr<Shared> shared_;
    mutable std::mutex mutex_;
    unsigned shown_ = 0;
    bool running_ = false;
    bool stopping_ = false;
    std::atomic<bool> cancel_{false};
    int threadsStarted_ = 0;
    std::thread thread_;
};

} // namespace zephrun
