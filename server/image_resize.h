// The image-resize service ("resize.aspx"): a picture of this server resized to a requested box.
//
// Query: url (the picture's address, resolved by path among the static files), w and h (the box
// in pixels, 1 to 2048), r (the box's width / height when only one of w and h is given), f (0 or
// absent: the picture fills the box and is cropped around its centre; 1: the whole picture fits
// inside the box, on black). With one of w or h and no r the picture keeps its proportions; with
// neither it keeps its size. The answer is a JPEG; a missing or unreadable source, or a malformed
// query, gives a 1 x 1 picture (what the application takes for "no picture").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zserver {

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
// GIF, BMP) of at most 40 megapixels.
std::optional<std::string> resizePicture(std::string_view source, const ResizeQuery& q);

// A 1 x 1 white JPEG.
std::string onePixelPicture();

} // namespace zserver
