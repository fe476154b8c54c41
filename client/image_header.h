// Pictures received as bytes: the format and size read from the file header (PNG, JPEG, GIF).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kt {

// A picture as the client hands it over: its encoded bytes and its size in pixels.
struct KT_Image {
    enum class Format { PNG, JPEG, GIF };
    Format format = Format::PNG;
    int width = 0;
    int height = 0;
    std::string bytes;
};

// The picture `bytes` hold, or none when they are not a PNG, JPEG or GIF file with a readable
// size of at least 1 x 1. Only the header is examined; the bytes are kept as they are.
std::optional<KT_Image> imageFromData(std::string_view bytes);

} // namespace kt
