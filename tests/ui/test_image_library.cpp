// The named image library: directories in order, "@2x" preference, cache, missing names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ui/image.h"
#include "test_support.h"

using namespace ui;

namespace {

void writeImage(const std::string& path, int w, int h) {
    Image image =
        Image::fromPixels(w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h * 4, 200));
    std::ofstream(path, std::ios::binary) << image.pngData();
}

} // namespace

TEST(ImageLibrary, FindsNamesInDirectoryOrderPreferringDoubleScale) {
    ts::TempDir first, second;
    writeImage(first.file("logo.png"), 10, 6);
    writeImage(first.file("logo@2x.png"), 20, 12);
    writeImage(second.file("logo.png"), 3, 3);
    writeImage(second.file("only.png"), 4, 4);
    writeImage(second.file("photo.jpg"), 5, 5);

    ImageLibrary retina({first.path(), second.path()}, 2);
    Image logo = retina.imageNamed("logo.png");
    ASSERT_TRUE(logo);
    EXPECT_EQ(20, logo.pixelWidth());
    EXPECT_FLOAT_EQ(2, logo.scale());
    EXPECT_EQ((Size{10, 6}), logo.size());
    EXPECT_EQ("logo.png", logo.name());
    EXPECT_EQ(4, retina.imageNamed("only.png").pixelWidth());
    EXPECT_EQ(4, retina.imageNamed("only").pixelWidth()); // no extension: PNG first
    EXPECT_EQ(5, retina.imageNamed("photo").pixelWidth());

    ImageLibrary plain({first.path(), second.path()}, 1);
    EXPECT_EQ(10, plain.imageNamed("logo.png").pixelWidth());
    EXPECT_FLOAT_EQ(1, plain.imageNamed("logo.png").scale());

    // Cached: the file may go, the picture stays.
    std::filesystem::remove(second.file("only.png"));
    EXPECT_TRUE(retina.imageNamed("only.png"));
    EXPECT_TRUE(retina.hasImageNamed("only.png"));
    EXPECT_FALSE(plain.hasImageNamed("only.png"));
}

TEST(ImageLibrary, MissingNamesAreRememberedOnceAndPathsStayInside) {
    ts::TempDir root;
    std::filesystem::create_directories(root.file("pkg"));
    writeImage(root.file("secret.png"), 2, 2);
    writeImage(root.file("pkg/sub.png"), 2, 2);
    ImageLibrary library({root.file("pkg")});
    EXPECT_FALSE(library.imageNamed("nothere.png"));
    EXPECT_FALSE(library.imageNamed("nothere.png"));
    EXPECT_FALSE(library.imageNamed("../secret.png"));
    EXPECT_FALSE(library.imageNamed(root.file("secret.png")));
    EXPECT_FALSE(library.hasImageNamed("../secret.png"));
    EXPECT_TRUE(library.imageNamed("sub.png"));
    EXPECT_EQ((std::vector<std::string>{"nothere.png", "../secret.png", root.file("secret.png")}),
              library.missingNames());

    // Broken files are missing pictures too.
    std::ofstream(root.file("pkg/broken.png")) << "not a png";
    EXPECT_FALSE(library.imageNamed("broken.png"));

    // The shared library is empty until the launch sets it.
    auto shared =
        std::make_shared<ImageLibrary>(std::vector<std::filesystem::path>{root.file("pkg")});
    ImageLibrary::setShared(shared);
    EXPECT_TRUE(imageNamed("sub.png"));
    ImageLibrary::setShared(nullptr);
    EXPECT_FALSE(imageNamed("sub.png"));
}
