// The static pages of the demo site, written beside the feeds: the site's index and stylesheet,
// the legal notice in both languages, one page per news article (the news items' links), per
// sold track (the discography's store addresses) and per video (the video feed's addresses,
// each playing its clip in an HTML5 video element).
#pragma once

#include "demo_content.h"
#include "feed_documents.h"

namespace mkcontent {

// Adds "site/index.html", "site/style.css", "site/mentions_fr.html", "site/mentions_en.html",
// "site/news/NN.html", "store/RELEASE/N.html" and "videos/NN.html" to `out`.
void addSitePages(Files& out, const DemoContent& c);

} // namespace mkcontent
