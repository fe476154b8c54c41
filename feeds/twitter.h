// Twitter: the artist's recent messages as relayed by the server, paged, one feed for both
// languages, cached in "_PathTwitterFile" with the shipped copy "ZephrunTwitter.xml".
//
// The cache holds the unclosed "xmlpipe" document of every page fetched; a launch restores all.
//
// Threads: as every paged feed (see PagedFeed): refreshes hold the request lock, the list and
// the paging fields are published whole under the model's mutex, the accessors may be called
// from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "feeds/paged_feed.h"

namespace zephrun {

struct TwitterDescription {
    std::string tDate;  // without line feeds, tabs and carriage returns
    std::string tTexte; // on one line, without the artist's account names
};

class Twitter {
  public:
    using List = PagedFeed<TwitterDescription>::List;

    // `initWithAppDelegate:`: loads the cache file or the shipped copy.
    explicit Twitter(FeedDelegate& appDelegate);

    bool loadTwitter(std::optional<std::string_view> bytes) { return feed_.load(bytes); }
    bool refreshTwitter() { return feed_.refresh(); }
    bool completTwitter() { return feed_.complete(); }

    List listTwitter() const { return feed_.list(); }
    bool hasList() const { return feed_.hasList(); }
    int currentPage() const { return feed_.currentPage(); }
    int nbItems() const { return feed_.nbItems(); }
    int nbPages() const { return feed_.nbPages(); }
    bool isRefresh() const { return feed_.isRefresh(); }
    bool isForCompleting() const { return feed_.isForCompleting(); }

  private:
    PagedFeed<TwitterDescription> feed_;
};

// The reader of one Twitter document; true when it holds a "twitter" element.
bool parseTwitterDocument(std::string_view document, FeedContent<TwitterDescription>& content);

} // namespace zephrun
