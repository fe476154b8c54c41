// Writes RGBA pixels as PNG, JPEG (on black) or GIF (palette of 255 colours + transparency).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mkimages {

// The format follows the file name's extension (.png, .jpg/.jpeg, .gif). False on failure.
bool writeImage(const std::string& path, int width, int height,
                const std::vector<std::uint8_t>& rgba);

} // namespace mkimages
