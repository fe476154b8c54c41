// AlbumPhoto: feed settings of one concert's album and the photo reader.
#include "feeds/album_photo.h"

#include "feeds/feed_exchange.h"
#include "feeds/feed_item_reader.h"
#include "feeds/feed_keys.h"

namespace zephrun {

namespace {

// "Zephrun_<id>.xml", or "" when the id could name another directory.
std::string albumFileName(const std::string& id) {
    if (id.find('/') != std::string::npos || id.find('\0') != std::string::npos) return {};
    return "Zephrun_" + id + ".xml";
}

PagedFeedSettings albumSettings(FeedDelegate& d, const std::string& id) {
    PagedFeedSettings s;
    s.webRequestName = "id_wr_concerts_photos";
    std::string file = albumFileName(id);
    if (!file.empty()) {
        s.cachePath = feedCachePath(d, keys::kPathConcertsFile, file);
        s.packageCopy = d.packageCopy(file);
    }
    s.paramNames = {"id_concert"};
    s.paramValues = {id};
    s.cut = elementCut("<photos total", "</photos>");
    s.keepListWithoutBytes = true;
    return s;
}

const ItemDocument<AlbumPhotoDescription> kAlbumDocument{
    "photos",
    "photo",
    {"auteur", "commentaire", "date"},
    [](AlbumPhotoDescription& photo, const char** attributes) {
        photo.tURLImage = cleanSpaces(attribute(attributes, "src").value_or(""));
    },
    [](AlbumPhotoDescription& photo, std::string_view element, std::string&& text) {
        std::string clean = cleanText(text);
        if (element == "auteur")
            photo.tAuteur = std::move(clean);
        else if (element == "commentaire")
            photo.tCommentaire = std::move(clean);
        else
            photo.tDate = std::move(clean);
    },
};

} // namespace

AlbumPhoto::AlbumPhoto(FeedDelegate& appDelegate, std::string idAlbum)
    : idAlbum_(std::move(idAlbum)),
      feed_(appDelegate, albumSettings(appDelegate, idAlbum_), &parseAlbumPhotoDocument) {
    feed_.loadInitial();
}

bool parseAlbumPhotoDocument(std::string_view document,
                             FeedContent<AlbumPhotoDescription>& content) {
    return readItemDocument(document, kAlbumDocument, content);
}

} // namespace zephrun
