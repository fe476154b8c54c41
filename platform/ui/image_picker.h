// ImagePickerController: the platform's picture chooser (`UIImagePickerController`). There is
// no camera on this system; the photo library is a folder of pictures (the user's pictures
// folder, or one given) shown as a grid of thumbnails over the whole window. With
// allowsEditing, the picked picture then opens in a "Move and Scale" step that crops it to a
// square: drag to move, pinch to zoom, "Choose" to accept, "Cancel" to go back to the grid.
//
// The delegate receives the picked picture or the cancel on the interface thread, from the
// outermost run loop (never inside a touch handler of the chooser), and dismisses the chooser.
// While presented, the controller keeps itself alive.
//
// Scripts: an answer queued with scriptPick() / scriptCancel() is used by the next
// presentInWindow() instead of showing the chooser (tests, the application's script runner).
//
// Threads: interface thread only, except the script functions (any thread). Thumbnails are
// decoded on a thread of their own and arrive through the run loop.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/image.h"

namespace ui {

class View;
class Window;
class ImagePickerController;

enum class ImagePickerSourceType { PhotoLibrary, Camera, SavedPhotosAlbum };

// What the delegate receives (`didFinishPickingMediaWithInfo:`).
struct PickedImage {
    Image originalImage;
    // The square crop when editing was allowed; null otherwise.
    Image editedImage;
    // The crop in the original's pixels (the whole picture without editing).
    Rect cropRect;
    std::filesystem::path file;
};

class ImagePickerControllerDelegate {
  public:
    virtual ~ImagePickerControllerDelegate() = default;
    virtual void imagePickerDidFinishPicking(ImagePickerController& picker,
                                             const PickedImage& info) = 0;
    virtual void imagePickerControllerDidCancel(ImagePickerController& picker) = 0;
};

class ImagePickerController : public std::enable_shared_from_this<ImagePickerController> {
  public:
    // Thumbnail side in points, and the grid's gap.
    static constexpr float kThumbnailSide = 75;
    static constexpr float kThumbnailGap = 4;
    static constexpr int kColumns = 4;
    // Tags of the thumbnail views: kThumbnailTag + index in pictures().
    static constexpr int kThumbnailTag = 7700;
    // The edited picture is at most this many pixels square.
    static constexpr int kMaximumEditedSide = 640;
    // At most this many pictures of a folder are offered.
    static constexpr size_t kMaximumPictures = 1000;

    static std::shared_ptr<ImagePickerController> create();
    ~ImagePickerController();
    ImagePickerController(const ImagePickerController&) = delete;
    ImagePickerController& operator=(const ImagePickerController&) = delete;

    // The photo library and the saved-photos album are; the camera is not.
    static bool isSourceTypeAvailable(ImagePickerSourceType type);

    ImagePickerSourceType sourceType() const { return sourceType_; }
    void setSourceType(ImagePickerSourceType type) { sourceType_ = type; }
    bool allowsEditing() const { return allowsEditing_; }
    void setAllowsEditing(bool allows) { allowsEditing_ = allows; }
    // Not owned.
    void setDelegate(ImagePickerControllerDelegate* delegate) { delegate_ = delegate; }
    ImagePickerControllerDelegate* delegate() const { return delegate_; }
    // The folder shown; picturesDirectory() when never set.
    void setDirectory(std::filesystem::path directory) { directory_ = std::move(directory); }
    std::filesystem::path directory() const;

    // Shows the chooser (sliding up) over everything in `window`, or answers a scripted
    // answer. False, and nothing shown, when the source is not available or it is already
    // presented.
    bool presentInWindow(Window& window);
    // Takes the chooser away (sliding down). Safe to call at any time.
    void dismiss();
    bool isPresented() const { return presented_; }
    // The chooser's root view while presented, else null.
    View* view() const;
    // The pictures offered, in the grid's order (known once presented).
    const std::vector<std::filesystem::path>& pictures() const { return pictures_; }
    // Thumbnails delivered so far.
    size_t thumbnailsLoaded() const { return thumbnailsLoaded_; }

    // Queues a scripted answer for the next presentation.
    static void scriptPick(std::filesystem::path file);
    static void scriptCancel();
    static void clearScript();
    static size_t scriptedAnswers();

    // The centred square of `image`, at most `maximumSide` pixels.
    static Image squareCrop(const Image& image, int maximumSide);
    // `source` (in the image's pixels) scaled to `side` x `side` pixels by area averaging.
    static Image cropAndScale(const Image& image, const Rect& source, int side);

  private:
    class ChooserView;
    class CropView;
    ImagePickerController() = default;
    void listPictures();
    void startThumbnails();
    void thumbnailArrived(size_t index, const Image& thumbnail);
    void openEditor(size_t index);
    void finishWith(const std::filesystem::path& file, const Image& original,
                    std::optional<Rect> crop);
    void cancelled();
    // Calls the delegate from the outermost loop, keeping this controller alive until then.
    void deliverPicked(PickedImage info);
    void deliverCancel();

    ImagePickerSourceType sourceType_ = ImagePickerSourceType::PhotoLibrary;
    bool allowsEditing_ = false;
    ImagePickerControllerDelegate* delegate_ = nullptr;
    std::optional<std::filesystem::path> directory_;
    bool presented_ = false;
    bool answered_ = false;                       // the user picked or cancelled
    std::shared_ptr<ImagePickerController> self_; // while presented
    std::shared_ptr<ChooserView> chooser_;
    std::vector<std::filesystem::path> pictures_;
    size_t thumbnailsLoaded_ = 0;
    struct Loader;
    std::shared_ptr<Loader> loader_;
};

} // namespace ui
