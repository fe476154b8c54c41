#include "app/home/home_view_controller.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

#include "app/account/connexion.h"
#include "app/home/home_box_view.h"
#include "app/home/home_line.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "feeds/discographie.h"
#include "feeds/news.h"
#include "platform/run_loop.h"
#include "platform/ui/accelerometer.h"
#include "platform/ui/button.h"
#include "platform/ui/clock.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

constexpr float kTopY = 62;
constexpr float kBottomY = 292;
constexpr float kRightX = 229;
constexpr float kSliderY = 439;
constexpr float kCursorWidth = 88;
constexpr double kShakeSeconds = 0.3;
constexpr double kHoldTick = 0.1;
const char* const kBoxImages[HomeViewController::kBoxCount] = {
    "home-box-news.png", "home-box-albums.png", nullptr, "home-box-mix.png",
    "home-box-community.png"};

const char* mediasImage(bool french) {
    return french ? "home-box-medias-fr.png" : "home-box-medias-uk.png";
}

// The home view hands its touches to the controller (the boxes pass theirs up to it).
class HomeView : public ui::View {
  public:
    HomeView(HomeViewController& controller)
        : ui::View(ui::Rect(0, 0, 320, 480)), controller_(controller) {}
    void touchesBegan(const ui::TouchSet& t, const ui::Event& e) override {
        controller_.touchesBegan(t, e);
    }
    void touchesMoved(const ui::TouchSet& t, const ui::Event& e) override {
        controller_.touchesMoved(t, e);
    }
    void touchesEnded(const ui::TouchSet& t, const ui::Event& e) override {
        controller_.touchesEnded(t, e);
    }
    void touchesCancelled(const ui::TouchSet& t, const ui::Event& e) override {
        controller_.touchesEnded(t, e);
    }
    std::string_view className() const override { return "HomeView"; }

  private:
    HomeViewController& controller_;
};

// The picture file whose name begins with "p_" (a photo thumbnail), examined from the last name
// of the directory towards the first.
std::optional<fs::path> lastPhotoIn(const std::string& directory) {
    std::error_code ec;
    std::vector<fs::path> names;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().rfind("p_", 0) == 0) names.push_back(it->path());
    if (names.empty()) return std::nullopt;
    std::sort(names.begin(), names.end());
    return names.back();
}

std::shared_ptr<ui::View> pictureContent(const ui::Image& image) {
    auto v = std::make_shared<ui::ImageView>(image);
    v->setFrame({8, 27, 75, 75});
    v->setContentMode(ui::ContentMode::AspectFill);
    v->setClipsToBounds(true);
    return v;
}

std::shared_ptr<ui::Label> whiteLabel(const ui::Rect& frame, const std::string& text, int lines) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setTextColor(ui::Color::white());
    l->setFont(ui::Font::named("Trebuchet MS", 11));
    l->setNumberOfLines(lines);
    l->setLineBreakMode(lines > 1 ? ui::LineBreakMode::WordWrap
                                  : ui::LineBreakMode::TailTruncation);
    return l;
}

} // namespace

struct HomeViewController::BoxContents {
    ui::Image cover;
    ui::Image photo;
    std::string newsDate;
    std::string newsText = "Zephrun News";
};

HomeViewController::HomeViewController(ZephrunAppDelegate& appDelegate)
    : SectionController(appDelegate), alive_(std::make_shared<bool>(true)) {}

HomeViewController::~HomeViewController() {
    *alive_ = false;
    stopHold();
    if (loader_.joinable()) loader_.join();
    if (isViewLoaded() && view().window()) view().window()->accelerometer().setDelegate({});
}

std::uint32_t HomeViewController::random() {
    return appDelegate.environment().random();
}

std::shared_ptr<ui::View> HomeViewController::loadView() {
    return std::make_shared<HomeView>(*this);
}

