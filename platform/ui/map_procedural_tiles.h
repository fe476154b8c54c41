// ProceduralTileSource: map tiles drawn locally, without network — sea and coarse land, a
// graticule labelled in degrees, and major cities as labelled dots, more of them as the map
// zooms in.
#pragma once

#include <memory>

#include "platform/ui/map_tiles.h"

namespace ui {

class ProceduralTileSource : public TileSource {
  public:
    ProceduralTileSource() : alive_(std::make_shared<int>(0)) {}

    int maxZoom() const override { return 14; }
    std::string attribution() const override { return "Zephrun maps"; }
    // Draws the tile on a later turn of the calling thread's run loop.
    void requestTile(const TileKey& key, Completion completion) override;
    void cancelAll() override { alive_ = std::make_shared<int>(0); }

    // The tile's pixels (256 x 256); null for a key outside the world.
    static Image renderTile(const TileKey& key);
    // Graticule spacing in degrees at a zoom level.
    static double graticuleStep(int zoom);

  private:
    std::shared_ptr<int> alive_; // replaced by cancelAll(): older posted draws are dropped
};

} // namespace ui
