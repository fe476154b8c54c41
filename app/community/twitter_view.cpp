#include "app/community/twitter_view.h"

#include <algorithm>
#include <cstdio>

#include "app/community/community_texts.h"
#include "app/community/community_view_controller.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/text_width.h"
#include "feeds/twitter.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

struct Frames {
    static constexpr ui::Rect separator{0, 70, 320, 1};
    static constexpr ui::Rect back{130, 2, 90, 28};
    static constexpr ui::Rect table{0, 70, 320, 296};
    static constexpr ui::Rect rowSeparator{0, 79, 320, 1};
    static constexpr ui::Rect nextPage{0, 0, 320, 50};
};

constexpr int kCharactersPerLine = 45;
constexpr int kMaxLines = 3;

ui::Font trebuchet14() {
    return ui::Font::named("Trebuchet MS", 14);
}

std::shared_ptr<ui::ImageView> imageAt(const char* name, const ui::Rect& frame) {
    auto v = std::make_shared<ui::ImageView>(ui::imageNamed(name));
    v->setFrame(frame);
    return v;
}

std::shared_ptr<ui::TableViewCell> plainCell(float height, int tag) {
    auto cell = std::make_shared<ui::TableViewCell>();
    cell->setFrame({0, 0, 320, height});
    cell->setTag(tag);
    cell->setBackgroundColor(ui::Color::clear());
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    return cell;
}

} // namespace

int TwitterView::lineCount(std::size_t characters) {
    return std::min(static_cast<int>(characters / kCharactersPerLine) + 1, kMaxLines);
}

bool TwitterView::shrinksText(std::size_t characters) {
    return static_cast<int>(characters / kCharactersPerLine) + 1 > kMaxLines;
}

TwitterView::TwitterView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate)
    : ui::View(frame), appDelegate(appDelegate) {
    const bool french = appDelegate.isFrench();
    addSubview(imageAt("cmn-bkg.png", {0, 0, 320, 418}));
    addSubview(std::make_shared<ui::ImageView>(ui::imageNamed("twitter-header.png")));
    addSubview(imageAt("cmn-hsep.png", Frames::separator));

    backButton_ = std::make_shared<ui::Button>(Frames::back);
    backButton_->setImage(ui::imageNamed(community::kBackImage.in(french)));
    backButton_->addTarget(
        [delegate = &appDelegate](ui::Control&) {
            if (CommunityViewController* hub = delegate->myCommunityView()) hub->hideTwitter();
        },
        ui::ControlEvent::TouchUpInside);
    addSubview(backButton_);

    myTable_ = std::make_shared<ui::TableView>(Frames::table);
    myTable_->setRowHeight(kRowHeight);
    myTable_->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    myTable_->setBackgroundColor(ui::Color::clear());
    myTable_->setDataSource(this);
    myTable_->setDelegate(this);
    addSubview(myTable_);
    loadList();
}

TwitterView::~TwitterView() {
    myTable_->setDataSource(nullptr);
    myTable_->setDelegate(nullptr);
}

void TwitterView::loadList() {
    myListCells_.clear();
    const ui::Color tint = appDelegate.tintColor();
    Twitter& feed = appDelegate.myTwitter();
    // 17 points a line, or more when the font needs it, so that no line of a tweet is lost.
    const float pitch =
        std::max(kLineHeight, appDelegate.window().fontMetrics().lineHeight(trebuchet14()));
    for (const auto& tweet : feed.listTwitter()) {
        auto cell = plainCell(kRowHeight, kTweetRowTag);
        cell->addSubview(imageAt("cmn-hsep.png", Frames::rowSeparator));
        const std::size_t characters = utf8CharacterCount(tweet->tTexte);
        const int lines = lineCount(characters);
        const float textHeight = pitch * static_cast<float>(lines);
        auto text = std::make_shared<ui::Label>(ui::Rect(10, 4, 300, textHeight));
        text->setText(tweet->tTexte);
        text->setTextColor(ui::Color::white());
        text->setFont(trebuchet14());
        text->setNumberOfLines(lines);
        text->setLineBreakMode(ui::LineBreakMode::WordWrap);
        text->setAdjustsFontSizeToFitWidth(shrinksText(characters));
        cell->addSubview(text);
        auto date = std::make_shared<ui::Label>(ui::Rect(12, textHeight + 4, 300, 21));
        date->setText(tweet->tDate);
        date->setTextColor(tint);
        date->setFont(trebuchet14());
        cell->addSubview(date);
        myListCells_.push_back(cell);
    }
    // The feed's total is -1 before any page was read: no next-page row then either.
    const int total = feed.nbItems();
    if (total > 0 && static_cast<int>(myListCells_.size()) != total) {
        auto cell = plainCell(kRowHeight, kNextPageRowTag);
        auto label = std::make_shared<ui::Label>(Frames::nextPage);
        label->setTag(kNextPageLabelTag);
        label->setBackgroundColor(tint);
        label->setTextColor(ui::Color::white());
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setFont(trebuchet14());
        label->setText(nextPageText());
        cell->addSubview(label);
        myListCells_.push_back(cell);
    }
    myTable_->reloadData();
}

std::string TwitterView::nextPageText() const {
    Twitter& feed = appDelegate.myTwitter();
    char text[96];
    std::snprintf(text, sizeof text, community::kSeeMore.in(appDelegate.isFrench()).c_str(),
                  static_cast<int>(feed.listTwitter().size()), feed.nbItems());
    return text;
}

void TwitterView::toggleLanguage() {
    backButton_->setImage(ui::imageNamed(community::kBackImage.in(appDelegate.isFrench())));
    if (myListCells_.empty() || myListCells_.back()->tag() != kNextPageRowTag) return;
    if (auto* label = myListCells_.back()->viewWithTagAs<ui::Label>(kNextPageLabelTag))
        label->setText(nextPageText());
}

int TwitterView::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(myListCells_.size());
}

std::shared_ptr<ui::TableViewCell> TwitterView::cellForRowAtIndexPath(ui::TableView&,
                                                                      const ui::IndexPath& path) {
    if (path.row < 0 || path.row >= static_cast<int>(myListCells_.size())) return nullptr;
    return myListCells_[static_cast<std::size_t>(path.row)];
}

void TwitterView::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    if (path.row < 0 || path.row >= static_cast<int>(myListCells_.size())) return;
    if (myListCells_[static_cast<std::size_t>(path.row)]->tag() == kNextPageRowTag) loadNextPage();
}

void TwitterView::loadNextPage() {
    const bool french = appDelegate.isFrench();
    appDelegate.showLoading(community::kUpdatingTwitter.in(french));
    const bool ok = appDelegate.myTwitter().completTwitter();
    loadList();
    appDelegate.hideLoading();
    if (!ok) appDelegate.showAlert(community::kTwitterError.in(french));
}

} // namespace zephrun
