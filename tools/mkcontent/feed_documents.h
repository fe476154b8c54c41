// The server's content files written from the demo content, and the shipped copies derived from
// their first pages.
#pragma once

#include <map>
#include <string>

#include "demo_content.h"

namespace mkcontent {

// Web request ids of the served configuration, and the page sizes of the paged feeds.
struct FeedIds {
    int twitter = 103, newsEN = 104, newsFR = 105, disco = 106, videos2010 = 111,
        concertsPast = 113, concertsFutur = 114, showLive2010 = 121;
};
inline constexpr int kNewsPerPage = 10, kTweetsPerPage = 10, kVideosPerPage = 8,
                     kConcertsPerPage = 10;

// File name (relative to the content directory) -> text. Holds "feeds/ID.xml", "feeds/ID-N.xml",
// "disques/TITLE.xml" (a release's track list, title with "_" for spaces), "photos.xml" (the
// seed album photos), "membres.xml" (the seed members) and the static pages of the site
// (site_pages.h).
using Files = std::map<std::string, std::string>;
Files serverContent(const DemoContent& c, const FeedIds& ids = {});

// File name (relative to the application's resources) -> text of the copies shipped with the
// application, each in the form the feed models keep in their caches, with "@SERVER@" written
// as `address`.
Files shippedCopies(const Files& server, const FeedIds& ids = {},
                    const std::string& address = "http://127.0.0.1:8642/");

} // namespace mkcontent
