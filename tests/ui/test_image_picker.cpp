// The picture chooser: scripted answers (pick a file, cancel), no camera, and the chooser
// itself driven headless over a folder of test pictures — thumbnails, tap, move the crop,
// choose; cancel from the editing step and from the grid.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/run_loop.h"
#include "platform/ui/button.h"
#include "platform/ui/image_picker.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"

using namespace ui;
namespace fs = std::filesystem;
using zplatform::RunLoop;

namespace {

// Left half red, right half blue.
Image halves(int width, int height) {
    std::vector<std::uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 4];
            bool left = x < width / 2;
            p[0] = left ? 255 : 0, p[1] = 0, p[2] = left ? 0 : 255, p[3] = 255;
        }
    return Image::fromPixels(width, height, std::move(px));
}

class Folder {
  public:
    Folder() {
        char templ[] = "/tmp/zpictures-XXXXXX";
        path_ = ::mkdtemp(templ);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    fs::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return path_ / name;
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

struct Recorder : ImagePickerControllerDelegate {
    std::vector<PickedImage> picked;
    int cancels = 0;
    void imagePickerDidFinishPicking(ImagePickerController& picker,
                                     const PickedImage& info) override {
        picked.push_back(info);
        picker.dismiss();
    }
    void imagePickerControllerDidCancel(ImagePickerController& picker) override {
        ++cancels;
        picker.dismiss();
    }
};

bool near(const Color& c, float r, float b) {
    return std::abs(c.r - r) < 0.1f && std::abs(c.b - b) < 0.1f;
}

} // namespace

TEST(ImagePickerScript, PicksAFileCroppedOrCancelsAndThereIsNoCamera) {
    Folder folder;
    fs::path file = folder.write("wide.png", halves(200, 100).pngData());
    Window window;
    Recorder r;
    EXPECT_FALSE(ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType::Camera));
    EXPECT_TRUE(ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType::PhotoLibrary));

    auto camera = ImagePickerController::create();
    camera->setSourceType(ImagePickerSourceType::Camera);
    EXPECT_FALSE(camera->presentInWindow(window));

    ImagePickerController::scriptPick(file);
    ImagePickerController::scriptCancel();
    auto picker = ImagePickerController::create();
    picker->setAllowsEditing(true);
    picker->setDelegate(&r);
    ASSERT_TRUE(picker->presentInWindow(window));
    EXPECT_TRUE(r.picked.empty()); // never inside the call
    EXPECT_TRUE(window.modalViews().empty());
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !r.picked.empty(); }, 5));
    const PickedImage& got = r.picked[0];
    EXPECT_EQ(got.file, file);
    EXPECT_EQ(got.originalImage.pixelWidth(), 200);
    ASSERT_EQ(got.editedImage.pixelWidth(), 100);
    EXPECT_EQ(got.editedImage.pixelHeight(), 100);
    EXPECT_EQ(got.cropRect, (Rect{50, 0, 100, 100}));
    EXPECT_TRUE(near(got.editedImage.pixelAt(10, 50), 1, 0));
    EXPECT_TRUE(near(got.editedImage.pixelAt(90, 50), 0, 1));
    EXPECT_FALSE(picker->isPresented());

    ASSERT_TRUE(picker->presentInWindow(window));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return r.cancels == 1; }, 5));
    EXPECT_EQ(ImagePickerController::scriptedAnswers(), 0u);

    // A scripted file that is no picture answers as a cancel.
    ImagePickerController::scriptPick(folder.write("notes.txt", "not a picture"));
    ASSERT_TRUE(picker->presentInWindow(window));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return r.cancels == 2; }, 5));
}

