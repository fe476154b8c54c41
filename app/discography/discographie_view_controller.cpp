#include "app/discography/discographie_view_controller.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/discography/discographie_layout.h"
#include "app/discography/discographie_track_cell.h"
#include "app/home/home_view_controller.h"
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "client/kt_webtools.h"
#include "feeds/feed_delegate.h"
#include "feeds/text_width.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/page_control.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

constexpr const char* kKindNames[] = {"albums", "maxis", "compils"};

// The track index a row's button carries in its title; -1 when it carries none.
int indexInTitle(const ui::Button& button) {
    const std::string title = button.titleForState(ui::ControlState::Normal);
    int index = -1;
    auto [end, ec] = std::from_chars(title.data(), title.data() + title.size(), index);
    return ec == std::errc() && end == title.data() + title.size() ? index : -1;
}

std::shared_ptr<ui::Button> tapZone(const ui::Rect& frame, int tag, std::function<void()> action) {
    auto zone = std::make_shared<ui::Button>(frame);
    zone->setTag(tag);
    zone->setBackgroundColor(ui::Color::clear());
    zone->addTarget([action = std::move(action)](ui::Control&) { action(); },
                    ui::ControlEvent::TouchUpInside);
    return zone;
}

} // namespace

DiscographieViewController::DiscographieViewController(ZephrunAppDelegate& appDelegate)
    : SectionController(appDelegate) {}

DiscographieViewController::~DiscographieViewController() {
    if (strip_) strip_->setDelegate(nullptr);
    if (myTableView_) {
        myTableView_->setDelegate(nullptr);
        myTableView_->setDataSource(nullptr);
    }
    if (myMenuBottom_) myMenuBottom_->removeFromSuperview();
}

void DiscographieViewController::viewDidLoad() {
    ui::View& v = view();
    v.setBackgroundColor(ui::Color::clear());
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed(disco::kBackground));
    background->setFrame(disco::kBackgroundFrame);
    v.addSubview(background);

    myTableView_ = std::make_shared<ui::TableView>(disco::kTableFrame);
    myTableView_->setRowHeight(disco::kRowHeight);
    myTableView_->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    myTableView_->setBackgroundColor(ui::Color::clear());
    myTableView_->setDataSource(this);
    myTableView_->setDelegate(this);
    v.addSubview(myTableView_);

    loadAlbumView();
    generateBottomMenu();
}

ui::Color DiscographieViewController::tint() const {
    return appDelegate.tintColor();
}

int DiscographieViewController::discCount() const {
    return currentListPochettes_ ? static_cast<int>(currentListPochettes_->size()) : 0;
}

bool DiscographieViewController::isPlayingDisque() const {
    return currentTypeDisque_ == currentTypeDisqueExtraitLaunched_ &&
           currentDisque_ == currentDisqueExtraitLaunched_;
}

// --- Kinds ---

void DiscographieViewController::loadAlbumView() {
    loadKind(Discographie::kAlbum);
}
void DiscographieViewController::loadMaxiView() {
    loadKind(Discographie::kMaxi);
}
void DiscographieViewController::loadCompilView() {
    loadKind(Discographie::kCompil);
}

void DiscographieViewController::loadKind(int kind) {
    currentTypeDisque_ = kind;
    currentDisque_ = 0;
    appDelegate.showLoading(disco::kLoadingKind.in(isFrench()));
    Discographie& model = appDelegate.myDiscographie();
    currentListPochettes_ = kind == Discographie::kAlbum  ? model.listAlbum()
                            : kind == Discographie::kMaxi ? model.listMaxi()
                                                          : model.listCompil();
    appDelegate.log().record("discography", kKindNames[kind - 1]);
    generateScroll();
    // The strip may have centred the disc of the playing preview: its list goes with it.
    generateList(currentDisque_);
    appDelegate.hideLoading();
}

// --- Cover strip ---

