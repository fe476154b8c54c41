// Tiles over HTTP: one connection per tile, completions on the interface thread's loop.
#include "platform/ui/map_http_tiles.h"

#include "platform/http/http_connection.h"
#include "platform/run_loop.h"

namespace ui {

struct HttpTileSource::Fetch : zplatform::HttpConnectionDelegate {
    HttpTileSource* owner = nullptr;
    TileKey key;
    Completion completion;
    long status = 0;
    std::string body;
    std::unique_ptr<zplatform::HttpConnection> connection;
    bool done = false;

    void didReceiveResponse(zplatform::HttpConnection&, const zplatform::HttpResponse& r) override {
        status = r.statusCode;
    }
    void didReceiveData(zplatform::HttpConnection&, std::string_view data) override {
        if (status < 400) body.append(data);
    }
    void connectionDidFinishLoading(zplatform::HttpConnection&) override {
        TileReply reply{key, {}, std::nullopt};
        if (status >= 400) {
            reply.error =
                MapError{static_cast<int>(status), "HTTP status " + std::to_string(status)};
        } else {
            reply.image = Image::fromData(body);
            if (!reply.image) {
                reply.error =
                    MapError{zplatform::HttpError::kBadServerResponse, "the tile is not an image"};
            }
        }
        owner->finished(this, std::move(reply));
    }
    void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError& e) override {
        owner->finished(this, {key, {}, MapError{e.code, e.description}});
    }
};

HttpTileSource::HttpTileSource(std::string baseAddress, int maxZoom, int maxConcurrent)
    : base_(std::move(baseAddress)), maxZoom_(maxZoom),
      maxConcurrent_(maxConcurrent > 0 ? maxConcurrent : 1), alive_(std::make_shared<int>(0)) {
    while (!base_.empty() && base_.back() == '/') base_.pop_back();
}

HttpTileSource::~HttpTileSource() {
    cancelAll();
}

std::string HttpTileSource::urlForTile(const TileKey& key) const {
    return base_ + "/tiles/" + std::to_string(key.z) + "/" + std::to_string(key.x) + "/" +
           std::to_string(key.y) + ".png";
}

void HttpTileSource::requestTile(const TileKey& key, Completion completion) {
    queue_.emplace_back(key, std::move(completion));
    // Started from the loop, so that no completion can run inside requestTile().
    std::weak_ptr<int> alive = alive_;
    zplatform::RunLoop::current().post([this, alive] {
        if (!alive.expired()) startQueued();
    });
}

void HttpTileSource::startQueued() {
    while (static_cast<int>(running_.size()) < maxConcurrent_ && !queue_.empty()) {
        auto fetch = std::make_unique<Fetch>();
        fetch->owner = this;
        fetch->key = queue_.front().first;
        fetch->completion = std::move(queue_.front().second);
        queue_.pop_front();
        zplatform::HttpRequest request;
        request.url = urlForTile(fetch->key);
        request.method = "GET";
        request.timeoutInterval = timeout_;
        Fetch* raw = fetch.get();
        running_[raw] = std::move(fetch);
        raw->connection = std::make_unique<zplatform::HttpConnection>(std::move(request), *raw);
    }
}

void HttpTileSource::finished(Fetch* fetch, TileReply reply) {
    if (fetch->done) return;
    fetch->done = true;
    Completion completion = std::move(fetch->completion);
    // The fetch is inside its connection's callback: release both from the loop.
    std::weak_ptr<int> alive = alive_;
    zplatform::RunLoop::current().post([this, alive, fetch] {
        if (alive.expired()) return;
        running_.erase(fetch);
        startQueued();
    });
    if (completion) completion(std::move(reply));
}

void HttpTileSource::cancelAll() {
    alive_ = std::make_shared<int>(0);
    queue_.clear();
    for (auto& [raw, fetch] : running_) {
        if (fetch->connection) fetch->connection->cancel();
    }
    running_.clear();
}

} // namespace ui