void HomeViewController::viewDidLoad() {
    ui::View& v = view();
    v.setMultipleTouchEnabled(true);
    auto tint = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
    tint->setBackgroundColor(appDelegate.tintColor());
    tint->setAlpha(0.5f);
    tint->setUserInteractionEnabled(false);
    v.addSubview(tint);
    myTwitterView_ = std::make_shared<HomeLineTwitter>(appDelegate);
    v.addSubview(myTwitterView_);
    myNewsView_ = std::make_shared<HomeLineNews>(appDelegate);
    v.addSubview(myNewsView_);

    for (int i = 0; i < kBoxCount; ++i) {
        const char* image = kBoxImages[i] ? kBoxImages[i] : mediasImage(isFrench());
        myBoxes_[i] = std::make_shared<HomeBoxView>(ui::imageNamed(image));
        v.addSubview(myBoxes_[i]);
    }

    infoButton_ = std::make_shared<ui::Button>(ui::Rect(280, 363, 30, 30));
    infoButton_->setTag(kInfoButtonTag);
    infoButton_->setImage(ui::imageNamed("home-info.png"));
    infoButton_->addTarget([this](ui::Control&) { appDelegate.showInfos(); },
                           ui::ControlEvent::TouchUpInside);
    v.addSubview(infoButton_);
    soundButton_ = std::make_shared<ui::Button>(ui::Rect(0, 363, 120, 30));
    soundButton_->setTag(kSoundButtonTag);
    soundButton_->setImage(ui::imageNamed("home-bt-son-on.png"));
    soundButton_->setTitle("1");
    soundButton_->setTitleColor(ui::Color::clear());
    soundButton_->addTarget([this](ui::Control&) { clicOnSound(); },
                            ui::ControlEvent::TouchUpInside);
    v.addSubview(soundButton_);

    placeBoxesAtRandom();

    ui::Accelerometer& accelerometer = appDelegate.window().accelerometer();
    accelerometer.setUpdateInterval(0.25);
    accelerometer.setDelegate([this](const ui::Acceleration& a) { didAccelerate(a); });

    for (auto& b : myBoxes_)
        if (b.get() != myBoxes_[kSectionMix].get() && b.get() != myBoxes_[kSectionCommunity].get())
            b->showLoading();
    loader_ = std::thread([this] { loadBox(); });
    showSlider();
    showLigne();
}

std::array<ui::Point, HomeViewController::kBoxCount>
HomeViewController::randomPlacement(const std::function<std::uint32_t()>& random) {
    std::array<ui::Point, kBoxCount> at{};
    std::array<bool, kBoxCount> placed{};
    std::vector<int> remaining{0, 1, 2, 3, 4};
    for (int k = 0; k < kBoxCount; ++k) {
        const std::size_t pick = random() % remaining.size();
        const int index = remaining[pick];
        remaining.erase(remaining.begin() + static_cast<long>(pick));
        float y = static_cast<float>(random() % 230 + 62);
        if (index != 0) {
            const float previous = placed[index - 1] ? at[index - 1].y : 0;
            if (y < previous + 66.6f) y = previous + 66.6f;
            if (y > kBottomY) y = static_cast<float>(random() % 230 + 62);
        }
        at[index] = {57.0f * static_cast<float>(k), y};
        placed[index] = true;
    }
    return at;
}

void HomeViewController::placeBoxesAtRandom() {
    const auto at = randomPlacement([this] { return random(); });
    for (int i = 0; i < kBoxCount; ++i) {
        myBoxes_[i]->setFrame({at[i].x, at[i].y, HomeBoxView::kWidth, HomeBoxView::kHeight});
        changeLevelOfBox(*myBoxes_[i]);
    }
}

void HomeViewController::loadBox() {
    BoxContents contents;
    ZephrunConfiguration& config = appDelegate.myConfig();
    if (config.home_box_disco_aleatoire()) {
        auto albums = appDelegate.myDiscographie().listAlbum();
        if (albums && !albums->empty()) {
            const auto& album = (*albums)[random() % albums->size()];
            const Picture& cover = album->dPochette;
            if (cover.image)
                contents.cover = ui::Image::fromData(cover.image->bytes);
            else
                contents.cover = ui::imageNamed(cover.resourceName);
        }
    }
    if (!contents.cover) contents.cover = ui::imageNamed(kDefaultPochette);

    std::optional<fs::path> photo = lastPhotoIn(appDelegate.imageDirectory());
    if (!photo) photo = lastPhotoIn(appDelegate.packageDirectory());
    if (photo) contents.photo = ui::Image::fromFile(*photo);
    if (!contents.photo) contents.photo = ui::imageNamed("box_content.jpg");

    const auto news = appDelegate.myNews().listNews();
    auto withDescription =
        std::find_if(news.begin(), news.end(), [](const auto& n) { return !n->tDes.empty(); });
    if (withDescription != news.end()) {
        contents.newsDate = (*withDescription)->tDate;
        contents.newsText = (*withDescription)->tDes;
    } else {
        auto withTitle = std::find_if(news.begin(), news.end(),
                                      [](const auto& n) { return !n->tTitle.empty(); });
        if (withTitle != news.end()) {
            contents.newsDate = (*withTitle)->tDate;
            contents.newsText = (*withTitle)->tTitle;
        }
    }
    std::shared_ptr<bool> alive = alive_;
    zplatform::RunLoop::main().post([this, alive, contents = std::move(contents)] {
        if (*alive) showBoxContents(contents);
    });
}

