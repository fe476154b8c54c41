// Twitter: feed settings and the message reader.
#include "feeds/twitter.h"

#include "feeds/feed_exchange.h"
#include "feeds/feed_item_reader.h"
#include "feeds/feed_keys.h"

namespace zephrun {

namespace {

PagedFeedSettings twitterSettings(FeedDelegate& d) {
    PagedFeedSettings s;
    s.webRequestName = "id_wr_twitter";
    s.cachePath = feedCachePath(d, keys::kPathTwitterFile);
    s.packageCopy = d.packageCopy("ZephrunTwitter.xml");
    s.cut = xmlpipeCut();
    return s;
}

const ItemDocument<TwitterDescription> kTwitterDocument{
    "twitter",
    "item",
    {"texte", "date"},
    nullptr,
    [](TwitterDescription& tweet, std::string_view element, std::string&& text) {
        if (element == "texte") {
            // The artist's two accounts, with the colon that follows them in a relayed message.
            tweet.tTexte = removeAll(removeAll(cleanText(text), "zephrunlife:"), "Zephrun_EN:");
        } else {
            tweet.tDate = cleanText(text);
        }
    },
};

} // namespace

Twitter::Twitter(FeedDelegate& appDelegate)
    : feed_(appDelegate, twitterSettings(appDelegate), &parseTwitterDocument) {
    feed_.loadInitial();
}

bool parseTwitterDocument(std::string_view document, FeedContent<TwitterDescription>& content) {
    return readItemDocument(document, kTwitterDocument, content);
}

} // namespace zephrun
