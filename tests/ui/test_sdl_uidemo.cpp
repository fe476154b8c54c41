// The widget demo rendered headless: every page shows content, the turned label is drawn
// turned, the header animates, and its buttons open an alert and an action sheet that answer.
#include <gtest/gtest.h>

#include <set>

#include "platform/ui/action_sheet.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/sdl/headless.h"
#include "platform/ui/table_view_cell.h"
#include "platform/ui/test_driver.h"
#include "test_support.h"
#include "tools/uidemo/demo_screen.h"

namespace {

using ui::sdl::OffscreenRenderer;
using uidemo::DemoScreen;

struct Stats {
    size_t colours = 0;
    double differentFrom = 0; // share of pixels unlike the reference colour
};

// Pixel statistics of a window area (points), against `reference`.
Stats statsIn(const OffscreenRenderer& r, const ui::Rect& area, std::uint32_t reference) {
    std::set<std::uint32_t> colours;
    long differ = 0, total = 0;
    float s = r.scale();
    for (int y = int(area.minY() * s); y < int(area.maxY() * s); ++y)
        for (int x = int(area.minX() * s); x < int(area.maxX() * s); ++x) {
            std::uint32_t p = r.pixelRgba(x, y);
            colours.insert(p);
            differ += p != reference;
            ++total;
        }
    return {colours.size(), total ? double(differ) / double(total) : 0};
}

constexpr std::uint32_t kPageColour = 0x222428ffu; // pageColor()

struct Demo {
    explicit Demo(float scale = 1) : renderer(ui::sdl::installHeadlessRenderer(driver, scale)) {
        screen = std::make_unique<DemoScreen>(driver.window());
    }
    void render() { renderer->render(driver.window()); }
    ui::TestDriver driver;
    std::shared_ptr<OffscreenRenderer> renderer;
    std::unique_ptr<DemoScreen> screen;
};

TEST(UiDemo, EveryPageShowsItsWidgets) {
    Demo demo;
    ASSERT_TRUE(demo.renderer);
    const ui::Rect pageArea{0, DemoScreen::kPageTop, 320, DemoScreen::kPageHeight};
    std::vector<std::vector<std::uint8_t>> shots;
    for (int page = 0; page < DemoScreen::kPages; ++page) {
        demo.screen->showPage(page);
        demo.driver.advance(0.2);
        EXPECT_EQ(demo.screen->currentPage(), page);
        demo.render();
        Stats stats = statsIn(*demo.renderer, pageArea, kPageColour);
        EXPECT_GT(stats.colours, 60u) << "page " << page;
        EXPECT_GT(stats.differentFrom, 0.25) << "page " << page;
        shots.push_back(demo.renderer->rgba());
    }
    for (size_t i = 1; i < shots.size(); ++i) EXPECT_NE(shots[i], shots[i - 1]) << i;

    // Each page holds what it promises.
    for (int tag : {uidemo::kTagRotatedLabel, uidemo::kTagTable, uidemo::kTagTextField,
                    uidemo::kTagTextView, uidemo::kTagPicker, uidemo::kTagMap, uidemo::kTagWebView,
                    uidemo::kTagVolume, uidemo::kTagFrameAnimation})
        EXPECT_NE(demo.driver.findByTag(tag), nullptr) << tag;
    EXPECT_GE(demo.driver.findAllOfType<ui::TableViewCell>().size(), 5u);
}

TEST(UiDemo, TheTurnedLabelIsDrawnAsATallColumn) {
    for (float scale : {1.0f, 2.0f}) {
        Demo demo(scale);
        demo.render();
        ui::View* label = demo.driver.findByTag(uidemo::kTagRotatedLabel);
        ASSERT_NE(label, nullptr);
        ui::Rect frame = demo.driver.frameInWindow(label);
        ASSERT_GT(frame.height(), frame.width() * 4);
        // The ink of its text is a tall, narrow column inside that frame.
        int minX = INT32_MAX, maxX = -1, minY = INT32_MAX, maxY = -1;
        for (int y = int(frame.minY() * scale); y < int(frame.maxY() * scale); ++y)
            for (int x = int(frame.minX() * scale); x < int(frame.maxX() * scale); ++x)
                if (demo.renderer->pixelRgba(x, y) != kPageColour) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        ASSERT_GE(maxX, 0) << scale;
        EXPECT_GT(maxY - minY, 5 * (maxX - minX)) << scale;
        EXPECT_GT(maxY - minY, int(120 * scale)) << scale;
    }
}

TEST(UiDemo, HeaderAnimatesAndScreenshotsAreWritten) {
    ts::TempDir dir;
    Demo demo(2);
    demo.render();
    const ui::Rect header{0, 0, 320, DemoScreen::kPageTop};
    auto before = demo.renderer->rgba();
    demo.driver.advance(0.25);
    EXPECT_TRUE(demo.driver.window().needsDisplay());
    demo.render();
    EXPECT_NE(demo.renderer->rgba(), before); // frame animation and spinner moved
    EXPECT_GT(statsIn(*demo.renderer, header, 0).colours, 20u);

    ASSERT_TRUE(demo.driver.screenshot(dir.file("demo.png")));
    ui::Image png = ui::Image::fromFile(dir.file("demo.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png.pixelWidth(), 640);
    EXPECT_EQ(png.pixelHeight(), 960);
}

TEST(UiDemo, ButtonsOpenAnAlertAndAnActionSheetThatAnswer) {
    Demo demo;
    ASSERT_TRUE(demo.driver.tap(demo.driver.findByTag(uidemo::kTagAlertButton)));
    demo.driver.advance(0.5);
    auto alerts = demo.driver.findAllOfType<ui::AlertView>();
    ASSERT_EQ(alerts.size(), 1u);
    demo.render();
    // The dimmed screen behind the alert is darker than the page.
    std::uint32_t behind = demo.renderer->pixelRgba(300, 400);
    EXPECT_LT(behind >> 24, 0x22u);
    ASSERT_TRUE(demo.driver.tap(demo.driver.findByText("Yes")));
    demo.driver.advance(0.5);
    EXPECT_EQ(demo.screen->status(), "Alert: \"Yes\"");
    EXPECT_TRUE(demo.driver.findAllOfType<ui::AlertView>().empty());

    ASSERT_TRUE(demo.driver.tap(demo.driver.findByTag(uidemo::kTagSheetButton)));
    demo.driver.advance(0.6);
    ASSERT_EQ(demo.driver.findAllOfType<ui::ActionSheet>().size(), 1u);
    ASSERT_TRUE(demo.driver.tap(demo.driver.findByText("Open the map")));
    demo.driver.advance(0.6);
    EXPECT_EQ(demo.screen->status(), "Action sheet: \"Open the map\"");

    ASSERT_TRUE(demo.driver.tap(demo.driver.findByTag(uidemo::kTagAnimateButton)));
    demo.driver.advance(1.0);
    EXPECT_EQ(demo.screen->status(), "Animation finished");
    EXPECT_GT(demo.driver.findByTag(uidemo::kTagAnimatedBox)->center().x, 200);
}

} // namespace