TEST(ImagePickerChooser, ThumbnailsOfTheFolderThenCropAndChoose) {
    Folder folder;
    folder.write("a.png", halves(200, 100).pngData());
    folder.write("b.jpg", halves(64, 64).jpegData(0.9f));
    folder.write("c.gif.txt", "ignored");
    folder.write("d.png", halves(30, 40).pngData());
    TestDriver driver;
    Recorder r;
    auto picker = ImagePickerController::create();
    picker->setDirectory(folder.path());
    picker->setAllowsEditing(true);
    picker->setDelegate(&r);
    ASSERT_TRUE(picker->presentInWindow(driver.window()));
    driver.advance(0.4); // slides up
    ASSERT_EQ(picker->pictures().size(), 3u);
    EXPECT_EQ(picker->pictures()[1].filename(), "b.jpg");
    ASSERT_TRUE(RunLoop::current().runUntil([&] { return picker->thumbnailsLoaded() == 3; }, 5));
    for (int i = 0; i < 3; ++i) {
        auto* thumb =
            dynamic_cast<Button*>(driver.findByTag(ImagePickerController::kThumbnailTag + i));
        ASSERT_NE(thumb, nullptr);
        EXPECT_TRUE(driver.isVisible(thumb));
        EXPECT_EQ(thumb->currentImage().pixelWidth(), 75);
    }
    EXPECT_EQ(driver.frameInWindow(driver.findByTag(ImagePickerController::kThumbnailTag + 1)),
              (Rect{83, 48, 75, 75}));

    // The editing step: back to the grid once, then move the picture left and choose.
    ASSERT_TRUE(driver.tap(driver.findByTag(ImagePickerController::kThumbnailTag)));
    ASSERT_NE(driver.findByText("Move and Scale"), nullptr);
    ASSERT_TRUE(driver.tap(driver.findByText("Cancel")));
    driver.advance(0.1);
    EXPECT_EQ(driver.findByText("Move and Scale"), nullptr);
    EXPECT_EQ(r.cancels, 0);
    ASSERT_TRUE(driver.tap(driver.findByTag(ImagePickerController::kThumbnailTag)));
    // Shown 3.2 times larger to fill the 320-point square: 32 points are 10 pixels.
    driver.drag({200, 240}, {168, 240});
    ASSERT_TRUE(driver.tap(driver.findByText("Choose")));
    driver.advance(0.1);
    ASSERT_EQ(r.picked.size(), 1u);
    EXPECT_NEAR(r.picked[0].cropRect.x(), 60, 0.5);
    EXPECT_NEAR(r.picked[0].cropRect.width(), 100, 0.5);
    EXPECT_TRUE(near(r.picked[0].editedImage.pixelAt(30, 50), 1, 0));
    EXPECT_TRUE(near(r.picked[0].editedImage.pixelAt(50, 50), 0, 1));
    driver.advance(0.4);
    EXPECT_TRUE(driver.window().modalViews().empty());

    ASSERT_TRUE(picker->presentInWindow(driver.window()));
    driver.advance(0.4);
    // Pulled past the picture's edge, the crop stays inside it.
    ASSERT_TRUE(driver.tap(driver.findByTag(ImagePickerController::kThumbnailTag + 2)));
    driver.drag({160, 200}, {300, 420});
    ASSERT_TRUE(driver.tap(driver.findByText("Choose")));
    driver.advance(0.1);
    ASSERT_EQ(r.picked.size(), 2u);
    EXPECT_EQ(r.picked[1].cropRect, (Rect{0, 0, 30, 30}));
    driver.advance(0.4);

    // Cancel from the grid.
    ASSERT_TRUE(picker->presentInWindow(driver.window()));
    driver.advance(0.4);
    ASSERT_TRUE(driver.tap(driver.findByText("Cancel")));
    driver.advance(0.4);
    EXPECT_EQ(r.cancels, 1);
    EXPECT_TRUE(driver.window().modalViews().empty());
}

TEST(ImagePickerChooser, EmptyFolderSaysSoAndWithoutEditingTheOriginalIsPicked) {
    Folder folder;
    TestDriver driver;
    Recorder r;
    auto picker = ImagePickerController::create();
    picker->setDirectory(folder.path() / "missing");
    picker->setDelegate(&r);
    ASSERT_TRUE(picker->presentInWindow(driver.window()));
    driver.advance(0.4);
    EXPECT_TRUE(driver.isVisible(driver.findByText("No Photos")));
    picker->dismiss();
    driver.advance(0.4);

    folder.write("only.png", halves(40, 20).pngData());
    picker->setDirectory(folder.path());
    ASSERT_TRUE(picker->presentInWindow(driver.window()));
    driver.advance(0.4);
    ASSERT_TRUE(driver.tap(driver.findByTag(ImagePickerController::kThumbnailTag)));
    driver.advance(0.1);
    ASSERT_EQ(r.picked.size(), 1u);
    EXPECT_FALSE(r.picked[0].editedImage);
    EXPECT_EQ(r.picked[0].originalImage.pixelWidth(), 40);
}
