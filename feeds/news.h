// News: the artist's news in one language, paged, cached in "_PathNewsFileFR" or
// "_PathNewsFileEN" with the shipped copies "ZephrunNewsFR.xml" / "ZephrunNewsEN.xml".
//
// The cache holds the unclosed "xmlpipe" document of every page fetched, one after the other;
// reading it back delivers every page, so a launch restores all of them.
//
// Threads: refreshNews and completNews hold the delegate's request lock for the whole exchange;
// the list and the paging fields are published whole under the model's mutex once a parse has
// finished, so the accessors may be called from any thread while another one refreshes (see
// PagedFeed). A record's tImage is set by screens on the interface thread only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "feeds/news_description.h"
#include "feeds/paged_feed.h"

namespace zephrun {

// Base address of the video site whose player pages a description may embed.
inline constexpr std::string_view kVideoSiteBase = "http://www.dailymotion.com";

class News {
  public:
    using List = PagedFeed<NewsDescription>::List;
    static constexpr int kFrench = 2; // `languageNews`; any other value is English

    // `initWithAppDelegate:andLanguage:`: loads the language's cache file or shipped copy.
    News(FeedDelegate& appDelegate, int language);

    bool loadNews(std::optional<std::string_view> bytes) { return feed_.load(bytes); }
    bool refreshNews() { return feed_.refresh(); }
    bool completNews() { return feed_.complete(); }

    List listNews() const { return feed_.list(); }
    bool hasList() const { return feed_.hasList(); }
    int currentPage() const { return feed_.currentPage(); }
    int nbItems() const { return feed_.nbItems(); }
    int nbPages() const { return feed_.nbPages(); }
    bool isRefresh() const { return feed_.isRefresh(); }
    bool isForCompleting() const { return feed_.isForCompleting(); }
    int languageNews() const { return languageNews_; }

  private:
    const int languageNews_;
    PagedFeed<NewsDescription> feed_;
};

// The reader of one news document; true when it holds a "news" element.
bool parseNewsDocument(std::string_view document, FeedContent<NewsDescription>& content);

// The description steps: tDesW, tDes, and the tURL / tURLImage found in the markup.
void setNewsDescription(NewsDescription& news, std::string_view description);

} // namespace zephrun
