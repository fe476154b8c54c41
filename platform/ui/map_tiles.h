// Map tiles: the z/x/y key of a 256-pixel Web-Mercator tile, the TileSource interface the map
// loads tiles from, and TileCache, the map's bounded (least recently used) store of loaded tiles.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/ui/image.h"

namespace ui {

inline constexpr int kTileSize = 256;

struct TileKey {
    int z = 0, x = 0, y = 0;
    friend bool operator==(const TileKey&, const TileKey&) = default;
    friend auto operator<=>(const TileKey&, const TileKey&) = default;
};

struct TileKeyHash {
    std::size_t operator()(const TileKey& k) const {
        return std::hash<long long>()((static_cast<long long>(k.z) << 58) ^
                                      (static_cast<long long>(k.x) << 29) ^ k.y);
    }
};

// Why the map could not be loaded: an HTTP status (400 and above) or a negative URL loading code
// (zplatform::HttpError), with a readable description.
struct MapError {
    int code = 0;
    std::string description;
};

struct TileReply {
    TileKey key;
    Image image;                   // null on failure
    std::optional<MapError> error; // set on failure
};

class TileSource {
  public:
    using Completion = std::function<void(TileReply)>;

    virtual ~TileSource() = default;
    virtual int minZoom() const { return 0; }
    virtual int maxZoom() const = 0;
    // The credit the map shows in its corner.
    virtual std::string attribution() const = 0;
    // Starts loading a tile. The completion runs exactly once (unless cancelAll() comes first)
    // on the calling thread's run loop, never from inside requestTile().
    virtual void requestTile(const TileKey& key, Completion completion) = 0;
    // Drops every request in flight; their completions never run.
    virtual void cancelAll() = 0;
};

class TileCache {
  public:
    explicit TileCache(std::size_t capacity = 192) : capacity_(capacity ? capacity : 1) {}

    // The tile, made most recently used; null when absent.
    Image get(const TileKey& key);
    // The tile without touching the order (drawing).
    Image peek(const TileKey& key) const;
    bool contains(const TileKey& key) const { return index_.count(key) != 0; }
    // Stores (or replaces) a tile, evicting the least recently used beyond the capacity.
    void put(const TileKey& key, Image image);
    void clear();
    std::size_t size() const { return index_.size(); }
    std::size_t capacity() const { return capacity_; }

  private:
    using Entry = std::pair<TileKey, Image>;
    std::size_t capacity_;
    std::list<Entry> order_; // most recent first
    std::unordered_map<TileKey, std::list<Entry>::iterator, TileKeyHash> index_;
};

} // namespace ui
