#include "app/community/show_live_view_2010.h"

#include "app/community/community_texts.h"
#include "app/community/community_view_controller.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/show_live_2010.h"
#include "platform/ui/button.h"
#include "platform/ui/clock.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

struct Frames {
    static constexpr ui::Rect separator{0, 65, 320, 1};
    static constexpr ui::Rect back{230, 2, 90, 28};
    static constexpr float tableTop = 65;
    // The table leaves this much of the view's height to the title band and the bottom bar.
    static constexpr float tableHeightLess = 85;
};

const std::vector<std::shared_ptr<ShowLiveSection2010>> kNoSections;

} // namespace

ShowLiveView2010::ShowLiveView2010(const ui::Rect& frame, ZephrunAppDelegate& appDelegate)
    : ui::View(frame), appDelegate(appDelegate),
      slv_data(std::make_unique<ShowLive2010>(appDelegate)) {
    const float h = frame.height();
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-bkg.png"));
    background->setFrame({0, 0, 320, h});
    addSubview(background);
    addSubview(std::make_shared<ui::ImageView>(ui::imageNamed("radioshows-bkg-title.png")));
    addSubview(std::make_shared<ui::ImageView>(
        ui::imageNamed("radioshows-title.png").colorizeWithColor(appDelegate.tintColor())));
    auto separator = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-hsep.png"));
    separator->setFrame(Frames::separator);
    addSubview(separator);

    backButton_ = std::make_shared<ui::Button>(Frames::back);
    backButton_->setImage(ui::imageNamed(community::kBackImage.in(appDelegate.isFrench())));
    backButton_->addTarget(
        [delegate = &appDelegate](ui::Control&) {
            if (CommunityViewController* hub = delegate->myCommunityView()) hub->hideShowLive();
        },
        ui::ControlEvent::TouchUpInside);
    addSubview(backButton_);

    slv_tv = std::make_shared<ui::TableView>(
        ui::Rect(0, Frames::tableTop, 320, h - Frames::tableHeightLess),
        ui::TableViewStyle::Grouped);
    slv_tv->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    slv_tv->setBackgroundColor(ui::Color::clear());
    slv_tv->setDataSource(this);
    slv_tv->setDelegate(this);
    addSubview(slv_tv);
}

ShowLiveView2010::~ShowLiveView2010() {
    if (loadTimer_) loadTimer_->invalidate();
    slv_tv->setDataSource(nullptr);
    slv_tv->setDelegate(nullptr);
}

const std::vector<std::shared_ptr<ShowLiveSection2010>>& ShowLiveView2010::sections() const {
    return slv_sections ? *slv_sections : kNoSections;
}

void ShowLiveView2010::loadList() {
    if (isRefresh_ && slv_sections && !slv_sections->empty()) return;
    if (loadTimer_ && loadTimer_->isValid()) return;
    ui::Window* w = window();
    if (!w) w = &appDelegate.window();
    loadTimer_ = w->clock().scheduledTimer(kLoadDelay, false, [this](ui::UiTimer& timer) {
        timer.invalidate();
        timerLoadList();
    });
}

void ShowLiveView2010::timerLoadList() {
    const bool french = appDelegate.isFrench();
    appDelegate.showLoading(community::kUpdatingShowLive.in(french));
    if (slv_sections) slv_sections->clear();
    const ShowLive2010::List shows = slv_data->getShowLive();
    const ui::Color tint = appDelegate.tintColor();
    const ui::FontMetrics& metrics = fontMetrics();
    for (const auto& show : shows) {
        if (!slv_sections) slv_sections.emplace();
        slv_sections->push_back(std::make_shared<ShowLiveSection2010>(show, tint, metrics));
    }
    slv_tv->reloadData();
    isRefresh_ = slv_data->isRefresh();
    if (!isRefresh_) appDelegate.showAlert(community::kShowLiveError.in(french));
    appDelegate.hideLoading();
}

void ShowLiveView2010::toggleLanguage() {
    backButton_->setImage(ui::imageNamed(community::kBackImage.in(appDelegate.isFrench())));
}

ShowLiveSection2010* ShowLiveView2010::section(int index) const {
    const auto& all = sections();
    if (index < 0 || index >= static_cast<int>(all.size())) return nullptr;
    return all[static_cast<std::size_t>(index)].get();
}

int ShowLiveView2010::numberOfSections(ui::TableView&) {
    return static_cast<int>(sections().size());
}

int ShowLiveView2010::numberOfRowsInSection(ui::TableView&, int index) {
    ShowLiveSection2010* s = section(index);
    return s ? s->getNbCells() : 0;
}

std::shared_ptr<ui::TableViewCell>
ShowLiveView2010::cellForRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    ShowLiveSection2010* s = section(path.section);
    return s ? s->getCell(path.row) : nullptr;
}

std::optional<float> ShowLiveView2010::heightForRowAtIndexPath(ui::TableView&,
                                                               const ui::IndexPath& path) {
    ShowLiveSection2010* s = section(path.section);
    return s ? s->getHeightCell(path.row) : 0;
}

std::shared_ptr<ui::View> ShowLiveView2010::viewForHeaderInSection(ui::TableView&, int index) {
    const auto& all = sections();
    if (index < 0 || index >= static_cast<int>(all.size())) return nullptr;
    return all[static_cast<std::size_t>(index)];
}

std::optional<float> ShowLiveView2010::heightForHeaderInSection(ui::TableView&, int) {
    return ShowLiveSection2010::kHeight;
}

void ShowLiveView2010::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
}

} // namespace zephrun
