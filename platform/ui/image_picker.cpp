// The picture chooser: a grid of a folder's thumbnails (decoded on a thread of their own), the
// square-crop step, and the scripted answers.
#include "platform/ui/image_picker.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/app_directories.h"
#include "platform/run_loop.h"
#include "platform/ui/button.h"
#include "platform/ui/canvas.h"
#include "platform/ui/label.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/touch.h"
#include "platform/ui/window.h"

namespace fs = std::filesystem;

namespace ui {

namespace {

constexpr double kSlideSeconds = 0.3;
constexpr float kBarHeight = Toolbar::kDefaultHeight;
// The crop square of the editing step, and how far beyond filling it the picture may zoom.
constexpr Rect kCropSquare{0, 80, 320, 320};
constexpr float kMaximumZoom = 4;

struct ScriptedAnswer {
    bool pick = false;
    fs::path file;
};

std::mutex scriptMutex;
std::deque<ScriptedAnswer>& scriptQueue() {
    static std::deque<ScriptedAnswer> queue;
    return queue;
}

std::optional<ScriptedAnswer> takeScriptedAnswer() {
    std::lock_guard lock(scriptMutex);
    if (scriptQueue().empty()) return std::nullopt;
    ScriptedAnswer a = std::move(scriptQueue().front());
    scriptQueue().pop_front();
    return a;
}

bool isPictureFile(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".gif";
}

Rect centredSquare(int width, int height) {
    float side = static_cast<float>(std::min(width, height));
    return {(static_cast<float>(width) - side) / 2, (static_cast<float>(height) - side) / 2, side,
            side};
}

} // namespace

// --- Pixels ---

namespace {

// `source` (in the image's pixels) resampled to `width` x `height` pixels, each the average of
// the source pixels under it.
Image resample(const Image& image, const Rect& source, int width, int height) {
    if (!image || width <= 0 || height <= 0 || source.isEmpty()) return {};
    const ImageData& in = *image.data();
    std::vector<std::uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    const double step = static_cast<double>(source.width()) / width;
    const double stepY = static_cast<double>(source.height()) / height;
    for (int oy = 0; oy < height; ++oy) {
        double sy0 = source.minY() + oy * stepY, sy1 = sy0 + stepY;
        int y0 = std::clamp(static_cast<int>(std::floor(sy0)), 0, in.height - 1);
        int y1 = std::clamp(static_cast<int>(std::ceil(sy1)), y0 + 1, in.height);
        for (int ox = 0; ox < width; ++ox) {
            double sx0 = source.minX() + ox * step, sx1 = sx0 + step;
            int x0 = std::clamp(static_cast<int>(std::floor(sx0)), 0, in.width - 1);
            int x1 = std::clamp(static_cast<int>(std::ceil(sx1)), x0 + 1, in.width);
            // The box of source pixels under this output pixel, averaged.
            unsigned long sum[4] = {0, 0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* row = &in.rgba[(static_cast<size_t>(y) * in.width + x0) * 4];
                for (int x = x0; x < x1; ++x, row += 4)
                    for (int c = 0; c < 4; ++c) sum[c] += row[c];
            }
            unsigned long n =
                static_cast<unsigned long>(y1 - y0) * static_cast<unsigned long>(x1 - x0);
            std::uint8_t* px = &out[(static_cast<size_t>(oy) * width + ox) * 4];
            for (int c = 0; c < 4; ++c) px[c] = static_cast<std::uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return Image::fromPixels(width, height, std::move(out));
}

// The picture the editing step draws: no larger than a screen needs when zoomed in.
Image displayCopy(const Image& image) {
    constexpr int kLongest = 1280;
    int w = image.pixelWidth(), h = image.pixelHeight();
    if (std::max(w, h) <= kLongest) return image;
    double k = static_cast<double>(kLongest) / std::max(w, h);
    return resample(image, {0, 0, static_cast<float>(w), static_cast<float>(h)},
                    std::max(1, static_cast<int>(std::lround(w * k))),
                    std::max(1, static_cast<int>(std::lround(h * k))));
}

} // namespace

Image ImagePickerController::cropAndScale(const Image& image, const Rect& source, int side) {
    return resample(image, source, side, side);
}

Image ImagePickerController::squareCrop(const Image& image, int maximumSide) {
    if (!image) return {};
    Rect square = centredSquare(image.pixelWidth(), image.pixelHeight());
    int side = std::min(static_cast<int>(square.width()), maximumSide);
    return cropAndScale(image, square, side);
}

// --- The thumbnail loader ---

struct ImagePickerController::Loader {
    std::atomic<bool> cancelled{false};
};

void ImagePickerController::startThumbnails() {
    if (loader_) loader_->cancelled = true;
    loader_ = std::make_shared<Loader>();
    if (pictures_.empty()) return;
    std::weak_ptr<ImagePickerController> weak = weak_from_this();
    const int side = static_cast<int>(kThumbnailSide);
    // Detached: a large picture may take a while to decode, and nobody should wait for it.
    std::thread([loader = loader_, files = pictures_, weak, side,
                 loop = zplatform::RunLoop::mainHandle()] {
        for (size_t i = 0; i < files.size() && !loader->cancelled; ++i) {
            Image thumbnail = squareCrop(Image::fromFile(files[i]), side);
            if (thumbnail && thumbnail.pixelWidth() != side) // smaller than a thumbnail
                thumbnail = cropAndScale(thumbnail,
                                         {0, 0, static_cast<float>(thumbnail.pixelWidth()),
                                          static_cast<float>(thumbnail.pixelHeight())},
                                         side);
            loop->post([weak, loader, i, thumbnail] {
                if (loader->cancelled) return;
                if (auto self = weak.lock()) self->thumbnailArrived(i, thumbnail);
            });
        }
    }).detach();
}

// --- The editing step ---

class ImagePickerController::CropView : public View {
  public:
    CropView(ImagePickerController& picker, size_t index, Image image)
        : View({0, 0, 320, 480}), picker_(picker), index_(index), image_(std::move(image)),
          display_(displayCopy(image_)) {
        setBackgroundColor(Color::black());
        setMultipleTouchEnabled(true);
        auto title = std::make_shared<Label>(Rect{0, 20, 320, 40});
        title->setText("Move and Scale");
        title->setFont(Font::boldSystem(20));
        title->setTextColor(Color::white());
        title->setBackgroundColor(Color::clear());
        title->setTextAlignment(TextAlignment::Center);
        title->setUserInteractionEnabled(false);
        addSubview(title);
        auto bar = std::make_shared<Toolbar>(Rect{0, 480 - kBarHeight, 320, kBarHeight});
        bar->setBarStyle(BarStyle::BlackTranslucent);
        bar->setItems({BarButtonItem::systemItem(BarButtonSystemItem::Cancel,
                                                 [this](BarButtonItem&) { back(); }),
                       BarButtonItem::flexibleSpace(),
                       BarButtonItem::withTitle("Choose", BarButtonItemStyle::Done,
                                                [this](BarButtonItem&) { choose(); })});
        addSubview(bar);
        // At first the picture just fills the square, centred.
        float w = static_cast<float>(image_.pixelWidth()),
              h = static_cast<float>(image_.pixelHeight());
        fill_ = std::max(kCropSquare.width() / w, kCropSquare.height() / h);
        shown_ = {kCropSquare.midX() - w * fill_ / 2, kCropSquare.midY() - h * fill_ / 2, w * fill_,
                  h * fill_};
    }

    // The part of the picture under the square, in its pixels.
    Rect cropInPixels() const {
        float scale = shown_.width() / static_cast<float>(image_.pixelWidth());
        return {(kCropSquare.minX() - shown_.minX()) / scale,
                (kCropSquare.minY() - shown_.minY()) / scale, kCropSquare.width() / scale,
                kCropSquare.height() / scale};
    }
    const Rect& shownRect() const { return shown_; }

    void touchesBegan(const TouchSet&, const Event& event) override { remember(event); }
    void touchesMoved(const TouchSet&, const Event& event) override {
        std::vector<std::pair<Point, Point>> moves; // before, after
        for (const Touch* t : event.allTouches) {
            if (t->view() != this) continue;
            auto it = std::find_if(fingers_.begin(), fingers_.end(),
                                   [t](const auto& f) { return f.first == t->fingerId(); });
            if (it != fingers_.end()) moves.emplace_back(it->second, t->locationInView(this));
        }
        if (moves.size() == 1) {
            Point d{moves[0].second.x - moves[0].first.x, moves[0].second.y - moves[0].first.y};
            shown_ = shown_.offsetBy(d.x, d.y);
        } else if (moves.size() >= 2) {
            auto dist = [](Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); };
            float before = dist(moves[0].first, moves[1].first);
            float after = dist(moves[0].second, moves[1].second);
            Point midBefore{(moves[0].first.x + moves[1].first.x) / 2,
                            (moves[0].first.y + moves[1].first.y) / 2};
            Point midAfter{(moves[0].second.x + moves[1].second.x) / 2,
                           (moves[0].second.y + moves[1].second.y) / 2};
            float w = static_cast<float>(image_.pixelWidth());
            float scale = shown_.width() / w;
            float next = before > 1
                             ? std::clamp(scale * after / before, fill_, fill_ * kMaximumZoom)
                             : scale;
            float k = next / scale;
            // Zoom about the fingers' midpoint, which follows the fingers.
            shown_ = {midAfter.x - (midBefore.x - shown_.minX()) * k,
                      midAfter.y - (midBefore.y - shown_.minY()) * k, shown_.width() * k,
                      shown_.height() * k};
        }
        clampToSquare();
        remember(event);
        setNeedsDisplay();
    }
    void touchesEnded(const TouchSet&, const Event& event) override { remember(event); }
    void touchesCancelled(const TouchSet&, const Event& event) override { remember(event); }

    void draw(Canvas& canvas) const override {
        canvas.save();
        canvas.clipTo(bounds());
        canvas.drawImage(display_, {}, shown_);
        canvas.restore();
        const Color dim = Color::black().withAlpha(0.6f);
        Rect b = bounds();
        canvas.fillRect({0, 0, b.width(), kCropSquare.minY()}, dim);
        canvas.fillRect({0, kCropSquare.maxY(), b.width(), b.height() - kCropSquare.maxY()}, dim);
        canvas.strokeRect(kCropSquare, Color::white().withAlpha(0.8f), 1);
    }
    std::string_view className() const override { return "ImagePickerCropView"; }

  private:
    void remember(const Event& event) {
        fingers_.clear();
        for (const Touch* t : event.allTouches)
            if (t->view() == this && t->phase() != TouchPhase::Ended &&
                t->phase() != TouchPhase::Cancelled)
                fingers_.emplace_back(t->fingerId(), t->locationInView(this));
    }
    // The picture always covers the square.
    void clampToSquare() {
        float x =
            std::clamp(shown_.minX(), kCropSquare.maxX() - shown_.width(), kCropSquare.minX());
        float y =
            std::clamp(shown_.minY(), kCropSquare.maxY() - shown_.height(), kCropSquare.minY());
        shown_.origin = {x, y};
    }
    void back();
    void choose();

    ImagePickerController& picker_;
    size_t index_;
    Image image_;
    Image display_;
    float fill_ = 1;
    Rect shown_;
    std::vector<std::pair<int, Point>> fingers_;
};

// --- The chooser ---

class ImagePickerController::ChooserView : public View {
  public:
    explicit ChooserView(ImagePickerController& picker) : View({0, 0, 320, 480}), picker_(picker) {
        setBackgroundColor(Color::black());
        auto bar = std::make_shared<Toolbar>(Rect{0, 0, 320, kBarHeight});
        bar->setBarStyle(BarStyle::Black);
        bar->setItems({BarButtonItem::flexibleSpace(),
                       BarButtonItem::withTitle("Photos", BarButtonItemStyle::Plain),
                       BarButtonItem::flexibleSpace(),
                       BarButtonItem::systemItem(BarButtonSystemItem::Cancel,
                                                 [this](BarButtonItem&) { picker_.cancelled(); })});
        grid_ = std::make_shared<ScrollView>(Rect{0, kBarHeight, 320, 480 - kBarHeight});
        grid_->setBackgroundColor(Color::black());
        grid_->setAlwaysBounceVertical(true);
        addSubview(grid_);
        addSubview(bar);
        const auto& files = picker_.pictures();
        const float cell = kThumbnailSide + kThumbnailGap;
        for (size_t i = 0; i < files.size(); ++i) {
            float x = kThumbnailGap + static_cast<float>(i % kColumns) * cell;
            const size_t row = i / kColumns;
            float y = kThumbnailGap + static_cast<float>(row) * cell;
            auto thumb = std::make_shared<Button>(Rect{x, y, kThumbnailSide, kThumbnailSide});
            thumb->setTag(kThumbnailTag + static_cast<int>(i));
            thumb->setBackgroundColor(Color::gray(0.2f));
            thumb->addTarget([this, i](Control&) { picker_.openEditor(i); },
                             ControlEvent::TouchUpInside);
            grid_->addSubview(thumb);
            thumbs_.push_back(thumb);
        }
        const size_t rowCount = (files.size() + kColumns - 1) / kColumns;
        float rows = static_cast<float>(rowCount);
        grid_->setContentSize({320, kThumbnailGap + rows * cell});
        if (files.empty()) {
            auto none = std::make_shared<Label>(Rect{0, 200, 320, 30});
            none->setText("No Photos");
            none->setFont(Font::boldSystem(20));
            none->setTextColor(Color::gray(0.6f));
            none->setBackgroundColor(Color::clear());
            none->setTextAlignment(TextAlignment::Center);
            addSubview(none);
        }
    }