ui::Image DiscographieViewController::coverImage(const DisqueDescription& disque) {
    const Picture& picture = disque.dPochette;
    if (!picture.image) return ui::imageNamed(picture.resourceName);
    for (const auto& [source, image] : coverCache_)
        if (source == picture.image) return image;
    ui::Image image = ui::Image::fromData(picture.image->bytes);
    if (!image) image = ui::imageNamed(kDefaultPochette);
    coverCache_.emplace_back(picture.image, image);
    return image;
}

void DiscographieViewController::generateScroll() {
    ui::View& v = view();
    if (strip_) {
        strip_->setDelegate(nullptr);
        strip_->removeFromSuperview();
        previousZone_->removeFromSuperview();
        nextZone_->removeFromSuperview();
    }
    covers_.clear();
    const int count = discCount();
    // Pictures the model no longer holds (a new index, new covers) need not stay decoded.
    std::erase_if(coverCache_, [](const auto& entry) { return entry.first.use_count() == 1; });

    strip_ = std::make_shared<ui::ScrollView>(disco::kStripFrame);
    strip_->setTag(disco::kStripTag);
    strip_->setShowsHorizontalScrollIndicator(false);
    strip_->setShowsVerticalScrollIndicator(false);
    strip_->setDelaysContentTouches(true);
    strip_->setContentSize(
        {disco::kPage * static_cast<float>(count) + 2 * disco::kSlotStart, disco::kCoverFull});
    for (int i = 0; i < count; ++i) {
        auto slot = std::make_shared<ui::View>(
            ui::Rect(disco::kSlotStart + disco::kPage * static_cast<float>(i), 0, disco::kPage,
                     disco::kPage));
        slot->setTag(i);
        auto cover = std::make_shared<ui::ImageView>(coverImage(*(*currentListPochettes_)[i]));
        cover->setTag(disco::kCoverTag);
        const float inset = i == 0 ? 0 : (disco::kCoverFull - disco::kCoverSmall) / 2;
        const float side = i == 0 ? disco::kCoverFull : disco::kCoverSmall;
        cover->setFrame({inset, inset, side, side});
        slot->addSubview(cover);
        strip_->addSubview(slot);
        covers_.push_back(cover);
    }
    strip_->setDelegate(this);
    v.addSubview(strip_);

    if (!myPageControl_) {
        myPageControl_ = std::make_shared<ui::PageControl>(disco::kPageControlFrame);
        myPageControl_->setEnabled(false);
        v.addSubview(myPageControl_);
    }
    myPageControl_->setNumberOfPages(count);
    myPageControl_->setCurrentPage(0);

    if (currentTypeDisque_ == currentTypeDisqueExtraitLaunched_ &&
        currentDisqueExtraitLaunched_ != -1) {
        strip_->setContentOffset(
            {disco::kPage * static_cast<float>(currentDisqueExtraitLaunched_), 0}, false);
        snap();
    }

    previousZone_ =
        tapZone(disco::kPreviousZoneFrame, disco::kPreviousZoneTag, [this] { previewCover(); });
    nextZone_ = tapZone(disco::kNextZoneFrame, disco::kNextZoneTag, [this] { nextCover(); });
    v.addSubview(previousZone_);
    v.addSubview(nextZone_);
}

ui::ImageView* DiscographieViewController::cover(int k) const {
    return k >= 0 && k < static_cast<int>(covers_.size()) ? covers_[k].get() : nullptr;
}

float DiscographieViewController::coverSide(float a, int k) {
    return disco::kCoverFull - std::fabs(a - disco::kPage * static_cast<float>(k)) / 3;
}

int DiscographieViewController::snapIndex(float a, float saveOffset, int count) {
    const bool forward = a > saveOffset;
    int c = static_cast<int>(std::trunc(a / disco::kPage)) + (forward ? 0 : 1);
    const float r = a - disco::kPage * static_cast<float>(c);
    if (r < disco::kSnapMargin) {
        // Moving back, r is never positive: the strip settles on the cover at or behind it.
        // Moving on, a release just past a cover keeps that cover rather than going back one.
        if (!forward) --c;
    } else if (disco::kPage - r < disco::kSnapMargin) {
        ++c;
    }
    return std::clamp(c, 0, std::max(count - 1, 0));
}

void DiscographieViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (&scrollView != strip_.get()) return;
    const float a = std::max(scrollView.contentOffset().x, 0.0f);
    if (!(std::fabs(saveOffset_ - a) > disco::kZoomStep)) return;
    const int count = static_cast<int>(covers_.size());
    const int e = static_cast<int>(std::trunc(a / disco::kPage));
    auto width = [this](int k) { return covers_[k]->frame().width(); };
    auto resize = [this, a](int k) {
        const float side = coverSide(a, k);
        const float origin = (disco::kCoverFull - side) / 2;
        covers_[k]->setFrame({origin, origin, side, side});
    };
    const bool hasE = e < count;
    const bool hasNext = e + 1 < count;
    if (a > saveOffset_) {
        if (hasE && width(e) > disco::kCoverSmall) resize(e);
        if (hasNext && width(e + 1) < disco::kCoverFull) resize(e + 1);
        myPageControl_->setCurrentPage(e + 1);
    } else {
        if (hasE && width(e) < disco::kCoverFull) resize(e);
        if (hasNext && width(e + 1) > disco::kCoverSmall) resize(e + 1);
        myPageControl_->setCurrentPage(e);
    }
    saveOffset_ = a;
}

void DiscographieViewController::scrollViewDidEndDragging(ui::ScrollView& scrollView,
                                                          bool willDecelerate) {
    if (&scrollView == strip_.get() && !willDecelerate) snap();
}

void DiscographieViewController::scrollViewDidEndDecelerating(ui::ScrollView& scrollView) {
    if (&scrollView == strip_.get()) snap();
}

void DiscographieViewController::scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) {
    if (&scrollView != strip_.get()) return;
    const float x = scrollView.contentOffset().x;
    saveOffset_ = x;
    const int c = static_cast<int>(std::trunc(x / disco::kPage));
    showDisque(std::clamp(c, 0, std::max(discCount() - 1, 0)));
}

void DiscographieViewController::snap() {
    const float a = std::max(strip_->contentOffset().x, 0.0f);
    const int c = snapIndex(a, saveOffset_, discCount());
    strip_->setContentOffset({disco::kPage * static_cast<float>(c), 0}, true);
    showDisque(c);
}

void DiscographieViewController::showDisque(int disque) {
    myPageControl_->setCurrentPage(disque);
    if (disque != currentDisque_)
        appDelegate.log().record("discography", "disc " + std::to_string(disque));
    currentDisque_ = disque;
    generateList(disque);
}

void DiscographieViewController::moveStripBy(float delta) {
    // From the page the strip is on or heading to, so that a tap during a move still ends
    // centred on a cover.
    const float page = disco::kPage * std::round(strip_->contentOffset().x / disco::kPage);
    saveOffset_ = page + delta;
    strip_->setContentOffset({page + delta, 0}, true);
}

void DiscographieViewController::nextCover() {
    if (strip_->contentOffset().x < disco::kPage * static_cast<float>(discCount() - 1))
        moveStripBy(disco::kPage);
}

void DiscographieViewController::previewCover() {
    if (strip_->contentOffset().x > 0) moveStripBy(-disco::kPage);
}

// --- Track list ---

void DiscographieViewController::generateList(int disque) {
    currentListTitres_.reset();
    if (disque >= 0 && disque < discCount())
        currentListTitres_ = (*currentListPochettes_)[disque]->listTracks;
    currentListTitresCells_.clear();
    if (currentListTitres_) {
        const ui::Color color = tint();
        const bool playingDisque = isPlayingDisque();
        auto buy = [this](ui::Button& b) { clickOnBuy(b); };
        auto play = [this](ui::Button& b) { clickOnPlayer(b); };
        for (int i = 0; i < static_cast<int>(currentListTitres_->size()); ++i)
            currentListTitresCells_.push_back(std::make_shared<DiscographieTrackCell>(
                (*currentListTitres_)[i], i, playingDisque && i == currentExtraitLaunched_, color,
                buy, play));
    }
    currentListTitresCells_.push_back(DiscographieTrackCell::blankRow());
    myTableView_->reloadData();
}

