// HttpTileSource: map tiles fetched as "<base>/tiles/{z}/{x}/{y}.png" through the platform's
// HTTP connection, a few at a time. A status of 400 or more, an undecodable body or a transport
// error fails the tile with that code.
//
// Threads: construct, use and destroy on the interface thread, whose run loop delivers the
// completions.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/map_tiles.h"

namespace ui {

class HttpTileSource : public TileSource {
  public:
    // `baseAddress` like "http://tiles.example:8080" (a trailing '/' is ignored).
    explicit HttpTileSource(std::string baseAddress, int maxZoom = 18, int maxConcurrent = 4);
    ~HttpTileSource() override;
    HttpTileSource(const HttpTileSource&) = delete;
    HttpTileSource& operator=(const HttpTileSource&) = delete;

    int maxZoom() const override { return maxZoom_; }
    std::string attribution() const override { return "Map tiles"; }
    void requestTile(const TileKey& key, Completion completion) override;
    void cancelAll() override;

    std::string urlForTile(const TileKey& key) const;
    // Seconds without progress before a tile fails as timed out.
    void setTimeout(double seconds) { timeout_ = seconds; }
    size_t inFlight() const { return running_.size(); }

  private:
    struct Fetch;
    void startQueued();
    void finished(Fetch* fetch, TileReply reply);

    std::string base_;
    int maxZoom_;
    int maxConcurrent_;
    double timeout_ = 20;
    std::deque<std::pair<TileKey, Completion>> queue_;
    std::map<Fetch*, std::unique_ptr<Fetch>> running_;
    std::shared_ptr<int> alive_;
};

} // namespace ui
