// News: settings of the two language feeds, the news reader and the description steps.
#include "feeds/news.h"

#include "feeds/feed_exchange.h"
#include "feeds/feed_item_reader.h"
#include "feeds/feed_keys.h"
#include "feeds/markup_removal.h"

namespace zephrun {

namespace {

PagedFeedSettings newsSettings(FeedDelegate& d, int language) {
    const bool french = language == News::kFrench;
    PagedFeedSettings s;
    s.webRequestName = french ? "id_wr_news_fr" : "id_wr_news_en";
    s.cachePath = feedCachePath(d, french ? keys::kPathNewsFileFR : keys::kPathNewsFileEN);
    s.packageCopy = d.packageCopy(french ? "ZephrunNewsFR.xml" : "ZephrunNewsEN.xml");
    s.cut = [](std::string_view reply, std::int32_t id) -> std::optional<std::string> {
        auto document = cutXmlpipe(reply, std::to_string(id));
        if (!document) return std::nullopt;
        return stringWithoutBaliseScript(*document);
    };
    return s;
}

// The text after the first `start`, up to the first `end` (all of it when `end` is missing);
// none when `start` is missing.
std::optional<std::string_view> after(std::string_view text, std::string_view start,
                                      std::string_view end) {
    size_t a = text.find(start);
    if (a == std::string_view::npos) return std::nullopt;
    std::string_view rest = text.substr(a + start.size());
    return rest.substr(0, rest.find(end));
}

const ItemDocument<NewsDescription> kNewsDocument{
    "news",
    "new",
    {"title", "date", "description"},
    nullptr,
    [](NewsDescription& news, std::string_view element, std::string&& text) {
        if (element == "title")
            news.tTitle = cleanText(text);
        else if (element == "date")
            news.tDate = cleanSpaces(text);
        else
            setNewsDescription(news, text);
    },
};

} // namespace

News::News(FeedDelegate& appDelegate, int language)
    : languageNews_(language),
      feed_(appDelegate, newsSettings(appDelegate, language), &parseNewsDocument) {
    feed_.loadInitial();
}

bool parseNewsDocument(std::string_view document, FeedContent<NewsDescription>& content) {
    return readItemDocument(document, kNewsDocument, content);
}

void setNewsDescription(NewsDescription& news, std::string_view description) {
    news.tDesW = cleanText(description);
    std::string des = news.tDesW;
    for (std::string_view tag :
         {"<p>", "</p>", "<i>", "</i>", "<b>", "</b>", "<strong>", "</strong>", "<br />", "<br/>"})
        des = removeAll(des, tag);

    if (auto anchor = after(des, "<a ", "</a>")) {
        auto href = after(*anchor, "href=\"", "\"");
        news.tURL = href ? std::string(*href) : std::string();
    }
    if (auto image = after(des, "<img", "</img>")) {
        if (auto src = after(*image, "src=\"", "\"")) news.tURLImage = std::string(*src);
    }
    std::string videoMarker = "value=\"" + std::string(kVideoSiteBase);
    if (auto video = after(des, videoMarker, "\""))
        news.tURL = std::string(kVideoSiteBase) + std::string(*video);

    des = stringWithoutBaliseA(des);
    des = stringWithoutBaliseObject(des);
    des = stringWithoutBaliseImg(des);
    news.tDes = stringWithoutBaliseScript(des);
}

} // namespace zephrun