DiscographieTrackCell* DiscographieViewController::trackRow(int index) const {
    if (index < 0 || index >= static_cast<int>(currentListTitresCells_.size())) return nullptr;
    return dynamic_cast<DiscographieTrackCell*>(currentListTitresCells_[index].get());
}

int DiscographieViewController::numberOfRowsInSection(ui::TableView&, int) {
    return std::max(rowCount(), 1);
}

std::shared_ptr<ui::TableViewCell>
DiscographieViewController::cellForRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (path.row >= 0 && path.row < rowCount()) return currentListTitresCells_[path.row];
    return DiscographieTrackCell::blankRow();
}

void DiscographieViewController::didSelectRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& path) {
    tableView.deselectRowAtIndexPath(path, true);
    if (path.row < rowCount() - 1) launchEcoute(path.row);
}

// --- Previews and the store ---

void DiscographieViewController::launchEcoute(int index) {
    DiscographieTrackCell* row = trackRow(index);
    if (!row) return;
    switch (row->preview()) {
    case DiscographieTrackCell::Preview::None:
        return;
    case DiscographieTrackCell::Preview::Loading:
    case DiscographieTrackCell::Preview::Playing:
        appDelegate.audioStop();
        return;
    case DiscographieTrackCell::Preview::Idle:
        break;
    }
    const int previous = currentExtraitLaunched_;
    const int kind = currentTypeDisque_;
    const int disque = currentDisque_;
    const std::string url = (*currentListTitres_)[index].tURLExtrait;
    auto showLoadingRow = [&] {
        currentExtraitLaunched_ = index;
        showPlayerLoading();
        currentExtraitLaunched_ = previous;
    };
    if (appDelegate.networkType().empty()) {
        showLoadingRow();
        // Taken for the test alone and given back at once: a lock kept here would stall every
        // later request of the application.
        RequestLock lock(appDelegate);
        appDelegate.myWT().KT_testNetwork(false);
    }
    if (appDelegate.networkType().empty()) {
        appDelegate.showAlert(disco::kNoConnectionForPreview.in(isFrench()));
        row->showIdle();
        return;
    }
    showLoadingRow();
    appDelegate.sendEventWithID(appDelegate.myConfig().id_event_discographie_ecoute(), url);
    appDelegate.audioPlayUrl(url);
    currentTypeDisqueExtraitLaunched_ = kind;
    currentDisqueExtraitLaunched_ = disque;
    currentExtraitLaunched_ = index;
}

void DiscographieViewController::clickOnPlayer(ui::Button& button) {
    launchEcoute(indexInTitle(button));
}

void DiscographieViewController::clickOnBuy(ui::Button& button) {
    const int index = indexInTitle(button);
    if (!currentListTitres_ || index < 0 || index >= static_cast<int>(currentListTitres_->size()))
        return;
    const std::string url = (*currentListTitres_)[index].tURLiTunes;
    appDelegate.sendEventWithID(appDelegate.myConfig().id_event_discographie_itunes(), url);
    appDelegate.window().services().openURL(url);
}

void DiscographieViewController::showPlayerLoading() {
    if (currentExtraitLaunched_ == -1) return;
    if (DiscographieTrackCell* row = trackRow(currentExtraitLaunched_)) row->showLoading(tint());
}

void DiscographieViewController::showPlayerStop() {
    if (currentExtraitLaunched_ == -1 || !isPlayingDisque()) return;
    if (DiscographieTrackCell* row = trackRow(currentExtraitLaunched_)) row->showPlaying(tint());
}