void HomeViewController::showBoxContents(const BoxContents& contents) {
    auto news = std::make_shared<ui::View>(ui::Rect(8, 27, 75, 75));
    // A veil over the box's picture keeps the small text readable.
    news->setBackgroundColor(ui::Color{0, 0, 0, 0.72f});
    news->setClipsToBounds(true);
    news->addSubview(whiteLabel({5, 0, 70, 17}, contents.newsDate, 1));
    news->addSubview(whiteLabel({2, 19, 71, 56}, contents.newsText, 5));
    myBoxes_[kSectionNews]->setContenu(news);
    myBoxes_[kSectionDisco]->setContenu(pictureContent(contents.cover));
    if (contents.photo) myBoxes_[kSectionMedias]->setContenu(pictureContent(contents.photo));
    for (auto& b : myBoxes_) b->hideLoading();
    boxesLoaded_ = true;
}

// --- Mixer ---

int HomeViewController::levelFor(float y, float coefLevel) {
    const double level = std::trunc((292.0 * coefLevel - y) * 255.0 / 230.0);
    return static_cast<int>(std::clamp(level, 0.0, 255.0));
}

float HomeViewController::coefficientFor(float boxCenterX, float cursorX) {
    if (cursorX > 111 && cursorX < 209) return 1.0f;
    const float d = std::fabs(boxCenterX - (cursorX + 44));
    return std::max(0.0f, 1.0f - d * d / 90000.0f);
}

void HomeViewController::changeLevelOfBox(HomeBoxView& b) {
    if (!appDelegate.myAudioMix()) return;
    const int level = levelFor(b.frame().y(), b.coefLevel);
    if (std::abs(level - b.currentLevel) < 13) return;
    const int index = static_cast<int>(
        std::find_if(myBoxes_.begin(), myBoxes_.end(), [&b](auto& p) { return p.get() == &b; }) -
        myBoxes_.begin());
    appDelegate.audioMixTrackVolume(index, level);
    b.currentLevel = level;
}

void HomeViewController::changeCoeffLevelFor(HomeBoxView& b, float cursorX) {
    b.coefLevel = coefficientFor(b.frame().midX(), cursorX);
    changeLevelOfBox(b);
}

void HomeViewController::changeCoeffLevel(float cursorX) {
    for (auto& b : myBoxes_) changeCoeffLevelFor(*b, cursorX);
}

void HomeViewController::resetSliderEffect() {
    if (!isViewLoaded()) return;
    if (viewSliderCursor_) {
        ui::Rect f = viewSliderCursor_->frame();
        viewSliderCursor_->setFrame({kCursorRest, f.y(), f.width(), f.height()});
    }
    changeCoeffLevel(kCursorRest);
}

void HomeViewController::showSlider() {
    destroySlider();
    auto slider = std::make_shared<ui::ImageView>(ui::imageNamed("home-switch-bkg.gif"));
    slider->setFrame({0, kSliderY, 320, 41});
    slider->setUserInteractionEnabled(false);
    auto cursor = std::make_shared<ui::View>(ui::Rect(kCursorRest, 0, kCursorWidth, 41));
    auto cursorImage = std::make_shared<ui::ImageView>(ui::imageNamed("home-switch-bkg.png"));
    cursorImage->setFrame({0, 0, kCursorWidth, 41});
    cursor->addSubview(cursorImage);
    auto tint = std::make_shared<ui::View>(ui::Rect(31, 0, 26, 41));
    tint->setBackgroundColor(appDelegate.tintColor());
    cursor->addSubview(tint);
    slider->addSubview(cursor);
    auto mask = std::make_shared<ui::ImageView>(ui::imageNamed("home-switch-mask.png"));
    mask->setFrame({0, 0, 320, 41});
    slider->addSubview(mask);
    viewSlider_ = slider;
    viewSliderCursor_ = cursor;
    view().addSubview(slider);
}

