#include "app/community/tour_tracker/album_strip_loader.h"

#include "app/community/tour_tracker/tour_tracker_texts.h"
#include "platform/run_loop.h"

namespace zephrun {

// What the posted events reach: alive while the loader is, touched on the interface thread only.
struct AlbumStripLoader::Shared {
    Events events;
};

AlbumStripLoader::AlbumStripLoader(std::shared_ptr<AlbumPhoto> album, ThumbnailCache cache)
    : album_(std::move(album)), cache_(std::move(cache)), shared_(std::make_shared<Shared>()) {}

AlbumStripLoader::~AlbumStripLoader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        shown_ = 0;
    }
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

std::string AlbumStripLoader::thumbnailName(const std::string& concertID,
                                            const std::string& address) {
    return concertID + "_" + ThumbnailCache::lastPathComponent(address);
}

void AlbumStripLoader::load(unsigned bubble, Events events) {
    shared_->events = std::move(events);
    std::lock_guard lock(mutex_);
    shown_ = bubble;
    if (running_) {
        cancel_ = true; // a thumbnail of the previous bubble is not worth waiting for
        return;
    }
    // The previous thread has decided to end (running_ is false): its join is immediate.
    if (thread_.joinable()) thread_.join();
    running_ = true;
    cancel_ = false;
    ++threadsStarted_;
    thread_ = std::thread([this, bubble] { run(bubble); });
}

void AlbumStripLoader::stop() {
    std::lock_guard lock(mutex_);
    shown_ = 0;
    cancel_ = true;
}

bool AlbumStripLoader::isRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

unsigned AlbumStripLoader::takeBubble() {
    std::lock_guard lock(mutex_);
    if (stopping_ || shown_ == 0) {
        running_ = false;
        return 0;
    }
    cancel_ = false;
    return shown_;
}

bool AlbumStripLoader::isShown(unsigned bubble) const {
    std::lock_guard lock(mutex_);
    return !stopping_ && shown_ == bubble;
}

bool AlbumStripLoader::finish(unsigned bubble) {
    std::lock_guard lock(mutex_);
    if (!stopping_ && shown_ != 0 && shown_ != bubble) return false;
    running_ = false;
    return true;
}

void AlbumStripLoader::post(std::function<void(Events&)> event) {
    zplatform::RunLoop::main().post(
        [weak = std::weak_ptr<Shared>(shared_), event = std::move(event)] {
            if (auto shared = weak.lock()) event(shared->events);
        });
}

void AlbumStripLoader::run(unsigned bubble) {
    // The album is fetched once the thread starts, even for a bubble closed meanwhile; the
    // thumbnails only for the bubble shown.
    while (bubble != 0) {
        if (!album_->isRefresh()) album_->refreshPhotos();
        const bool refreshed = album_->isRefresh();
        const AlbumPhoto::List photos = album_->listPhotos();
        const int nbItems = album_->nbItems();
        if (isShown(bubble)) post([bubble, refreshed](Events& e) { e.ready(bubble, refreshed); });

        bool complete = refreshed;
        for (std::size_t i = 0; complete && i < photos.size(); ++i) {
            if (!isShown(bubble)) {
                complete = false;
                break;
            }
            const auto& photo = photos[i];
            if (photo->tURLImage.empty()) continue;
            Thumbnail t = cache_.fetch(thumbnailName(album_->idAlbum(), photo->tURLImage),
                                       photo->tURLImage, tourtracker::kThumbQuery, &cancel_);
            post([bubble, i, photo, t = std::move(t)](Events& e) {
                e.thumbnail(bubble, i, photo, t);
            });
        }
        if (complete && isShown(bubble) && nbItems != static_cast<int>(photos.size())) {
            const std::size_t count = photos.size();
            post([bubble, count](Events& e) { e.more(bubble, count); });
        }
        if (finish(bubble)) return;
        bubble = takeBubble();
    }
}

} // namespace zephrun
