#include "app/news/news_view_controller.h"

#include "app/news/news_rows.h"
#include "app/news/news_texts.h"
#include "app/shell/next_page_row.h"
#include "app/shell/shell_texts.h"
#include "app/shell/text_blanks.h"
#include "app/shell/thumbnail_cache.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/concerts.h"
#include "feeds/news.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/system_services.h"
#include "platform/ui/table_view_cell.h"
#include "platform/ui/text_view.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

// Screen frames.
constexpr ui::Rect kBackground{0, 62, 320, 418};
constexpr ui::Rect kTitleBand{0, 62, 320, 38};
constexpr ui::Rect kTabBackgroundNews{84, 69, 126, 24};
constexpr ui::Rect kTabBackgroundLive{210, 69, 102, 24};
constexpr ui::Rect kTabNewsButton{84, 62, 126, 38};
constexpr ui::Rect kTabLiveButton{210, 62, 102, 38};
constexpr ui::Rect kTable{0, 100, 320, 328};
// Detail panel, in the panel's own coordinates once it sits at (0, 100).
constexpr float kPanelY = 100;
constexpr ui::Rect kPanelOffScreen{320, kPanelY, 320, 328};
constexpr ui::Rect kPanelBack{5, 5, 90, 30};
constexpr ui::Rect kPanelTitle{109, 0, 202, 40};
constexpr ui::Rect kPanelDate{109, 45, 202, 15};
constexpr ui::Rect kPanelText{9, 60, 302, 259};
constexpr double kPanelSeconds = 0.3;

constexpr const char* kThumbnailQuery = "&f=0&w=67&r=1";
constexpr const char* kWidgetTitle = "Widget";
constexpr const char* kFont = "Trebuchet MS";

std::string labelText(ui::View& row, int tag) {
    auto* l = row.viewWithTagAs<ui::Label>(tag);
    return l ? l->text() : std::string();
}

} // namespace

NewsViewController::NewsViewController(ZephrunAppDelegate& appDelegate)
    : SectionController(appDelegate) {}

NewsViewController::~NewsViewController() {
    if (myTableView_) {
        myTableView_->setDataSource(nullptr);
        myTableView_->setDelegate(nullptr);
    }
}

void NewsViewController::viewDidLoad() {
    ui::View& v = view();
    const ui::Color tint = appDelegate.tintColor();
    viewDetail_.reset();
    currentLinkForReading_.clear();
    currentListCell_.clear();

    auto background = std::make_shared<ui::ImageView>(ui::imageNamed(news::texts::kBackground));
    background->setFrame(kBackground);
    v.addSubview(background);
    auto band = std::make_shared<ui::ImageView>(
        ui::imageNamed(news::texts::kTitleBand).colorizeWithColor(tint));
    band->setFrame(kTitleBand);
    v.addSubview(band);
    myMenuBkgLeft_ = std::make_shared<ui::ImageView>(kTabBackgroundNews);
    v.addSubview(myMenuBkgLeft_);
    myMenuBkgRight_ = std::make_shared<ui::View>(kTabBackgroundLive);
    v.addSubview(myMenuBkgRight_);
    myMenuTextNews_ = std::make_shared<ui::Button>(kTabNewsButton);
    myMenuTextNews_->addTarget([this](ui::Control&) { clicOnActus(); },
                               ui::ControlEvent::TouchUpInside);
    v.addSubview(myMenuTextNews_);
    myMenuTextLive_ = std::make_shared<ui::Button>(kTabLiveButton);
    myMenuTextLive_->addTarget([this](ui::Control&) { clicOnLive(); },
                               ui::ControlEvent::TouchUpInside);
    v.addSubview(myMenuTextLive_);

    myTableView_ = std::make_shared<ui::TableView>(kTable);
    myTableView_->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    myTableView_->setBackgroundColor(ui::Color::clear());
    myTableView_->setRowHeight(news::kNewsRowHeight);
    myTableView_->setDataSource(this);
    myTableView_->setDelegate(this);
    v.addSubview(myTableView_);

    currentSelected_ = kTabNews;
    setTabImages();
}

void NewsViewController::setTabImages() {
    const bool french = isFrench();
    const bool onNews = currentSelected_ == kTabNews;
    const ui::Color tint = appDelegate.tintColor();
    myMenuTextNews_->setImage(
        ui::imageNamed((onNews ? news::texts::kActusOn : news::texts::kActusOff).in(french)));
    myMenuTextLive_->setImage(
        ui::imageNamed((onNews ? news::texts::kLiveOff : news::texts::kLiveOn).in(french)));
    myMenuBkgLeft_->setImage(ui::imageNamed(news::texts::kTabCapsule)
                                 .colorizeWithColor(onNews ? ui::Color::white() : tint));
    myMenuBkgRight_->setBackgroundColor(onNews ? tint : ui::Color::white());
}