void HomeViewController::destroySlider() {
    if (!viewSlider_) return;
    viewSlider_->removeFromSuperview();
    viewSlider_.reset();
    viewSliderCursor_.reset();
}

void HomeViewController::showLigne() {
    if (!isViewLoaded()) return;
    myNewsView_->setHidden(false);
    myTwitterView_->setHidden(false);
    infoButton_->setFrame({280, 363, 30, 30});
    soundButton_->setFrame({0, 363, 120, 30});
}

void HomeViewController::hideLigne() {
    if (!isViewLoaded()) return;
    myNewsView_->setHidden(true);
    myTwitterView_->setHidden(true);
    infoButton_->setFrame({280, 383, 30, 30});
    soundButton_->setFrame({0, 383, 120, 30});
}

void HomeViewController::toggleLanguage() {
    if (isViewLoaded()) myBoxes_[kSectionMedias]->setImage(ui::imageNamed(mediasImage(isFrench())));
}

bool HomeViewController::isSoundOn() const {
    return !soundButton_ || soundButton_->titleForState(ui::ControlState::Normal) == "1";
}

void HomeViewController::setSoundButtonOn(bool on) {
    if (!soundButton_) return;
    soundButton_->setTitle(on ? "1" : "0");
    soundButton_->setImage(ui::imageNamed(on ? "home-bt-son-on.png" : "home-bt-son-off.png"));
}

void HomeViewController::clicOnSound() {
    if (appDelegate.playExtrait()) return;
    if (isSoundOn()) {
        setSoundButtonOn(false);
        appDelegate.audioMixPause();
    } else {
        setSoundButtonOn(true);
        if (appDelegate.myAudioMix())
            appDelegate.audioMixPlay();
        else
            appDelegate.audioMixStart("home");
    }
}

// --- Boxes and touches ---

HomeBoxView* HomeViewController::getBoxSelectedInPoint(ui::Point p) {
    for (auto& b : myBoxes_) {
        ui::Rect f = b->frame();
        // Edges included.
        if (p.x >= f.minX() && p.x <= f.maxX() && p.y >= f.minY() && p.y <= f.maxY())
            return b.get();
    }
    return nullptr;
}

void HomeViewController::goToView(HomeBoxView& b) {
    appDelegate.setWantToGoToConnected(-1);
    const int index = static_cast<int>(
        std::find_if(myBoxes_.begin(), myBoxes_.end(), [&b](auto& p) { return p.get() == &b; }) -
        myBoxes_.begin());
    if (appDelegate.myConnexion().isConnected()) {
        appDelegate.showSection(index);
        return;
    }
    appDelegate.setWantToGoToConnected(index);
    appDelegate.showAlert(texts::kMembersOnly.in(isFrench()));
    appDelegate.showLogin();
}

void HomeViewController::openOnce(HomeBoxView& b) {
    if (openedThisGesture_) return;
    openedThisGesture_ = true;
    goToView(b);
}

void HomeViewController::startHold(HomeBoxView& b) {
    stopHold();
    ZephrunConfiguration& config = appDelegate.myConfig();
    heldBox_ = &b;
    holdStart_ = b.frame().origin;
    holdCountdown_ = static_cast<int>(config.time_valid_select() * 10);
    const float delta = config.home_delta_detect();
    holdTimer_ = appDelegate.window().clock().scheduledTimer(
        kHoldTick, true, [this, delta](ui::UiTimer& timer) {
            HomeBoxView* held = heldBox_;
            if (!held || !held->isDragging) {
                timer.invalidate();
                return;
            }
            ui::Point now = held->frame().origin;
            if (std::fabs(now.x - holdStart_.x) > delta ||
                std::fabs(now.y - holdStart_.y) > delta) {
                timer.invalidate();
                return;
            }
            if (--holdCountdown_ > 0) return;
            timer.invalidate();
            held->boxDeselected();
            openOnce(*held);
        });
}

