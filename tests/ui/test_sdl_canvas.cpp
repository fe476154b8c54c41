// Offscreen drawing of known scenes: pixel placement at 1x and 2x, alpha, clipping, transforms,
// stroked and round shapes, images with stretch caps, text, and the texture caches.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/ui/sdl/offscreen_renderer.h"

namespace {

using ui::Color;
using ui::Rect;
using ui::sdl::OffscreenRenderer;

constexpr std::uint32_t kBlack = 0x000000ff;
constexpr std::uint32_t kRed = 0xff0000ff;
constexpr std::uint32_t kBlue = 0x0000ffff;

// Bounding box (in pixels) of every pixel that differs from `background`.
struct Ink {
    int minX = INT32_MAX, minY = INT32_MAX, maxX = -1, maxY = -1;
    long count = 0;
    int width() const { return count ? maxX - minX + 1 : 0; }
    int height() const { return count ? maxY - minY + 1 : 0; }
};

Ink inkOf(const OffscreenRenderer& r, std::uint32_t background = kBlack) {
    Ink ink;
    for (int y = 0; y < r.pixelHeight(); ++y)
        for (int x = 0; x < r.pixelWidth(); ++x)
            if (r.pixelRgba(x, y) != background) {
                ++ink.count;
                ink.minX = std::min(ink.minX, x);
                ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y);
                ink.maxY = std::max(ink.maxY, y);
            }
    return ink;
}

int channel(std::uint32_t rgba, int shift) {
    return static_cast<int>((rgba >> shift) & 255);
}

