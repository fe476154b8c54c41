// The news list as the screen shows it: ten news rows with their 67 x 67 thumbnails on the
// screen's background, drawn by the software renderer (a frame at 60 fps has 16.7 ms), and the
// rebuild of those rows with every thumbnail read back from the picture directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/news/news_rows.h"
#include "app/shell/thumbnail_cache.h"
#include "platform/ui/image_view.h"
#include "platform/ui/sdl/offscreen_renderer.h"
#include "platform/ui/table_view.h"
#include "platform/ui/table_view_cell.h"
#include "platform/ui/window.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 10;
const ui::Color kTint = ui::Color::rgb255(201, 38, 84);

void useBuiltPictures() {
    static bool done = false;
    if (done) return;
    ui::ImageLibrary::setShared(
        std::make_shared<ui::ImageLibrary>(std::vector<fs::path>{ZEPHRUN_IMAGES_DIR}, 1.0f));
    done = true;
}

ui::Image photo(int seed) {
    std::vector<std::uint8_t> px(67 * 67 * 4);
    for (int y = 0; y < 67; ++y)
        for (int x = 0; x < 67; ++x) {
            std::size_t i = (static_cast<std::size_t>(y) * 67 + x) * 4;
            px[i] = static_cast<std::uint8_t>(x * 3 + seed * 20);
            px[i + 1] = static_cast<std::uint8_t>(y * 3);
            px[i + 2] = static_cast<std::uint8_t>(seed * 37);
            px[i + 3] = 255;
        }
    return ui::Image::fromPixels(67, 67, std::move(px));
}

zephrun::news::NewsRow row(int i, ui::Image picture) {
    return {"2026-12-0" + std::to_string(i % 9 + 1), "Nouvelle date à Paris " + std::to_string(i),
            "Zephrun ajoute une soirée à Paris pour la tournée d'hiver. Billets en vente vendredi, "
            "sur le site et chez les disquaires.",
            i % 3 == 0 ? "http://site.example/news/" + std::to_string(i) : "", std::move(picture)};
}

struct Rows : ui::TableViewDataSource {
    std::vector<std::shared_ptr<ui::TableViewCell>> cells;
    int numberOfRowsInSection(ui::TableView&, int) override { return int(cells.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&,
                                                             const ui::IndexPath& p) override {
        return cells[p.row];
    }
};

void BM_NewsListFrame(benchmark::State& state) {
    useBuiltPictures();
    ui::Window window;
    ui::sdl::OffscreenRenderer renderer(static_cast<float>(state.range(0)));
    if (!renderer.ok()) {
        state.SkipWithError("no software renderer");
        return;
    }
    renderer.installMetrics(window);
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-bkg.png"));
    background->setFrame({0, 62, 320, 418});
    window.addSubview(background);
    Rows rows;
    for (int i = 0; i < kRows; ++i)
        rows.cells.push_back(zephrun::news::makeNewsCell(row(i, photo(i)), kTint, true));
    auto table = std::make_shared<ui::TableView>(ui::Rect{0, 100, 320, 328});
    table->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    table->setRowHeight(zephrun::news::kNewsRowHeight);
    table->setDataSource(&rows);
    table->reloadData();
    window.addSubview(table);
    double now = 0;
    float offset = 0;
    const float end = table->maximumContentOffset().y;
    renderer.render(window);
    for (auto _ : state) {
        // Scrolling through the ten rows, so every thumbnail is drawn in turn.
        offset = offset + 9 > end ? 0 : offset + 9;
        table->setContentOffset({0, offset});
        now += 1.0 / 60;
        window.advanceTo(now);
        renderer.render(window);
    }
    table->setDataSource(nullptr);
}
BENCHMARK(BM_NewsListFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// showActus with every thumbnail already kept: ten files read and decoded, ten rows built.
void BM_NewsRowsFromStoredThumbnails(benchmark::State& state) {
    useBuiltPictures();
    const fs::path dir = fs::temp_directory_path() / "zephrun-bench-thumbnails";
    fs::create_directories(dir);
    for (int i = 0; i < kRows; ++i) {
        std::ofstream(dir / ("n" + std::to_string(i) + ".jpg"), std::ios::binary)
            << photo(i).jpegData(0.8f);
    }
    zephrun::ThumbnailCache cache({dir.string(), "", "", 15});
    for (auto _ : state) {
        std::vector<std::shared_ptr<ui::TableViewCell>> cells;
        for (int i = 0; i < kRows; ++i) {
            const std::string name = "n" + std::to_string(i) + ".jpg";
            zephrun::Thumbnail t = cache.fetch(name, "http://site.example/" + name, "&w=67");
            cells.push_back(zephrun::news::makeNewsCell(row(i, t.image), kTint, true));
        }
        benchmark::DoNotOptimize(cells);
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_NewsRowsFromStoredThumbnails)->Unit(benchmark::kMillisecond);

} // namespace
