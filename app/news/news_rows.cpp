#include "app/news/news_rows.h"

#include "app/news/news_texts.h"
#include "app/shell/text_blanks.h"
#include "feeds/concerts_description.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/table_view_cell.h"

namespace zephrun::news {

namespace {

// Frames of a news row (320 x 125).
constexpr ui::Rect kSeparator{0, 124, 320, 1};
constexpr ui::Rect kDate{9, 8, 60, 12};
constexpr ui::Rect kTitle{9, 22, 302, 14};
constexpr ui::Rect kLinkHolder{0, 0, 1, 1};
constexpr ui::Rect kThumbnailFrame{8, 42, 69, 69};
constexpr ui::Rect kThumbnail{9, 43, 67, 67};
// Text and link labels: beside a picture or across the row; short above a link, tall alone.
constexpr ui::Rect kTextBesideShort{83, 40, 228, 55};
constexpr ui::Rect kTextBesideTall{83, 40, 228, 75};
constexpr ui::Rect kTextAcrossShort{9, 40, 302, 55};
constexpr ui::Rect kTextAcrossTall{9, 40, 302, 75};
constexpr ui::Rect kLinkBeside{83, 100, 228, 14};
constexpr ui::Rect kLinkAcross{9, 100, 302, 14};
constexpr float kRowWidth = 320;
constexpr float kDateMinimumFontSize = 9;
constexpr std::size_t kDetailBesidePicture = 130;
constexpr std::size_t kDetailAlone = 250;

// Frames of a concert row (320 x 70).
constexpr ui::Rect kConcertSeparator{0, 69, 320, 1};
constexpr ui::Rect kConcertDate{5, 0, 85, 55};
constexpr ui::Rect kConcertTitle{90, 3, 225, 50};
constexpr ui::Rect kConcertMarker{5, 52, 20, 14};
constexpr ui::Rect kConcertAddress{20, 52, 295, 14};
constexpr float kConcertDateMinimumFontSize = 12;

constexpr const char* kFont = "Trebuchet MS";

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const std::string& text,
                                 const ui::Color& color, float size, int lines = 1) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setTextColor(color);
    l->setFont(ui::Font::named(kFont, size));
    l->setNumberOfLines(lines);
    return l;
}

std::shared_ptr<ui::TableViewCell> plainCell(float height) {
    auto cell = std::make_shared<ui::TableViewCell>();
    cell->setFrame({0, 0, kRowWidth, height});
    cell->setBackgroundColor(ui::Color::clear());
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    return cell;
}

void addSeparator(ui::View& row, const ui::Rect& frame) {
    auto separator = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-hsep.png"));
    separator->setFrame(frame);
    row.addSubview(separator);
}

} // namespace

bool isVideoAddress(std::string_view url) {
    return url.find("youtube") != std::string_view::npos;
}

std::size_t textLength(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue; // continuation byte
        units += c >= 0xF0 ? 2 : 1;       // outside the basic plane: a surrogate pair
    }
    return units;
}

int rowTag(bool hasLink, bool hasPicture, std::size_t length) {
    if (hasLink) return kTagLink;
    if (length > (hasPicture ? kDetailBesidePicture : kDetailAlone)) return kTagDetail;
    return kTagPlain;
}

ui::Rect textFrame(bool hasPicture, bool hasLink) {
    if (hasPicture) return hasLink ? kTextBesideShort : kTextBesideTall;
    return hasLink ? kTextAcrossShort : kTextAcrossTall;
}

ui::Rect linkFrame(bool hasPicture, bool textEmpty) {
    if (textEmpty) return hasPicture ? kTextBesideTall : kTextAcrossTall;
    return hasPicture ? kLinkBeside : kLinkAcross;
}

std::shared_ptr<ui::TableViewCell> makeNewsCell(const NewsRow& row, const ui::Color& tint,
                                                bool french) {
    auto cell = plainCell(kNewsRowHeight);
    ui::View& content = cell->contentView();
    addSeparator(content, kSeparator);
    if (!row.date.empty()) {
        auto date = label(kDate, row.date, tint, 12);
        // A full date ("2026-12-06") is a little wider than its place at this size.
        date->setAdjustsFontSizeToFitWidth(true);
        date->setMinimumFontSize(kDateMinimumFontSize);
        date->setTag(kTagDate);
        content.addSubview(date);
    }
    if (!row.title.empty()) {
        auto title = label(kTitle, row.title, ui::Color::white(), 14);
        title->setTag(kTagTitle);
        content.addSubview(title);
    }
    const bool hasLink = !row.url.empty();
    if (hasLink) {
        auto holder = label(kLinkHolder, row.url, ui::Color::clear(), 1);
        holder->setTag(kTagLinkHolder);
        holder->setHidden(true);
        content.addSubview(holder);
    }

    const bool video = isVideoAddress(row.url);
    ui::Image picture = video ? ui::imageNamed(texts::kVideoThumbnail) : row.picture;
    const bool hasPicture = static_cast<bool>(picture);
    if (hasPicture) {
        auto frame = std::make_shared<ui::View>(kThumbnailFrame);
        frame->setBackgroundColor(ui::Color::white());
        content.addSubview(frame);
        auto thumbnail = std::make_shared<ui::ImageView>(picture);
        thumbnail->setFrame(kThumbnail);
        thumbnail->setTag(kTagThumbnail);
        content.addSubview(thumbnail);
    }

    const ui::Rect textRect = textFrame(hasPicture, hasLink);
    auto text = label(textRect, withoutLineBreaks(row.text), ui::Color::white(), 12,
                      textRect.height() > 60 ? 6 : 5);
    text->setTag(kTagText);
    content.addSubview(text);
    if (hasLink) {
        const Localized& words = video ? texts::kWatchVideo : texts::kLinkAttached;
        content.addSubview(
            label(linkFrame(hasPicture, row.text.empty()), words.in(french), tint, 12));
    }
    cell->setTag(rowTag(hasLink, hasPicture, textLength(row.text)));
    return cell;
}

std::shared_ptr<ui::TableViewCell> makeConcertCell(const ConcertsDescription& concert,
                                                   const ui::Color& tint) {
    auto cell = plainCell(kConcertRowHeight);
    cell->setTag(kTagPlain);
    ui::View& content = cell->contentView();
    addSeparator(content, kConcertSeparator);
    if (!concert.cDate.empty()) {
        auto date = label(kConcertDate, concert.cDate, tint, 18);
        // "12/12/2026" needs a little more than its place at this size.
        date->setAdjustsFontSizeToFitWidth(true);
        date->setMinimumFontSize(kConcertDateMinimumFontSize);
        content.addSubview(date);
    }
    if (!concert.cTitle.empty())
        content.addSubview(label(kConcertTitle, concert.cTitle, ui::Color::white(), 14, 3));
    if (!concert.cAdresse.empty()) {
        auto marker = label(kConcertMarker, "//", tint, 13);
        auto address = label(kConcertAddress, concert.cAdresse, ui::Color::white(), 13);
        for (const auto& l : {marker, address}) {
            l->setAdjustsFontSizeToFitWidth(true);
            content.addSubview(l);
        }
    }
    return cell;
}

} // namespace zephrun::news