// --- Lists ---

void NewsViewController::showActus() {
    view();
    currentListCell_.clear();
    const bool french = isFrench();
    const ui::Color tint = appDelegate.tintColor();
    News& feed = appDelegate.myNews();
    const News::List list = feed.listNews();
    if (list.empty()) {
        appDelegate.showAlert(news::texts::kNoNews.in(french));
    } else {
        const ThumbnailCache thumbnails = ThumbnailCache::of(appDelegate);
        for (const auto& item : list) {
            if (item->tTitle == kWidgetTitle) continue;
            news::NewsRow row{item->tDate, item->tTitle, item->tDes, item->tURL, {}};
            if (!item->tURLImage.empty()) {
                Thumbnail t = thumbnails.fetch(ThumbnailCache::lastPathComponent(item->tURLImage),
                                               item->tURLImage, kThumbnailQuery);
                item->tImage = t.picture;
                row.picture = t.image;
            }
            currentListCell_.push_back(news::makeNewsCell(row, tint, french));
        }
        const int loaded = static_cast<int>(list.size());
        if (loaded != feed.nbItems() && !currentListCell_.empty()) {
            auto label = makeNextPageLabel(tint, french, loaded, feed.nbItems());
            label->setTag(french ? news::kTagMoreFrench : news::kTagMoreEnglish);
            currentListCell_.push_back(makeNextPageCell(label, news::kTagMoreNews));
        }
    }
    reload(news::kNewsRowHeight);
}

void NewsViewController::showLive() {
    view();
    currentListCell_.clear();
    const bool french = isFrench();
    const ui::Color tint = appDelegate.tintColor();
    Concerts& feed = appDelegate.myConcertsFutur();
    const Concerts::List list = feed.listConcerts();
    for (const auto& concert : list)
        currentListCell_.push_back(news::makeConcertCell(*concert, tint));
    const int loaded = static_cast<int>(list.size());
    if (loaded != feed.nbItems() && !currentListCell_.empty()) {
        currentListCell_.push_back(makeNextPageCell(
            makeNextPageLabel(tint, french, loaded, feed.nbItems()), news::kTagMoreLive));
    }
    if (list.empty()) appDelegate.showAlert(news::texts::kNoLives.in(french));
    reload(news::kConcertRowHeight);
}

void NewsViewController::reload(float rowHeight) {
    myTableView_->setRowHeight(rowHeight);
    myTableView_->reloadData();
}

int NewsViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(currentListCell_.size());
}

std::shared_ptr<ui::TableViewCell>
NewsViewController::cellForRowAtIndexPath(ui::TableView&, const ui::IndexPath& p) {
    if (p.row < 0 || p.row >= static_cast<int>(currentListCell_.size())) return nullptr;
    return currentListCell_[p.row];
}

// --- Tabs ---

void NewsViewController::refreshIfNeeded(bool refreshed, const std::function<bool()>& refresh,
                                         const std::string& overlay, const std::string& error) {
    if (refreshed) return;
    appDelegate.showLoadingWithoutAnim(overlay);
    const bool ok = refresh();
    appDelegate.hideLoadingWithoutAnim();
    if (!ok) appDelegate.showAlert(error);
}

void NewsViewController::clicOnActus() {
    if (currentSelected_ == kTabNews) return;
    const bool french = isFrench();
    closeDetailAtOnce();
    currentSelected_ = kTabNews;
    setTabImages();
    News& feed = appDelegate.myNews();
    refreshIfNeeded(
        feed.isRefresh(), [&feed] { return feed.refreshNews(); }, texts::kUpdatingNews.in(french),
        texts::kNewsError.in(french));
    showActus();
}

void NewsViewController::clicOnLive() {
    if (currentSelected_ == kTabConcerts) return;
    const bool french = isFrench();
    closeDetailAtOnce();
    currentSelected_ = kTabConcerts;
    setTabImages();
    Concerts& feed = appDelegate.myConcertsFutur();
    refreshIfNeeded(
        feed.isRefresh(), [&feed] { return feed.refreshConcerts(); },
        texts::kUpdatingConcerts.in(french), texts::kConcertsError.in(french));
    showLive();
}

void NewsViewController::toggleLanguage() {
    if (!isViewLoaded()) return;
    if (currentSelected_ == kTabConcerts) {
        currentSelected_ = kTabNews;
        clicOnLive();
    } else {
        currentSelected_ = kTabConcerts;
        clicOnActus();
    }
}

// --- Selection ---

