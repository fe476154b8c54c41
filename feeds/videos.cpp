// Videos: feed settings, the video reader and the duration text.
#include "feeds/videos.h"

#include "feeds/feed_exchange.h"
#include "feeds/feed_item_reader.h"
#include "feeds/feed_keys.h"

namespace zephrun {

namespace {

PagedFeedSettings videosSettings(FeedDelegate& d) {
    PagedFeedSettings s;
    s.webRequestName = "id_wr_videos_2010";
    s.cachePath = feedCachePath(d, keys::kPathVideosFile);
    s.packageCopy = d.packageCopy("ZephrunVideos.xml");
    s.cut = xmlpipeCut();
    return s;
}

const ItemDocument<VideosDescription> kVideosDocument{
    "videos",
    "video",
    {"titre"},
    [](VideosDescription& video, const char** attributes) {
        video.tURL = cleanSpaces(attribute(attributes, "url").value_or(""));
        std::string src = cleanSpaces(attribute(attributes, "src").value_or(""));
        video.tURLImage = src.substr(0, src.find('?'));
        video.tDuree = videoDuration(intAttribute(attributes, "length"));
        video.tNote = attribute(attributes, "note").value_or("");
        video.tVu = attribute(attributes, "vu").value_or("");
    },
    [](VideosDescription& video, std::string_view, std::string&& text) {
        video.tTitle = cleanText(text);
    },
};

} // namespace

Videos::Videos(FeedDelegate& appDelegate)
    : feed_(appDelegate, videosSettings(appDelegate), &parseVideosDocument) {
    feed_.loadInitial();
}

bool parseVideosDocument(std::string_view document, FeedContent<VideosDescription>& content) {
    return readItemDocument(document, kVideosDocument, content);
}

std::string videoDuration(int length) {
    int m = length / 60;
    int s = length - 60 * m;
    return std::to_string(m) + (s > 9 ? ":" : ":0") + std::to_string(s);
}

} // namespace zephrun
