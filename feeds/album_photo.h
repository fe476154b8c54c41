// AlbumPhoto: the photo album of one concert, made of fans' reports, paged, cached in
// "_PathConcertsFile" + "Zephrun_<id>.xml" with a shipped copy of the same name.
//
// The cache holds one complete "photos" element per page fetched; reading it back stops at the
// second one, so a new model restores page 1 only. loadPhotos leaves the list alone when given
// no bytes.
//
// Threads: as every paged feed (see PagedFeed): refreshes hold the request lock, the list and
// the paging fields are published whole under the model's mutex, the accessors may be called
// from any thread. A record's tImage is set by the tour map on the interface thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "client/image_header.h"
#include "feeds/paged_feed.h"

namespace zephrun {

struct AlbumPhotoDescription {
    std::string tURLImage;                      // "src" without blanks; "" when the photo has none
    std::shared_ptr<const kt::KT_Image> tImage; // the photo once downloaded; none at creation
    std::string tAuteur;
    std::string tCommentaire;
    std::string tDate;
};

class AlbumPhoto {
  public:
    using List = PagedFeed<AlbumPhotoDescription>::List;

    // `initWithAppDelegate:andID:`: the album of concert `idAlbum` (a concert's cID), loaded
    // from its cache file or shipped copy. An id that would name a file outside the cache
    // directory gets neither: the album then lives from the server only.
    AlbumPhoto(FeedDelegate& appDelegate, std::string idAlbum);

    bool loadPhotos(std::optional<std::string_view> bytes) { return feed_.load(bytes); }
    bool refreshPhotos() { return feed_.refresh(); }
    bool completPhotos() { return feed_.complete(); }

    List listPhotos() const { return feed_.list(); }
    bool hasList() const { return feed_.hasList(); }
    int currentPage() const { return feed_.currentPage(); }
    int nbItems() const { return feed_.nbItems(); }
    int nbPages() const { return feed_.nbPages(); }
    bool isRefresh() const { return feed_.isRefresh(); }
    bool isForCompleting() const { return feed_.isForCompleting(); }
    const std::string& idAlbum() const { return idAlbum_; }
    const std::string& cachePath() const { return feed_.settings().cachePath; }

  private:
    const std::string idAlbum_;
    PagedFeed<AlbumPhotoDescription> feed_;
};

// The reader of one album document; true when it holds a "photos" element.
bool parseAlbumPhotoDocument(std::string_view document,
                             FeedContent<AlbumPhotoDescription>& content);

} // namespace zephrun