void NewsViewController::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& p) {
    table.deselectRowAtIndexPath(p, true);
    if (p.row < 0 || p.row >= static_cast<int>(currentListCell_.size())) return;
    // Held here: loading a page rebuilds the rows.
    std::shared_ptr<ui::TableViewCell> cell = currentListCell_[p.row];
    switch (cell->tag()) {
    case news::kTagLink:
        askToLeave(*cell);
        break;
    case news::kTagDetail:
        openDetail(*cell);
        break;
    case news::kTagMoreNews:
        loadMoreNews(cell->viewWithTag(news::kTagMoreEnglish) ? appDelegate.myNewsEN()
                                                              : appDelegate.myNewsFR());
        break;
    case news::kTagMoreLive:
        loadMoreLive();
        break;
    default:
        break;
    }
}

void NewsViewController::askToLeave(ui::TableViewCell& cell) {
    const bool french = isFrench();
    currentLinkForReading_ = withoutBlanks(labelText(cell, news::kTagLinkHolder));
    appDelegate.showAlert(news::texts::kQuitQuestion.in(french), 0, texts::kNo.in(french),
                          {texts::kYes.in(french)});
}

void NewsViewController::openDetail(ui::TableViewCell& cell) {
    showDetail(labelText(cell, news::kTagDate), labelText(cell, news::kTagTitle),
               labelText(cell, news::kTagText));
}

void NewsViewController::loadMoreNews(News& feed) {
    const bool french = isFrench();
    appDelegate.showLoading(texts::kUpdatingNews.in(french));
    const bool ok = feed.completNews();
    showActus();
    appDelegate.hideLoading();
    if (!ok) appDelegate.showAlert(texts::kNewsError.in(french));
}

void NewsViewController::loadMoreLive() {
    const bool french = isFrench();
    appDelegate.showLoading(texts::kUpdatingConcerts.in(french));
    const bool ok = appDelegate.myConcertsFutur().completConcerts();
    showLive();
    appDelegate.hideLoading();
    if (!ok) appDelegate.showAlert(texts::kCommunityConcertsError.in(french));
}

void NewsViewController::launchLink() {
    if (currentLinkForReading_.empty()) return;
    appDelegate.window().services().openURL(currentLinkForReading_);
}

// --- Detail panel ---

void NewsViewController::showDetail(const std::string& date, const std::string& title,
                                    const std::string& texte) {
    const bool french = isFrench();
    const ui::Color tint = appDelegate.tintColor();
    if (viewDetail_) viewDetail_->removeFromSuperview();
    auto panel = std::make_shared<ui::View>(kPanelOffScreen);
    auto back = std::make_shared<ui::Button>(kPanelBack);
    back->setImage(ui::imageNamed(news::texts::kBackButton.in(french)));
    back->addTarget([this](ui::Control&) { hideDetail(); }, ui::ControlEvent::TouchUpInside);
    panel->addSubview(back);
    auto titleLabel = std::make_shared<ui::Label>(kPanelTitle);
    titleLabel->setText(withoutLineBreaks(title));
    titleLabel->setTextColor(ui::Color::white());
    titleLabel->setFont(ui::Font::named(kFont, 18));
    titleLabel->setNumberOfLines(2);
    titleLabel->setAdjustsFontSizeToFitWidth(true);
    panel->addSubview(titleLabel);
    auto dateLabel = std::make_shared<ui::Label>(kPanelDate);
    dateLabel->setText(withoutLineBreaks(date));
    dateLabel->setTextColor(tint);
    dateLabel->setFont(ui::Font::named(kFont, 12));
    panel->addSubview(dateLabel);
    auto text = std::make_shared<ui::TextView>(kPanelText);
    text->setEditable(false);
    text->setBackgroundColor(ui::Color::clear());
    text->setTextColor(ui::Color::white());
    text->setTextAlignment(ui::TextAlignment::Left);
    text->setFont(ui::Font::named(kFont, 13));
    text->setText(withoutLineBreaks(texte));
    panel->addSubview(text);
    viewDetail_ = panel;
    view().addSubview(panel);

    ui::View* table = myTableView_.get();
    ui::View::animate(kPanelSeconds, [panel = panel.get(), table] {
        panel->setFrame({0, kPanelY, 320, 328});
        table->setFrame({-320, kTable.y(), kTable.width(), kTable.height()});
    });
}

void NewsViewController::hideDetail() {
    if (!viewDetail_) return;
    ui::View* panel = viewDetail_.get();
    ui::View* table = myTableView_.get();
    ui::View::animate(kPanelSeconds, [panel, table] {
        panel->setFrame(kPanelOffScreen);
        table->setFrame(kTable);
    });
}

void NewsViewController::closeDetailAtOnce() {
    // A tab built while the panel covers the table would stay out of sight.
    if (!viewDetail_) return;
    viewDetail_->removeAllAnimations();
    myTableView_->removeAllAnimations();
    viewDetail_->setFrame(kPanelOffScreen);
    myTableView_->setFrame(kTable);
}

} // namespace zephrun
