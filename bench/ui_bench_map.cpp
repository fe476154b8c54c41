// Map benchmarks: drawing one procedural tile, and a map's frame while it is dragged.
#include <benchmark/benchmark.h>

#include "platform/ui/canvas.h"
#include "platform/ui/map_procedural_tiles.h"
#include "platform/ui/map_view.h"
#include "platform/ui/window.h"

namespace {

// A canvas that only counts, so the map's own work is measured.
class CountingCanvas : public ui::Canvas {
  public:
    int calls = 0;
    void save() override {}
    void restore() override {}
    void concat(const ui::Transform&) override {}
    void clipTo(const ui::Rect&) override {}
    void multiplyAlpha(float) override {}
    void fillRect(const ui::Rect&, const ui::Color&) override { ++calls; }
    void strokeRect(const ui::Rect&, const ui::Color&, float) override { ++calls; }
    void fillEllipse(const ui::Rect&, const ui::Color&) override { ++calls; }
    void drawLine(ui::Point, ui::Point, const ui::Color&, float) override { ++calls; }
    void drawImage(const ui::Image&, const ui::Rect&, const ui::Rect&, const ui::Color&) override {
        ++calls;
    }
    void drawText(std::string_view, const ui::Font&, const ui::Color&, ui::Point) override {
        ++calls;
    }
    const ui::FontMetrics& metrics() const override { return metrics_; }

  private:
    ui::FixedFontMetrics metrics_;
};

void BM_ProceduralTile(benchmark::State& state) {
    int z = static_cast<int>(state.range(0));
    int n = 1 << z;
    int i = 0;
    for (auto _ : state) {
        // Western Europe and its neighbours, where the outlines are densest.
        ui::TileKey key{z, n / 2 + (i % 3), n / 3 + (i / 3 % 2)};
        benchmark::DoNotOptimize(ui::ProceduralTileSource::renderTile(key));
        ++i;
    }
}
BENCHMARK(BM_ProceduralTile)->Arg(3)->Arg(6)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_MapDragFrame(benchmark::State& state) {
    ui::Window window;
    auto map = std::make_shared<ui::MapView>(ui::Rect{0, 0, 320, 388});
    window.addSubview(map);
    map->setRegion({{47, 2.16}, {17, 17}}, false);
    std::vector<std::shared_ptr<ui::Annotation>> pins;
    pins.reserve(200);
    for (int k = 0; k < 200; ++k) {
        const int row = k / 20, column = k % 20; // a grid of 10 rows of 20 pins
        pins.push_back(std::make_shared<ui::PointAnnotation>(
            ui::LocationCoordinate{42 + column * 0.4, -4 + row * 1.2}, "member"));
    }
    map->addAnnotations(pins);
    CountingCanvas canvas;
    float x = 160;
    window.handleTouch(0, ui::TouchPhase::Began, {x, 200});
    for (auto _ : state) {
        x = x > 300 ? 20 : x + 3;
        window.handleTouch(0, ui::TouchPhase::Moved, {x, 200});
        window.renderWindow(canvas);
    }
    window.handleTouch(0, ui::TouchPhase::Ended, {x, 200});
    benchmark::DoNotOptimize(canvas.calls);
}
BENCHMARK(BM_MapDragFrame)->Unit(benchmark::kMicrosecond);

} // namespace
