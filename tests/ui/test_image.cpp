// Images: decoding PNG, JPEG and GIF bytes, the one-pixel answer, encoding round trips,
// tinting with the lighten blend, scaling and nine-slice stretching.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/canvas.h"
#include "recording_canvas.h"

using namespace ui;

namespace {

// Pixels given as 0xRRGGBBAA, rows top to bottom.
Image makeImage(int w, int h, const std::vector<std::uint32_t>& pixels) {
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t p : pixels)
        for (int shift = 24; shift >= 0; shift -= 8) rgba.push_back((p >> shift) & 0xFF);
    return Image::fromPixels(w, h, std::move(rgba));
}

std::uint32_t packed(const Color& c) {
    auto byte = [](float v) { return static_cast<std::uint32_t>(std::lround(v * 255)); };
    return byte(c.r) << 24 | byte(c.g) << 16 | byte(c.b) << 8 | byte(c.a);
}

// The smallest transparent GIF: 1 x 1, colour 0 transparent.
const std::string kTransparentGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                                  "!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01"
                                  "\x00\x00\x02\x02\x44\x01\x00;",
                                  43);

} // namespace

TEST(ImageCodec, DecodesPngJpegAndGifBytes) {
    Image original = makeImage(2, 2, {0xFF000080, 0x00FF00FF, 0x0000FFFF, 0xFFFFFF00});
    std::string png = original.pngData();
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(0, png.compare(1, 3, "PNG"));
    Image decoded = Image::fromData(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(2, decoded.pixelWidth());
    EXPECT_EQ(0xFF000080u, packed(decoded.pixelAt(0, 0)));
    EXPECT_EQ(0x0000FFFFu, packed(decoded.pixelAt(0, 1)));
    EXPECT_EQ(0u, packed(decoded.pixelAt(5, 5))); // outside: clear

    Image gif = Image::fromData(kTransparentGif);
    ASSERT_TRUE(gif);
    EXPECT_TRUE(gif.isOnePixel());
    EXPECT_EQ(0.0f, gif.pixelAt(0, 0).a);
    EXPECT_FALSE(decoded.isOnePixel());

    EXPECT_FALSE(Image::fromData("not an image at all"));
    EXPECT_FALSE(Image::fromData(png.substr(0, 20))); // truncated
    EXPECT_FALSE(Image::fromData(""));
    EXPECT_EQ((Size{0, 0}), Image::fromData("junk").size());
    EXPECT_FALSE(Image::fromPixels(2, 2, std::vector<std::uint8_t>(15)));
    EXPECT_FALSE(Image::fromPixels(0, 0, {}));
    EXPECT_TRUE(Image().pngData().empty());
}

TEST(ImageCodec, JpegRoundTripKeepsSizeAndColour) {
    std::vector<std::uint32_t> pixels(32 * 32, 0xC81E3CFF);
    for (size_t i = 16 * 32; i < pixels.size(); ++i) pixels[i] = 0; // transparent lower half
    Image image = makeImage(32, 32, pixels);
    std::string jpeg = image.jpegData(0.9f);
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ('\xFF', jpeg[0]);
    EXPECT_EQ('\xD8', jpeg[1]);
    Image back = Image::fromData(jpeg);
    ASSERT_TRUE(back);
    EXPECT_EQ(32, back.pixelWidth());
    EXPECT_EQ(32, back.pixelHeight());
    Color c = back.pixelAt(8, 4);
    EXPECT_NEAR(200 / 255.0, c.r, 8 / 255.0);
    EXPECT_NEAR(30 / 255.0, c.g, 8 / 255.0);
    EXPECT_NEAR(60 / 255.0, c.b, 8 / 255.0);
    EXPECT_EQ(1.0f, c.a);
    EXPECT_LT(back.pixelAt(8, 24).r, 0.1f); // transparent comes out black

    // Lower quality gives fewer bytes on a detailed picture.
    std::vector<std::uint32_t> noise(64 * 64);
    std::uint32_t seed = 12345;
    for (auto& p : noise) {
        seed = seed * 1103515245u + 12345u;
        p = (seed & 0xFFFFFF00u) | 0xFF;
    }
    Image detailed = makeImage(64, 64, noise);
    EXPECT_LT(detailed.jpegData(0.2f).size(), detailed.jpegData(1.0f).size());
}

TEST(ImageHelpers, ColorizeFillsTheOpaquePartAndLightens) {
    Image image = makeImage(4, 1, {0x646464FF, 0x000000FF, 0xFFFFFFFF, 0x12345600});
    Image tinted = image.colorizeWithColor(Color::rgb255(255, 0, 0));
    ASSERT_TRUE(tinted);
    EXPECT_EQ(0xFF6464FFu, packed(tinted.pixelAt(0, 0))); // per channel max
    EXPECT_EQ(0xFF0000FFu, packed(tinted.pixelAt(1, 0)));
    EXPECT_EQ(0xFFFFFFFFu, packed(tinted.pixelAt(2, 0)));
    EXPECT_EQ(0.0f, tinted.pixelAt(3, 0).a); // transparent stays transparent

    // Half-covered pixel: the fill is masked by the alpha, then the pixel lightens over it.
    Image half = makeImage(1, 1, {0x00000080}).colorizeWithColor(Color::rgb255(255, 0, 0));
    Color h = half.pixelAt(0, 0);
    EXPECT_NEAR(170 / 255.0, h.r, 2 / 255.0);
    EXPECT_NEAR(192 / 255.0, h.a, 2 / 255.0);
    EXPECT_EQ(0.0f, h.g);
    EXPECT_FALSE(Image().colorizeWithColor(Color::white()));

    // The result stays upright: the opaque top row is the tinted one.
    Image column = makeImage(1, 2, {0x000000FF, 0x00000000}).colorizeWithColor(Color::white());
    EXPECT_EQ(0xFFFFFFFFu, packed(column.pixelAt(0, 0)));
    EXPECT_EQ(0.0f, column.pixelAt(0, 1).a);
}

TEST(ImageHelpers, ScaledToSize) {
    Image image = makeImage(2, 1, {0xFF0000FF, 0x0000FFFF});
    Image wide = image.scaledToSize({8, 2});
    ASSERT_TRUE(wide);
    EXPECT_EQ(8, wide.pixelWidth());
    EXPECT_EQ(2, wide.pixelHeight());
    EXPECT_GT(wide.pixelAt(0, 0).r, 0.9f);
    EXPECT_LT(wide.pixelAt(0, 0).b, 0.1f);
    EXPECT_GT(wide.pixelAt(7, 1).b, 0.9f);
    EXPECT_LT(wide.pixelAt(7, 1).r, 0.1f);
    Image small = makeImage(4, 4, std::vector<std::uint32_t>(16, 0x336699FF)).scaledToSize({1, 1});
    EXPECT_TRUE(small.isOnePixel());
    EXPECT_NEAR(0x66 / 255.0, small.pixelAt(0, 0).g, 2 / 255.0);
    EXPECT_FALSE(image.scaledToSize({0, 5}));
}

TEST(ImageHelpers, StretchableImagesDrawInNineSlices) {
    Image image = makeImage(10, 10, std::vector<std::uint32_t>(100, 0xFFFFFFFF));
    EXPECT_FALSE(image.isStretchable());
    Image caps = image.stretchableImage(4, 3);
    EXPECT_TRUE(caps.isStretchable());
    EXPECT_EQ(image.data(), caps.data()); // same pixels

    uitest::RecordingCanvas canvas;
    drawImageStretched(canvas, caps, {0, 0, 100, 40});
    ASSERT_EQ(9u, canvas.images.size());
    EXPECT_EQ((Rect{0, 0, 4, 3}), canvas.images[0].source);
    EXPECT_EQ((Rect{0, 0, 4, 3}), canvas.images[0].dest);
    EXPECT_EQ((Rect{4, 0, 1, 3}), canvas.images[1].source); // the one-point middle column
    EXPECT_EQ((Rect{4, 0, 91, 3}), canvas.images[1].dest);
    EXPECT_EQ((Rect{5, 0, 5, 3}), canvas.images[2].source);
    EXPECT_EQ((Rect{95, 0, 5, 3}), canvas.images[2].dest);
    EXPECT_EQ((Rect{95, 34, 5, 6}), canvas.images[8].dest);

    // A zero cap stretches the whole axis.
    canvas.images.clear();
    drawImageStretched(canvas, image.stretchableImage(4, 0), {0, 0, 100, 40});
    ASSERT_EQ(3u, canvas.images.size());
    EXPECT_EQ((Rect{0, 0, 4, 10}), canvas.images[0].source);
    EXPECT_EQ((Rect{0, 0, 4, 40}), canvas.images[0].dest);

    // Narrower than the caps: they shrink in proportion and the middle vanishes.
    canvas.images.clear();
    drawImageStretched(canvas, image.stretchableImage(4, 0), {0, 0, 6, 10});
    ASSERT_EQ(2u, canvas.images.size());
    EXPECT_FLOAT_EQ(2.6666667f, canvas.images[0].dest.width());
    EXPECT_FLOAT_EQ(6, canvas.images[1].dest.maxX());

    // A plain image is drawn whole.
    canvas.images.clear();
    drawImageStretched(canvas, image, {0, 0, 30, 30});
    ASSERT_EQ(1u, canvas.images.size());
    EXPECT_EQ((Rect{0, 0, 30, 30}), canvas.images[0].dest);
}
