// Table view cost with many rows: reload, and a scroll through the whole list with reused
// cells (only the visible rows are ever built).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/ui/label.h"
#include "platform/ui/table_view.h"
#include "platform/ui/window.h"

namespace {

struct Rows : ui::TableViewDataSource, ui::TableViewDelegate {
    int count = 0;
    int numberOfRowsInSection(ui::TableView&, int) override { return count; }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& t,
                                                             const ui::IndexPath& p) override {
        auto cell = t.dequeueReusableCellWithIdentifier("row");
        if (!cell)
            cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "row");
        cell->textLabel().setText("Row " + std::to_string(p.row));
        return cell;
    }
    std::optional<float> heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath& p) override {
        return p.row % 3 ? 44.0f : 80.0f;
    }
};

void BM_TableReload(benchmark::State& state) {
    ui::Window window;
    Rows rows;
    rows.count = int(state.range(0));
    auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 320, 418});
    table->setDataSource(&rows);
    table->setDelegate(&rows);
    window.addSubview(table);
    for (auto _ : state) table->reloadData();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TableReload)->Arg(100)->Arg(1000)->Arg(10000);

void BM_TableScrollThrough(benchmark::State& state) {
    ui::Window window;
    Rows rows;
    rows.count = int(state.range(0));
    auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 320, 418});
    table->setDataSource(&rows);
    table->setDelegate(&rows);
    window.addSubview(table);
    table->reloadData();
    float end = table->maximumContentOffset().y;
    long steps = 0;
    for (auto _ : state) {
        for (float y = 0; y <= end; y += 20, ++steps) table->setContentOffset({0, y});
        table->setContentOffset({0, 0});
    }
    state.SetItemsProcessed(steps);
}
BENCHMARK(BM_TableScrollThrough)->Arg(1000);

} // namespace
