// Picture format and size from the file header.
#include "client/image_header.h"

#include <cstdint>

namespace kt {
namespace {

std::uint32_t be16(std::string_view b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8) |
           static_cast<unsigned char>(b[at + 1]);
}
std::uint32_t be32(std::string_view b, std::size_t at) {
    return (be16(b, at) << 16) | be16(b, at + 2);
}
std::uint32_t le16(std::string_view b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
           static_cast<unsigned char>(b[at]);
}

bool jpegSize(std::string_view b, int& width, int& height) {
    std::size_t i = 2;
    while (i + 4 <= b.size()) {
        if (static_cast<unsigned char>(b[i]) != 0xFF) return false;
        unsigned marker = static_cast<unsigned char>(b[i + 1]);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        std::uint32_t length = be16(b, i + 2);
        if (length < 2) return false;
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 9 > b.size()) return false;
            height = static_cast<int>(be16(b, i + 5));
            width = static_cast<int>(be16(b, i + 7));
            return true;
        }
        if (marker == 0xD9 || marker == 0xDA) return false; // no frame header before the data
        i += 2 + length;
    }
    return false;
}

} // namespace

std::optional<KT_Image> imageFromData(std::string_view b) {
    KT_Image image;
    if (b.size() >= 24 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8) &&
        b.substr(12, 4) == "IHDR") {
        std::uint32_t w = be32(b, 16), h = be32(b, 20);
        if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return std::nullopt;
        image.format = KT_Image::Format::PNG;
        image.width = static_cast<int>(w);
        image.height = static_cast<int>(h);
    } else if (b.size() >= 10 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) {
        image.format = KT_Image::Format::GIF;
        image.width = static_cast<int>(le16(b, 6));
        image.height = static_cast<int>(le16(b, 8));
    } else if (b.size() >= 4 && static_cast<unsigned char>(b[0]) == 0xFF &&
               static_cast<unsigned char>(b[1]) == 0xD8) {
        image.format = KT_Image::Format::JPEG;
        if (!jpegSize(b, image.width, image.height)) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (image.width < 1 || image.height < 1) return std::nullopt;
    image.bytes = std::string(b);
    return image;
}

} // namespace kt