void HomeViewController::stopHold() {
    if (holdTimer_) holdTimer_->invalidate();
    holdTimer_.reset();
    heldBox_ = nullptr;
}

void HomeViewController::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
    appDelegate.setWantToGoToConnected(-1);
    if (event.allTouches.size() == touches.size()) openedThisGesture_ = false;
    ZephrunConfiguration& config = appDelegate.myConfig();
    bool first = true;
    for (ui::Touch* t : touches) {
        HomeBoxView* b = getBoxSelectedInPoint(t->locationInView(&view()));
        if (b) {
            b->boxSelected();
            view().bringSubviewToFront(b);
            if (first && config.time_valid_select() != 0 && config.home_delta_detect() != 0)
                startHold(*b);
        }
        first = false;
    }
}

void HomeViewController::touchesMoved(const ui::TouchSet& touches, const ui::Event&) {
    const float delta = appDelegate.myConfig().home_delta_detect();
    for (ui::Touch* t : touches) {
        ui::Point p = t->locationInView(&view());
        HomeBoxView* b = getBoxSelectedInPoint(t->previousLocationInView(&view()));
        if (!b) b = getBoxSelectedInPoint(p);
        if (b && b->isDragging) {
            ui::Rect f = b->frame();
            if (!b->hasMove &&
                (std::fabs(f.x() - b->pInit.x) > delta || std::fabs(f.y() - b->pInit.y) > delta))
                b->hasMove = true;
            const float x = std::clamp(p.x - 45.5f, 0.0f, kRightX);
            const float y = std::clamp(p.y - 55.5f, kTopY, kBottomY);
            b->setFrame({x, y, f.width(), f.height()});
            if (viewSliderCursor_) changeCoeffLevelFor(*b, viewSliderCursor_->frame().x());
            view().bringSubviewToFront(b);
        } else if (!b && viewSliderCursor_ && p.y > kSliderY) {
            ui::Rect c = viewSliderCursor_->frame();
            if (p.x < c.minX() || p.x > c.maxX()) continue;
            const float x = std::clamp(p.x - 44, -44.0f, 276.0f);
            viewSliderCursor_->setFrame({x, c.y(), c.width(), c.height()});
            changeCoeffLevel(x);
        }
    }
}

void HomeViewController::touchesEnded(const ui::TouchSet& touches, const ui::Event&) {
    const float delta = appDelegate.myConfig().home_delta_detect();
    bool first = true;
    for (ui::Touch* t : touches) {
        HomeBoxView* b = getBoxSelectedInPoint(t->locationInView(&view()));
        if (b && b->isDragging) {
            if (first && t->tapCount() == 2) openOnce(*b);
            if (delta != 0 && !b->hasMove) openOnce(*b);
            b->boxDeselected();
        }
        if (b && heldBox_ == b) stopHold();
        first = false;
    }
    for (auto& b : myBoxes_)
        if (b->isDragging && touches.size() == 0) b->boxDeselected();
}

void HomeViewController::didAccelerate(const ui::Acceleration& a) {
    if (inShake_) return;
    if (std::fabs(a.x) > 1.05 || std::fabs(a.y) > 1.4 || std::fabs(a.z) > 2.1) moveBoxByShake();
}

void HomeViewController::moveBoxByShake() {
    if (!isViewLoaded() || inShake_) return;
    inShake_ = true;
    std::vector<ui::Point> targets;
    targets.reserve(kBoxCount);
    for (int i = 0; i < kBoxCount; ++i)
        targets.push_back(
            {static_cast<float>(random() % 229), static_cast<float>(random() % 230 + 62)});
    ui::View::animate(kShakeSeconds, [this, targets] {
        for (int i = 0; i < kBoxCount; ++i) {
            ui::Rect f = myBoxes_[i]->frame();
            myBoxes_[i]->setFrame({targets[i].x, targets[i].y, f.width(), f.height()});
        }
    });
    for (auto& b : myBoxes_) changeLevelOfBox(*b);
    inShake_ = false;
}

} // namespace zephrun
