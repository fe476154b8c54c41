// The map's least-recently-used tile cache.
#include "platform/ui/map_tiles.h"

namespace ui {

Image TileCache::get(const TileKey& key) {
    auto it = index_.find(key);
    if (it == index_.end()) return {};
    order_.splice(order_.begin(), order_, it->second);
    return it->second->second;
}

Image TileCache::peek(const TileKey& key) const {
    auto it = index_.find(key);
    return it == index_.end() ? Image{} : it->second->second;
}

void TileCache::put(const TileKey& key, Image image) {
    auto it = index_.find(key);
    if (it != index_.end()) {
        it->second->second = std::move(image);
        order_.splice(order_.begin(), order_, it->second);
        return;
    }
    order_.emplace_front(key, std::move(image));
    index_[key] = order_.begin();
    while (index_.size() > capacity_) {
        index_.erase(order_.back().first);
        order_.pop_back();
    }
}

void TileCache::clear() {
    index_.clear();
    order_.clear();
}

} // namespace ui
