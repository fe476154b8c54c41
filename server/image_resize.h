// The image-resize service ("resize.aspx"): a picture of this server resized to a requested box.
//
// Query: url (the picture's address, resolved by path among the static files), w and h (the box
// in pixels, 1 to 2048), r (the box's width / height when only one of w and h is given), f (0 or
// absent: the picture fills the box and is cropped around its centre; 1: the whole picture fits
// inside the box, on black). With one of w or h and no r the picture keeps its proportions; with
// neither it keeps its size. The answer is a JPEG; a missing or unreadable source, or a malformed
// query, gives a 1 x 1 picture (what the application takes for "no picture").
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zserver {

// Pictures are read from their header before anything is decoded: a few kilobytes of JPEG may
// announce 8192 x 8192 pixels, 200 MB once decoded. Past these bounds nothing is decoded at all.
inline constexpr int kMaxPictureSide = 8192;
inline constexpr long long kMaxPicturePixels = 16'777'216; // 4096 x 4096, 48 MB as RGB

// A decoded RGB picture (3 bytes a pixel, rows packed).
struct RgbPicture {
    int width = 0, height = 0;
    std::shared_ptr<unsigned char> pixels; // width * height * 3 bytes
};

// The size a picture's header announces, when it is a format we decode and within the bounds.
std::optional<RgbPicture> pictureHeader(std::string_view bytes);
// Decodes a picture within the bounds. At most two pictures are decoded at once in the process
// (the others wait), so that concurrent uploads and resizes cannot add up to gigabytes.
std::optional<RgbPicture> decodePicture(std::string_view bytes);
// `source` scaled to exactly w x h (no cropping).
RgbPicture scaledPicture(const RgbPicture& source, int w, int h);
// Baseline JPEG at quality 85; empty on failure.
std::string encodeJpeg(const RgbPicture& picture);

struct ResizeQuery {
    std::string url;
    int width = 0, height = 0; // 0: not given
    double ratio = 0;          // 0: not given
    bool fit = false;
};

// Parses the values of the query's parameters (absent ones as nullopt); nullopt when a given
// value is malformed or out of range.
std::optional<ResizeQuery> parseResizeQuery(std::optional<std::string_view> url,
                                            std::optional<std::string_view> w,
                                            std::optional<std::string_view> h,
                                            std::optional<std::string_view> r,
                                            std::optional<std::string_view> f);

// The size of the answer for a source of srcW x srcH.
void answerSize(const ResizeQuery& q, int srcW, int srcH, int& outW, int& outH);

// The resized picture as JPEG, or nullopt when `source` is not a decodable picture (JPEG, PNG,
// GIF, BMP) within the bounds above.
std::optional<std::string> resizePicture(std::string_view source, const ResizeQuery& q);

// Resized answers kept by source and query, so that a list of thumbnails asked again and again
// is not decoded again and again. Least recently used entries go first past `maxBytes`.
// Thread-safe.
class ResizeCache {
  public:
    explicit ResizeCache(size_t maxBytes = 32u << 20) : maxBytes_(maxBytes) {}
    std::optional<std::string> find(const std::string& key);
    void add(const std::string& key, std::string jpeg);
    size_t size() const;

  private:
    using Entry = std::pair<std::string, std::string>; // key, picture
    mutable std::mutex mutex_;
    std::list<Entry> entries_; // most recent first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
    size_t bytes_ = 0, maxBytes_;
};

// A 1 x 1 white JPEG.
std::string onePixelPicture();

} // namespace zserver
