// Fonts through fontconfig and SDL_ttf: family lookup with the humanist stand-in, metrics that
// match what is drawn, text drawn inside its line box, rotated text.
#include <gtest/gtest.h>

#include <filesystem>
#include <numbers>

#include "platform/ui/sdl/font_resolver.h"
#include "platform/ui/sdl/offscreen_renderer.h"

namespace {

using ui::Color;
using ui::Font;
using ui::sdl::FontResolver;
using ui::sdl::OffscreenRenderer;

struct Ink {
    int minX = INT32_MAX, minY = INT32_MAX, maxX = -1, maxY = -1;
    long count = 0;
    int width() const { return count ? maxX - minX + 1 : 0; }
    int height() const { return count ? maxY - minY + 1 : 0; }
};

Ink inkOf(const OffscreenRenderer& r) {
    Ink ink;
    for (int y = 0; y < r.pixelHeight(); ++y)
        for (int x = 0; x < r.pixelWidth(); ++x)
            if (r.pixelRgba(x, y) != 0x000000ffu) {
                ++ink.count;
                ink.minX = std::min(ink.minX, x), ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y), ink.maxY = std::max(ink.maxY, y);
            }
    return ink;
}

TEST(FontResolver, FamiliesResolveToInstalledFiles) {
    FontResolver fonts;
    auto trebuchet = fonts.resolve("Trebuchet MS", false);
    ASSERT_TRUE(trebuchet) << "no font file installed at all";
    EXPECT_TRUE(std::filesystem::is_regular_file(trebuchet->file)) << trebuchet->file;
    // Either the real face or the first installed stand-in, never fontconfig's whim.
    bool real = trebuchet->family == "Trebuchet MS";
    const auto& fallbacks = FontResolver::fallbacksFor("Trebuchet MS");
    ASSERT_FALSE(fallbacks.empty());
    EXPECT_TRUE(real ||
                std::find(fallbacks.begin(), fallbacks.end(), trebuchet->family) != fallbacks.end())
        << trebuchet->family;
    EXPECT_EQ(fonts.resolve("Trebuchet MS", false), trebuchet); // stable
    EXPECT_EQ(FontResolver().resolve("trebuchet ms", false), trebuchet);

    // Bold is another file, or the same face drawn emboldened.
    auto bold = fonts.resolve("Trebuchet MS", true);
    ASSERT_TRUE(bold);
    EXPECT_TRUE(bold->file != trebuchet->file || bold->syntheticBold);

    for (const char* family : {"Helvetica", "Arial"}) {
        for (bool b : {false, true}) {
            auto f = fonts.resolve(family, b);
            ASSERT_TRUE(f) << family;
            EXPECT_TRUE(std::filesystem::is_regular_file(f->file)) << f->file;
        }
    }
    EXPECT_TRUE(FontResolver::fallbacksFor("Helvetica").empty());
}

TEST(SdlText, DrawnInsideItsMeasuredLineBox) {
    for (float scale : {1.0f, 2.0f}) {
        OffscreenRenderer r(scale, {200, 60});
        ASSERT_TRUE(r.ok());
        Font font = Font::named("Trebuchet MS", 15);
        const auto& metrics = r.canvas().metrics();
        float width = metrics.width(font, "Zephrun tour");
        float line = metrics.lineHeight(font);
        EXPECT_GT(width, 50) << scale;
        EXPECT_LT(width, 150) << scale;
        EXPECT_GT(line, 14) << scale;
        EXPECT_LT(line, 25) << scale;
        EXPECT_GT(metrics.ascent(font), 8) << scale;
        EXPECT_EQ(metrics.width(font, ""), 0);
        EXPECT_GT(metrics.width(Font::named("Trebuchet MS", 30), "Zephrun tour"), width * 1.8f);

        r.beginFrame().drawText("Zephrun tour", font, Color::white(), {20, 10});
        r.flush();
        Ink ink = inkOf(r);
        ASSERT_GT(ink.count, 50) << scale;
        EXPECT_GE(ink.minX, static_cast<int>(20 * scale) - 1);
        EXPECT_GE(ink.minY, static_cast<int>(10 * scale));
        EXPECT_LE(ink.maxX, static_cast<int>((20 + width) * scale) + 1);
        EXPECT_LE(ink.maxY, static_cast<int>((10 + line) * scale) + 1);
        EXPECT_GT(ink.width(), static_cast<int>(width * scale * 0.8f));
    }
}

TEST(SdlText, FollowsAlphaClipAndRotation) {
    OffscreenRenderer r(1, {200, 200});
    Font font = Font::named("Trebuchet MS", 20);
    auto& c = r.beginFrame();
    c.save();
    c.clipTo({0, 0, 200, 0}); // nothing visible
    c.drawText("hidden", font, Color::white(), {10, 10});
    c.restore();
    c.save();
    c.multiplyAlpha(0);
    c.drawText("hidden", font, Color::white(), {10, 10});
    c.restore();
    r.flush();
    EXPECT_EQ(inkOf(r).count, 0);

    // A quarter turn about (100, 100): the line reads downwards, taller than wide, whether the
    // text starts on a whole pixel or between two.
    for (float x : {40.0f, 40.5f}) {
        r.beginFrame().drawText("Rotated label", font, Color::white(), {x, 90});
        r.flush();
        Ink flat = inkOf(r);
        auto& d = r.beginFrame();
        d.concat(ui::Transform::translation(-100, -100)
                     .concat(ui::Transform::rotation(std::numbers::pi_v<float> / 2))
                     .concat(ui::Transform::translation(100, 100)));
        d.drawText("Rotated label", font, Color::white(), {x, 90});
        r.flush();
        Ink turned = inkOf(r);
        ASSERT_GT(flat.width(), flat.height() * 3) << x;
        EXPECT_NEAR(turned.height(), flat.width(), 3) << x;
        EXPECT_NEAR(turned.width(), flat.height(), 3) << x;
        EXPECT_NEAR(turned.count, flat.count, flat.count / 5.0) << x;
        // The first letter, at the left end of the line, is now at the top.
        EXPECT_NEAR(turned.minY, flat.minX, 3) << x;
    }
}

} // namespace