void DiscographieViewController::showPlayerPlay() {
    if (currentExtraitLaunched_ == -1) return;
    if (isPlayingDisque())
        if (DiscographieTrackCell* row = trackRow(currentExtraitLaunched_);
            row && row->preview() == DiscographieTrackCell::Preview::Playing)
            row->showIdle();
    // The preview is over: its disc must not show it playing when it comes back on screen.
    currentExtraitLaunched_ = -1;
    currentTypeDisqueExtraitLaunched_ = -1;
    currentDisqueExtraitLaunched_ = -1;
}

// --- Kind menu ---

ui::Rect DiscographieViewController::menuButtonFrame(int tag, const std::string& title) {
    const float width = static_cast<float>(textWidthEstimate(utf8CharacterCount(title)));
    const float left = disco::kMenuSlots[tag][0];
    const float slot = disco::kMenuSlots[tag][1];
    return {left + (slot - width) / 2, disco::kMenuButtonY, width, disco::kMenuButtonHeight};
}

std::shared_ptr<ui::Button> DiscographieViewController::menuButton(int tag) {
    const std::string title = disco::kMenuTitles[tag].in(isFrench());
    auto b = std::make_shared<ui::Button>(menuButtonFrame(tag, title));
    b->setTag(tag);
    b->setTitle(title);
    b->setTitleFont(ui::Font::named(disco::kFontName, disco::kFontSize));
    b->setTitleColor(ui::Color::white());
    b->setBackgroundColor(ui::Color::clear());
    b->addTarget([this](ui::Control& c) { clicOnBottomMenu(static_cast<ui::Button&>(c)); },
                 ui::ControlEvent::TouchUpInside);
    return b;
}

void DiscographieViewController::selectMenuButton(ui::Button& button) {
    button.setBackgroundImage(ui::imageNamed(disco::kMenuSelection)
                                  .colorizeWithColor(tint())
                                  .stretchableImage(disco::kMenuSelectionLeftCap, 0));
}

void DiscographieViewController::generateBottomMenu() {
    myButtonsBottom_.clear();
    if (myMenuBottom_) myMenuBottom_->removeFromSuperview();
    myMenuBottom_ = std::make_shared<ui::View>(disco::kMenuFrame);
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed(disco::kMenuBackground));
    background->setFrame({0, 0, disco::kMenuFrame.width(), disco::kMenuFrame.height()});
    myMenuBottom_->addSubview(background);
    for (int tag = 0; tag < 3; ++tag) {
        myButtonsBottom_.push_back(menuButton(tag));
        myMenuBottom_->addSubview(myButtonsBottom_.back());
    }
    if (currentTypeDisque_ >= 1 && currentTypeDisque_ <= 3)
        selectMenuButton(*myButtonsBottom_[currentTypeDisque_ - 1]);
    appDelegate.window().addSubview(myMenuBottom_);
    HomeViewController* home = appDelegate.myHome();
    if (home && home->isViewLoaded() && !home->view().isHidden()) hideBottomMenu();
}

void DiscographieViewController::showBottomMenu() {
    if (!myMenuBottom_) {
        generateBottomMenu();
        return;
    }
    appDelegate.window().bringSubviewToFront(myMenuBottom_.get());
    myMenuBottom_->setHidden(false);
}

void DiscographieViewController::hideBottomMenu() {
    if (!myMenuBottom_) return;
    appDelegate.window().sendSubviewToBack(myMenuBottom_.get());
    myMenuBottom_->setHidden(true);
}

void DiscographieViewController::clicOnBottomMenu(ui::Button& button) {
    if (button.backgroundImageForState(ui::ControlState::Normal)) return;
    for (auto& b : myButtonsBottom_)
        if (b.get() != &button) b->setBackgroundImage(ui::Image());
    selectMenuButton(button);
    loadKind(button.tag() + 1);
}

} // namespace zephrun
