// Windows rendered headless: views land on their frames at 1x and 2x, with their transforms,
// alpha and clipping; labels lay out with the renderer's metrics; the test driver's screenshot
// hook writes PNG files of the window.
#include <gtest/gtest.h>

#include <numbers>

#include "platform/ui/label.h"
#include "platform/ui/sdl/headless.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"
#include "test_support.h"

namespace {

using ui::Color;
using ui::Rect;
using ui::View;
using ui::sdl::OffscreenRenderer;

struct Ink {
    int minX = INT32_MAX, minY = INT32_MAX, maxX = -1, maxY = -1;
    long count = 0;
    int width() const { return count ? maxX - minX + 1 : 0; }
    int height() const { return count ? maxY - minY + 1 : 0; }
};

// Pixels that are not `background`, inside `area` (pixels).
Ink inkIn(const OffscreenRenderer& r, std::uint32_t background, int x0 = 0, int y0 = 0,
          int x1 = INT32_MAX, int y1 = INT32_MAX) {
    Ink ink;
    for (int y = std::max(0, y0); y < std::min(r.pixelHeight(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(r.pixelWidth(), x1); ++x)
            if (r.pixelRgba(x, y) != background) {
                ++ink.count;
                ink.minX = std::min(ink.minX, x), ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y), ink.maxY = std::max(ink.maxY, y);
            }
    return ink;
}

std::shared_ptr<View> colouredView(const Rect& frame, const Color& color) {
    auto v = std::make_shared<View>(frame);
    v->setBackgroundColor(color);
    return v;
}

class WindowScale : public ::testing::TestWithParam<float> {};

TEST_P(WindowScale, ViewsLandOnTheirFramesWithTransformsAlphaAndClips) {
    float s = GetParam();
    auto px = [s](float points) { return static_cast<int>(points * s); };
    ui::Window window;
    OffscreenRenderer r(s);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.pixelWidth(), px(320));
    ASSERT_EQ(r.pixelHeight(), px(480));

    auto red = colouredView({10, 20, 30, 40}, Color{1, 0, 0, 1});
    window.addSubview(red);
    // A parent at (100, 100) with a child offset by (5, 5): window position (105, 105).
    auto parent = colouredView({100, 100, 50, 50}, Color{0, 0, 1, 1});
    parent->setClipsToBounds(true);
    parent->addSubview(colouredView({5, 5, 100, 10}, Color{0, 1, 0, 1})); // clipped at 150
    window.addSubview(parent);
    // Half-transparent white over black.
    auto faded = colouredView({200, 20, 20, 20}, Color::white());
    faded->setAlpha(0.5f);
    window.addSubview(faded);
    // An 80 x 10 bar turned a quarter about its centre (250, 300).
    auto bar = colouredView({210, 295, 80, 10}, Color{1, 1, 0, 1});
    bar->setTransform(ui::Transform::rotation(std::numbers::pi_v<float> / 2));
    window.addSubview(bar);
    auto hidden = colouredView({0, 400, 50, 50}, Color::white());
    hidden->setHidden(true);
    window.addSubview(hidden);

    r.render(window);
    Ink redInk = inkIn(r, 0x000000ffu, 0, 0, px(60), px(80));
    EXPECT_EQ(redInk.minX, px(10));
    EXPECT_EQ(redInk.minY, px(20));
    EXPECT_EQ(redInk.width(), px(30));
    EXPECT_EQ(redInk.height(), px(40));
    EXPECT_EQ(r.pixelRgba(px(25), px(40)), 0xff0000ffu);

    EXPECT_EQ(r.pixelRgba(px(106), px(106)), 0x00ff00ffu);
    EXPECT_EQ(r.pixelRgba(px(150) - 1, px(106)), 0x00ff00ffu);
    EXPECT_EQ(r.pixelRgba(px(150), px(106)), 0x000000ffu); // clipped by the parent

    std::uint32_t grey = r.pixelRgba(px(210), px(30));
    EXPECT_NEAR(static_cast<int>(grey >> 24), 128, 2);

    Ink barInk = inkIn(r, 0x000000ffu, px(200), px(240), px(300), px(360));
    EXPECT_NEAR(barInk.width(), px(10), 1);
    EXPECT_NEAR(barInk.height(), px(80), 1);
    EXPECT_NEAR(barInk.minX, px(245), 1);

    EXPECT_EQ(inkIn(r, 0x000000ffu, 0, px(400), px(50), px(450)).count, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, WindowScale, ::testing::Values(1.0f, 2.0f));

TEST(SdlWindow, LabelsLayOutWithTheRendererMetricsAndTurnWithTheirTransform) {
    ui::Window window;
    OffscreenRenderer r(1);
    r.installMetrics(window);
    EXPECT_EQ(&window.metrics(), r.metrics().get());

    auto label = std::make_shared<ui::Label>(Rect{60, 190, 200, 100});
    label->setText("Rotated label");
    label->setFont(ui::Font::named("Trebuchet MS", 20));
    label->setTextColor(Color::white());
    label->setTextAlignment(ui::TextAlignment::Center);
    window.addSubview(label);
    r.render(window);
    Ink flat = inkIn(r, 0x000000ffu);
    ASSERT_GT(flat.count, 100);
    ASSERT_GT(flat.width(), flat.height() * 3);
    EXPECT_NEAR(flat.width(), label->sizeThatFits(0).width, 3);

    label->setTransform(ui::Transform::rotation(std::numbers::pi_v<float> / 2));
    r.render(window);
    Ink turned = inkIn(r, 0x000000ffu);
    EXPECT_NEAR(turned.height(), flat.width(), 3);
    EXPECT_NEAR(turned.width(), flat.height(), 3);
    // Still centred on the label's centre (160, 240), reading downwards.
    EXPECT_NEAR((turned.minY + turned.maxY) / 2.0, 240, 3);
    EXPECT_NEAR((turned.minX + turned.maxX) / 2.0, 160, 3);
    EXPECT_NEAR(turned.minY, 240 - (160 - flat.minX), 2);
}

TEST(SdlWindow, ScreenshotHookWritesThePngOfTheWindow) {
    ts::TempDir dir;
    for (float scale : {1.0f, 2.0f}) {
        ui::TestDriver driver;
        EXPECT_FALSE(driver.screenshot(dir.file("none.png"))); // no hook yet
        auto renderer = ui::sdl::installHeadlessRenderer(driver, scale);
        ASSERT_TRUE(renderer);
        driver.window().addSubview(colouredView({0, 0, 160, 480}, Color{1, 0, 0, 1}));
        std::string file = dir.file("shot" + std::to_string(int(scale)) + ".png");
        ASSERT_TRUE(driver.screenshot(file));
        ui::Image shot = ui::Image::fromFile(file);
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot.pixelWidth(), int(320 * scale));
        EXPECT_EQ(shot.pixelHeight(), int(480 * scale));
        EXPECT_EQ(shot.pixelAt(10, 10), (Color{1, 0, 0, 1}));
        EXPECT_EQ(shot.pixelAt(int(200 * scale), 10), (Color{0, 0, 0, 1}));
        EXPECT_FALSE(driver.screenshot(dir.file("missing/dir/shot.png")));
    }
}

} // namespace