    void setThumbnail(size_t index, const Image& image) {
        if (index < thumbs_.size() && image) thumbs_[index]->setImage(image);
    }

    void showEditor(std::shared_ptr<CropView> editor) {
        closeEditor();
        editor_ = std::move(editor);
        addSubview(editor_);
    }
    void closeEditor() {
        if (editor_) editor_->removeFromSuperview();
        editor_.reset();
    }
    CropView* editor() const { return editor_.get(); }
    std::string_view className() const override { return "ImagePickerView"; }

  private:
    ImagePickerController& picker_;
    std::shared_ptr<ScrollView> grid_;
    std::vector<std::shared_ptr<Button>> thumbs_;
    std::shared_ptr<CropView> editor_;
};

void ImagePickerController::CropView::back() {
    // Leaves the editor on the next turn: this view's own touch is still being handled.
    auto self = std::static_pointer_cast<CropView>(shared_from_this());
    zplatform::RunLoop::main().post([self] {
        if (auto* chooser = dynamic_cast<ChooserView*>(self->superview())) chooser->closeEditor();
    });
}

void ImagePickerController::CropView::choose() {
    picker_.finishWith(picker_.pictures()[index_], image_, cropInPixels());
}

// --- The controller ---

std::shared_ptr<ImagePickerController> ImagePickerController::create() {
    return std::shared_ptr<ImagePickerController>(new ImagePickerController());
}

ImagePickerController::~ImagePickerController() {
    if (loader_) loader_->cancelled = true;
}

bool ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType type) {
    return type != ImagePickerSourceType::Camera;
}

fs::path ImagePickerController::directory() const {
    return directory_ ? *directory_ : zplatform::picturesDirectory();
}

View* ImagePickerController::view() const {
    return presented_ ? chooser_.get() : nullptr;
}

void ImagePickerController::listPictures() {
    pictures_.clear();
    std::error_code ec;
    for (fs::directory_iterator it(directory(), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && isPictureFile(it->path())) pictures_.push_back(it->path());
    }
    std::sort(pictures_.begin(), pictures_.end());
    if (pictures_.size() > kMaximumPictures) pictures_.resize(kMaximumPictures);
}

bool ImagePickerController::presentInWindow(Window& window) {
    if (!isSourceTypeAvailable(sourceType_) || presented_) return false;
    presented_ = true;
    answered_ = false;
    self_ = shared_from_this();
    thumbnailsLoaded_ = 0;
    if (auto scripted = takeScriptedAnswer()) {
        pictures_.clear();
        if (!scripted->pick) {
            cancelled();
            return true;
        }
        pictures_.push_back(scripted->file);
        Image original = Image::fromFile(scripted->file);
        if (!original) {
            std::fprintf(stderr, "image picker: %s is not a picture; answering cancel\n",
                         scripted->file.string().c_str());
            cancelled();
            return true;
        }
        std::optional<Rect> crop;
        if (allowsEditing_) crop = centredSquare(original.pixelWidth(), original.pixelHeight());
        finishWith(scripted->file, original, crop);
        return true;
    }
    listPictures();
    chooser_ = std::make_shared<ChooserView>(*this);
    chooser_->setFrame({0, 480, 320, 480});
    window.presentModal(chooser_);
    View::animate(kSlideSeconds, [this] { chooser_->setFrame({0, 0, 320, 480}); });
    startThumbnails();
    return true;
}

void ImagePickerController::dismiss() {
    if (!presented_) return;
    presented_ = false;
    if (loader_) loader_->cancelled = true;
    if (auto chooser = std::move(chooser_); chooser && chooser->window()) {
        chooser->setUserInteractionEnabled(false);
        View::animate(
            kSlideSeconds,
            [&chooser] {
                chooser->setFrame({0, 480, 320, 480});
            },
            [chooser](bool) {
                if (Window* w = chooser->window()) w->dismissModal(chooser.get());
            });
    }
    auto keep = std::move(self_); // may release this controller on leaving
}

void ImagePickerController::thumbnailArrived(size_t index, const Image& thumbnail) {
    ++thumbnailsLoaded_;
    if (chooser_) chooser_->setThumbnail(index, thumbnail);
}

void ImagePickerController::openEditor(size_t index) {
    if (answered_ || index >= pictures_.size()) return;
    Image original = Image::fromFile(pictures_[index]);
    if (!original) {
        std::fprintf(stderr, "image picker: %s cannot be read\n",
                     pictures_[index].string().c_str());
        return;
    }
    if (!allowsEditing_) {
        finishWith(pictures_[index], original, std::nullopt);
        return;
    }
    if (chooser_) chooser_->showEditor(std::make_shared<CropView>(*this, index, original));
}

void ImagePickerController::finishWith(const fs::path& file, const Image& original,
                                       std::optional<Rect> crop) {
    if (answered_) return;
    answered_ = true;
    PickedImage info;
    info.originalImage = original;
    info.file = file;
    info.cropRect = {0, 0, static_cast<float>(original.pixelWidth()),
                     static_cast<float>(original.pixelHeight())};
    if (crop) {
        Rect c = crop->intersection(info.cropRect);
        int side = std::min(static_cast<int>(std::lround(std::min(c.width(), c.height()))),
                            kMaximumEditedSide);
        info.cropRect = c;
        info.editedImage = cropAndScale(original, c, std::max(side, 1));
    }
    deliverPicked(std::move(info));
}

void ImagePickerController::cancelled() {
    if (answered_) return;
    answered_ = true;
    deliverCancel();
}

void ImagePickerController::deliverPicked(PickedImage info) {
    zplatform::RunLoop::main().post(
        [self = shared_from_this(), info = std::move(info)] {
            if (self->presented_ && self->delegate_)
                self->delegate_->imagePickerDidFinishPicking(*self, info);
        },
        zplatform::RunDepth::Outermost);
}

void ImagePickerController::deliverCancel() {
    zplatform::RunLoop::main().post(
        [self = shared_from_this()] {
            if (self->presented_ && self->delegate_)
                self->delegate_->imagePickerControllerDidCancel(*self);
        },
        zplatform::RunDepth::Outermost);
}

// --- Scripts ---

void ImagePickerController::scriptPick(fs::path file) {
    std::lock_guard lock(scriptMutex);
    scriptQueue().push_back({true, std::move(file)});
}

void ImagePickerController::scriptCancel() {
    std::lock_guard lock(scriptMutex);
    scriptQueue().push_back({false, {}});
}

void ImagePickerController::clearScript() {
    std::lock_guard lock(scriptMutex);
    scriptQueue().clear();
}

size_t ImagePickerController::scriptedAnswers() {
    std::lock_guard lock(scriptMutex);
    return scriptQueue().size();
}

} // namespace ui
