// Concerts: the past (type 1) or future (type 2) concerts of the tour, paged, cached in
// "_PathConcertsFile" + "ZephrunConcerts_<type>.xml" with a shipped initial copy.
//
// The cache holds one complete "concerts" element per page fetched; reading it back stops at
// the second one, so a launch restores page 1 only.
//
// Threads: the paged feed publishes the list and the paging fields whole under its mutex, and
// refreshes hold the delegate's request lock (see PagedFeed); the accessors may be called from
// any thread. Records are never changed after publication.
#pragma once

#include <string_view>

#include "feeds/concerts_description.h"
#include "feeds/paged_feed.h"

namespace zephrun {

class Concerts {
  public:
    using List = PagedFeed<ConcertsDescription>::List;
    enum Type { kPast = 1, kFuture = 2 };

    // `initWithAppDelegate:andType:`: loads the type's cache file or shipped copy.
    Concerts(FeedDelegate& appDelegate, int typeConcerts);

    // `loadConcerts:`, `refreshConcerts`, `completConcerts`.
    bool loadConcerts(std::optional<std::string_view> bytes) { return feed_.load(bytes); }
    bool refreshConcerts() { return feed_.refresh(); }
    bool completConcerts() { return feed_.complete(); }

    List listConcerts() const { return feed_.list(); }
    bool hasList() const { return feed_.hasList(); }
    int currentPage() const { return feed_.currentPage(); }
    int nbItems() const { return feed_.nbItems(); }
    int nbPages() const { return feed_.nbPages(); }
    bool isRefresh() const { return feed_.isRefresh(); }
    bool isForCompleting() const { return feed_.isForCompleting(); }
    int typeConcerts() const { return typeConcerts_; }

  private:
    const int typeConcerts_;
    PagedFeed<ConcertsDescription> feed_;
};

// The reader of one concert document; true when it holds a "concerts" element.
bool parseConcertsDocument(std::string_view document, FeedContent<ConcertsDescription>& content);

} // namespace zephrun
