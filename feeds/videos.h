// Videos: the artist's videos, paged, cached in "_PathVideosFile" with the shipped copy
// "ZephrunVideos.xml".
//
// The cache holds the unclosed "xmlpipe" document of every page fetched; a launch restores all.
//
// Threads: as every paged feed (see PagedFeed): refreshes hold the request lock, the list and
// the paging fields are published whole under the model's mutex, the accessors may be called
// from any thread. A record's tImage is set by the medias screen on the interface thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "client/image_header.h"
#include "feeds/paged_feed.h"

namespace zephrun {

struct VideosDescription {
    std::string tTitle;    // "titre", on one line
    std::string tURL;      // "url", without blanks
    std::string tURLImage; // "src", without blanks, cut before its query
    std::string tDuree;    // "length" as minutes:seconds (see videoDuration)
    std::string tNote;     // "note" as sent
    std::string tVu;       // "vu" as sent
    // The thumbnail once downloaded; none at creation.
    std::shared_ptr<const kt::KT_Image> tImage;
};

class Videos {
  public:
    using List = PagedFeed<VideosDescription>::List;

    // `initWithAppDelegate:`: loads the cache file or the shipped copy.
    explicit Videos(FeedDelegate& appDelegate);

    bool loadVideos(std::optional<std::string_view> bytes) { return feed_.load(bytes); }
    bool refreshVideos() { return feed_.refresh(); }
    bool completVideos() { return feed_.complete(); }

    List listVideos() const { return feed_.list(); }
    bool hasList() const { return feed_.hasList(); }
    int currentPage() const { return feed_.currentPage(); }
    int nbItems() const { return feed_.nbItems(); }
    int nbPages() const { return feed_.nbPages(); }
    bool isRefresh() const { return feed_.isRefresh(); }
    bool isForCompleting() const { return feed_.isForCompleting(); }

  private:
    PagedFeed<VideosDescription> feed_;
};

// The reader of one video document; true when it holds a "videos" element.
bool parseVideosDocument(std::string_view document, FeedContent<VideosDescription>& content);

// `tDuree`: whole seconds as "m:ss" ("%d:%d" when the seconds exceed 9, else "%d:0%d").
std::string videoDuration(int length);

} // namespace zephrun