// An image of w x h pixels, each pixel's colour given by fn(x, y) as 0xRRGGBBAA.
template <class Fn> ui::Image makeImage(int w, int h, Fn fn) {
    std::vector<std::uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t c = fn(x, y);
            px.insert(px.end(),
                      {static_cast<std::uint8_t>(c >> 24), static_cast<std::uint8_t>(c >> 16),
                       static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
        }
    return ui::Image::fromPixels(w, h, std::move(px));
}

class CanvasScale : public ::testing::TestWithParam<float> {};

TEST_P(CanvasScale, FilledRectCoversExactlyItsPixels) {
    float s = GetParam();
    OffscreenRenderer r(s, {100, 100});
    ASSERT_TRUE(r.ok());
    r.beginFrame().fillRect({10, 20, 30, 40}, Color{1, 0, 0, 1});
    r.flush();
    Ink ink = inkOf(r);
    EXPECT_EQ(ink.minX, static_cast<int>(10 * s));
    EXPECT_EQ(ink.minY, static_cast<int>(20 * s));
    EXPECT_EQ(ink.width(), static_cast<int>(30 * s));
    EXPECT_EQ(ink.height(), static_cast<int>(40 * s));
    EXPECT_EQ(ink.count, static_cast<long>(30 * s * 40 * s)); // solid, nothing else
    EXPECT_EQ(r.pixelRgba(static_cast<int>(25 * s), static_cast<int>(40 * s)), kRed);
}

TEST_P(CanvasScale, TranslatedAndScaledDrawingLandsInPoints) {
    float s = GetParam();
    OffscreenRenderer r(s, {100, 100});
    auto& c = r.beginFrame();
    c.save();
    c.concat(ui::Transform::translation(50, 10));
    c.concat(ui::Transform::scale(2, 2)); // applies first
    c.fillRect({0, 0, 10, 5}, Color{0, 0, 1, 1});
    c.restore();
    c.fillRect({0, 0, 5, 5}, Color{1, 0, 0, 1}); // the restore took the transform back
    r.flush();
    EXPECT_EQ(r.pixelRgba(static_cast<int>(51 * s), static_cast<int>(11 * s)), kBlue);
    EXPECT_EQ(r.pixelRgba(static_cast<int>(69 * s), static_cast<int>(19 * s)), kBlue);
    EXPECT_EQ(r.pixelRgba(static_cast<int>(71 * s), static_cast<int>(11 * s)), kBlack);
    EXPECT_EQ(r.pixelRgba(static_cast<int>(2 * s), static_cast<int>(2 * s)), kRed);
    EXPECT_EQ(r.pixelRgba(static_cast<int>(6 * s), static_cast<int>(2 * s)), kBlack);
}

INSTANTIATE_TEST_SUITE_P(Scales, CanvasScale, ::testing::Values(1.0f, 2.0f));

TEST(SdlCanvas, AlphaBlendsAndNestsThroughSaveRestore) {
    OffscreenRenderer r(1, {40, 10});
    auto& c = r.beginFrame(Color::white());
    c.fillRect({0, 0, 10, 10}, Color{1, 0, 0, 0.5f});
    c.save();
    c.multiplyAlpha(0.5f);
    c.fillRect({10, 0, 10, 10}, Color{0, 0, 0, 1}); // half black over white
    c.multiplyAlpha(0.5f);
    c.fillRect({20, 0, 10, 10}, Color{0, 0, 0, 1}); // quarter black
    c.restore();
    c.fillRect({30, 0, 10, 10}, Color{0, 0, 0, 1}); // alpha back to 1
    r.flush();
    std::uint32_t half = r.pixelRgba(5, 5);
    EXPECT_EQ(channel(half, 24), 255);
    EXPECT_NEAR(channel(half, 16), 128, 2);
    EXPECT_NEAR(channel(half, 8), 128, 2);
    EXPECT_NEAR(channel(r.pixelRgba(15, 5), 24), 128, 2);
    EXPECT_NEAR(channel(r.pixelRgba(25, 5), 24), 191, 2);
    EXPECT_EQ(r.pixelRgba(35, 5), kBlack);
    // Fully transparent drawing leaves the pixels alone.
    c.fillRect({0, 0, 40, 10}, Color::clear());
    c.multiplyAlpha(0);
    c.fillRect({0, 0, 40, 10}, Color::black());
    r.flush();
    EXPECT_EQ(r.pixelRgba(35, 5), kBlack);
    EXPECT_NEAR(channel(r.pixelRgba(15, 5), 24), 128, 2);
}

TEST(SdlCanvas, ClipsIntersectAndRestore) {
    OffscreenRenderer r(2, {60, 60});
    auto& c = r.beginFrame();
    c.save();
    c.clipTo({10, 10, 30, 30});
    c.save();
    c.clipTo({20, 0, 60, 25}); // intersection: 20..40 x 10..25
    c.fillRect({0, 0, 60, 60}, Color{1, 0, 0, 1});
    c.restore();
    c.restore();
    r.flush();
    Ink ink = inkOf(r);
    EXPECT_EQ(ink.minX, 40);
    EXPECT_EQ(ink.minY, 20);
    EXPECT_EQ(ink.width(), 40);
    EXPECT_EQ(ink.height(), 30);
    EXPECT_EQ(ink.count, 40L * 30);

    // Disjoint clips leave nothing to draw on; the restore gives the whole surface back.
    auto& d = r.beginFrame();
    d.save();
    d.clipTo({0, 0, 10, 10});
    d.clipTo({30, 30, 10, 10});
    EXPECT_EQ(d.clipPixels().w * d.clipPixels().h, 0);
    d.fillRect({0, 0, 60, 60}, Color{1, 0, 0, 1});
    d.drawLine({0, 0}, {60, 60}, Color{1, 0, 0, 1}, 4);
    r.flush();
    EXPECT_EQ(inkOf(r).count, 0);
    d.restore();
    d.restore(); // one restore too many keeps the base state
    EXPECT_EQ(d.depth(), 1u);
    d.fillRect({59, 59, 1, 1}, Color{1, 0, 0, 1});
    r.flush();
    EXPECT_EQ(r.pixelRgba(119, 119), kRed);
}

TEST(SdlCanvas, RotatedShapesAndClipsTurnWithTheTransform) {
    OffscreenRenderer r(1, {100, 100});
    auto& c = r.beginFrame();
    // A 60 x 10 bar turned a quarter about its centre (50, 50) stands 10 wide and 60 high.
    c.save();
    c.concat(ui::Transform::translation(-50, -50)
                 .concat(ui::Transform::rotation(std::numbers::pi_v<float> / 2))
                 .concat(ui::Transform::translation(50, 50)));
    c.fillRect({20, 45, 60, 10}, Color{1, 0, 0, 1});
    c.restore();
    r.flush();
    Ink bar = inkOf(r);
    EXPECT_NEAR(bar.width(), 10, 1);
    EXPECT_NEAR(bar.height(), 60, 1);
    EXPECT_NEAR(bar.minY, 20, 1);

    // An eighth turn draws a diamond through triangles: the corners of its bounding box stay
    // empty, and a clip by the turned rect covers its bounding box.
    auto& d = r.beginFrame();
    d.save();
    d.concat(ui::Transform::translation(-50, -50)
                 .concat(ui::Transform::rotation(std::numbers::pi_v<float> / 4))
                 .concat(ui::Transform::translation(50, 50)));
    d.fillRect({30, 30, 40, 40}, Color{1, 0, 0, 1});
    r.flush();
    Ink diamond = inkOf(r);
    EXPECT_NEAR(diamond.width(), 57, 2);
    EXPECT_EQ(r.pixelRgba(50, 50), kRed);
    EXPECT_EQ(r.pixelRgba(diamond.minX + 3, diamond.minY + 3), kBlack);
    d.clipTo({30, 30, 40, 40});
    EXPECT_NEAR(d.clipPixels().w, 57, 2);
    EXPECT_NEAR(d.clipPixels().h, 57, 2);
    d.restore();
    EXPECT_EQ(d.clipPixels().w, 100);
}

TEST(SdlCanvas, StrokesEllipsesAndLines) {
    OffscreenRenderer r(1, {100, 100});
    auto& c = r.beginFrame();
    c.strokeRect({10, 10, 30, 20}, Color{1, 0, 0, 0.5f}, 2);
    c.fillEllipse({50, 50, 40, 20}, Color{0, 0, 1, 1});
    c.drawLine({0, 95}, {100, 95}, Color{0, 1, 0, 1}, 1);
    r.flush();
    // Centred on the edge, two pixels wide; the corners are not blended twice.
    EXPECT_NE(r.pixelRgba(9, 15), kBlack);
    EXPECT_NE(r.pixelRgba(10, 15), kBlack);
    EXPECT_EQ(r.pixelRgba(11, 15), kBlack);
    EXPECT_EQ(r.pixelRgba(9, 9), r.pixelRgba(20, 9));
    EXPECT_EQ(r.pixelRgba(25, 20), kBlack); // the inside is untouched
    // The ellipse fills its centre and leaves its bounding box's corners.
    EXPECT_EQ(r.pixelRgba(70, 60), kBlue);
    EXPECT_EQ(r.pixelRgba(88, 60), kBlue);
    EXPECT_EQ(r.pixelRgba(51, 51), kBlack);
    EXPECT_EQ(r.pixelRgba(88, 68), kBlack);
    // A one-point line is one pixel row.
    EXPECT_EQ(r.pixelRgba(50, 95), 0x00ff00ffu);
    EXPECT_EQ(r.pixelRgba(50, 94), kBlack);
    EXPECT_EQ(r.pixelRgba(50, 96), kBlack);
}

TEST(SdlCanvas, ImagesStretchTintAndKeepTheirCaps) {
    // 3 x 3: red corners, green edges, blue middle.
    auto image = makeImage(3, 3, [](int x, int y) -> std::uint32_t {
        bool edgeX = x != 1, edgeY = y != 1;
        if (edgeX && edgeY) return kRed;
        if (edgeX || edgeY) return 0x00ff00ffu;
        return kBlue;
    });
    ASSERT_TRUE(image);
    OffscreenRenderer r(1, {100, 100});
    auto& c = r.beginFrame();
    ui::drawImageStretched(c, image.stretchableImage(1, 1), {10, 10, 40, 30});
    c.drawImage(image, {1, 1, 1, 1}, {60, 60, 10, 10}); // the middle pixel, scaled
    c.drawImage(image, {}, {80, 80, 3, 3}, Color{1, 1, 1, 0.5f});
    r.flush();
    // Caps keep one pixel; the middle row and column stretch.
    EXPECT_EQ(r.pixelRgba(10, 10), kRed);
    EXPECT_EQ(r.pixelRgba(49, 39), kRed);
    EXPECT_EQ(r.pixelRgba(11, 10), 0x00ff00ffu);
    EXPECT_EQ(r.pixelRgba(48, 10), 0x00ff00ffu);
    EXPECT_EQ(r.pixelRgba(10, 25), 0x00ff00ffu);
    EXPECT_EQ(r.pixelRgba(11, 11), kBlue);
    EXPECT_EQ(r.pixelRgba(30, 25), kBlue);
    EXPECT_EQ(r.pixelRgba(48, 38), kBlue);
    EXPECT_EQ(r.pixelRgba(50, 25), kBlack);
    EXPECT_EQ(r.pixelRgba(60, 60), kBlue);
    EXPECT_EQ(r.pixelRgba(69, 69), kBlue);
    EXPECT_EQ(r.pixelRgba(70, 70), kBlack);
    EXPECT_NEAR(channel(r.pixelRgba(80, 80), 24), 128, 2); // half-transparent tint

    // Transparent pixels of a picture leave what is below; opaque ones replace it.
    auto holed = makeImage(2, 1, [](int x, int) { return x == 0 ? 0x00000000u : kBlue; });
    auto& h = r.beginFrame();
    h.fillRect({0, 0, 20, 10}, Color{1, 0, 0, 1});
    h.drawImage(holed, {}, {0, 0, 20, 10});
    h.drawImage(image, {1, 1, 1, 1}, {0, 50, 10, 10}, Color{1, 1, 1, 0.5f});
    h.drawImage(image, {1, 1, 1, 1}, {10, 50, 10, 10}); // same texture, opaque again
    r.flush();
    EXPECT_EQ(r.pixelRgba(2, 5), kRed); // away from the filtered seam between the two
    EXPECT_EQ(r.pixelRgba(17, 5), kBlue);
    EXPECT_NEAR(channel(r.pixelRgba(5, 55), 8), 128, 2);
    EXPECT_EQ(r.pixelRgba(15, 55), kBlue);

    // Rotated a quarter turn, the image turns with the transform.
    auto arrow = makeImage(4, 2, [](int x, int) { return x < 2 ? kRed : kBlue; });
    auto& d = r.beginFrame();
    d.concat(ui::Transform::rotation(std::numbers::pi_v<float> / 2)
                 .concat(ui::Transform::translation(50, 10)));
    d.drawImage(arrow, {}, {0, 0, 40, 20});
    r.flush();
    Ink turned = inkOf(r);
    EXPECT_NEAR(turned.width(), 20, 1);
    EXPECT_NEAR(turned.height(), 40, 1);
    EXPECT_EQ(r.pixelRgba(40, 15), kRed); // the image's left half is now on top
    EXPECT_EQ(r.pixelRgba(40, 45), kBlue);

    // Mirrored, the left half is drawn on the right.
    auto& m = r.beginFrame();
    m.concat(ui::Transform::scale(-1, 1).concat(ui::Transform::translation(60, 10.5f)));
    m.drawImage(arrow, {}, {0, 0, 40, 20});
    r.flush();
    Ink mirrored = inkOf(r);
    EXPECT_NEAR(mirrored.minX, 20, 1);
    EXPECT_NEAR(mirrored.width(), 40, 1);
    EXPECT_EQ(r.pixelRgba(25, 20), kBlue);
    EXPECT_EQ(r.pixelRgba(55, 20), kRed);
}

TEST(SdlCanvas, ImageTexturesAreSharedAndDroppedWithTheirPixels) {
    OffscreenRenderer r(1, {20, 20});
    auto& c = r.beginFrame();
    auto& cache = c.imageTextures();
    {
        auto image = makeImage(2, 2, [](int, int) { return kRed; });
        ui::Image copy = image.stretchableImage(0, 0);
        c.drawImage(image, {}, {0, 0, 2, 2});
        c.drawImage(copy, {}, {4, 0, 2, 2});
        EXPECT_EQ(cache.size(), 1u);
        c.beginFrame();
        EXPECT_EQ(cache.size(), 1u); // still alive
    }
    EXPECT_EQ(cache.purge(), 1u);
    EXPECT_EQ(cache.size(), 0u);

    // A new image whose pixels reuse a dead one's address gets its own texture.
    for (int i = 0; i < 20; ++i) {
        std::uint32_t colour = i % 2 ? kRed : kBlue;
        auto image = makeImage(1, 1, [&](int, int) { return colour; });
        auto& f = r.beginFrame();
        f.drawImage(image, {}, {0, 0, 20, 20});
        r.flush();
        ASSERT_EQ(r.pixelRgba(10, 10), colour) << i;
    }
}

TEST(SdlCanvas, TextLinesAreCachedWithinTheirBound) {
    OffscreenRenderer r(1, {200, 50});
    auto& c = r.beginFrame();
    auto& texts = c.textTextures();
    ui::Font font = ui::Font::named("Trebuchet MS", 14);
    for (int i = 0; i < 3; ++i) c.drawText("same", font, Color::white(), {0, 0});
    EXPECT_EQ(texts.size(), 1u);
    c.drawText("same", font, Color{1, 0, 0, 1}, {0, 0}); // another colour, another texture
    EXPECT_EQ(texts.size(), 2u);
    for (int i = 0; i < int(texts.capacity()) + 10; ++i)
        c.drawText(std::to_string(i), font, Color::white(), {0, 20});
    EXPECT_EQ(texts.size(), texts.capacity());
}

} // namespace
