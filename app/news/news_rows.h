// The rows of the news screen — a news item, a concert — with the rules that shape them (kind
// of row, frames of the text and link labels), kept apart from the controller so that the rules
// can be checked on their own.
//
// Threads: interface thread (the rows are views).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace ui {
class TableViewCell;
}

namespace zephrun {

struct ConcertsDescription;

namespace news {

// Row tags: what selecting the row does.
inline constexpr int kTagPlain = 11;     // nothing
inline constexpr int kTagDetail = 12;    // opens the detail panel
inline constexpr int kTagLink = 13;      // asks to leave the application for the link
inline constexpr int kTagMoreNews = 142; // loads the next news page
inline constexpr int kTagMoreLive = 143; // loads the next concert page
// Views of a news row.
inline constexpr int kTagDate = 1;
inline constexpr int kTagTitle = 2;
inline constexpr int kTagText = 3;
inline constexpr int kTagThumbnail = 4;
inline constexpr int kTagLinkHolder = 123;
// The next-page label of the news tab: which feed it was built for.
inline constexpr int kTagMoreFrench = 90;
inline constexpr int kTagMoreEnglish = 89;

inline constexpr float kNewsRowHeight = 125;
inline constexpr float kConcertRowHeight = 70;

// What one news row shows, once its thumbnail was looked for.
struct NewsRow {
    std::string date;
    std::string title;
    std::string text;  // the description without markup
    std::string url;   // link or video page; "" when none
    ui::Image picture; // the thumbnail; null when none was found
};

// A link to the video site's player: shown as a video, whatever thumbnail the item has.
bool isVideoAddress(std::string_view url);
// Length in the platform's string units (UTF-16), as the detail rule counts.
std::size_t textLength(std::string_view utf8);
// Tag of a row: a link or a video asks to leave; a text too long for the row opens the detail
// (more than 130 characters beside a picture, 250 without); else nothing.
int rowTag(bool hasLink, bool hasPicture, std::size_t length);
// Frames of the text label and of the link label ("Lien associé", "Cliques ici…").
ui::Rect textFrame(bool hasPicture, bool hasLink);
ui::Rect linkFrame(bool hasPicture, bool textEmpty);

std::shared_ptr<ui::TableViewCell> makeNewsCell(const NewsRow& row, const ui::Color& tint,
                                                bool french);
std::shared_ptr<ui::TableViewCell> makeConcertCell(const ConcertsDescription& concert,
                                                   const ui::Color& tint);

} // namespace news
} // namespace zephrun
