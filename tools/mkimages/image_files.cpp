// PNG and JPEG through stb_image_write, GIF through giflib.
#include "image_files.h"

#include <gif_lib.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <memory>

namespace mkimages {

namespace {

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool writeGif(const std::string& path, int w, int h, const std::vector<std::uint8_t>& rgba) {
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<GifByteType> red(n), green(n), blue(n), index(n);
    bool anyTransparent = false;
    for (size_t i = 0; i < n; ++i) {
        red[i] = rgba[i * 4];
        green[i] = rgba[i * 4 + 1];
        blue[i] = rgba[i * 4 + 2];
        anyTransparent |= rgba[i * 4 + 3] < 128;
    }
    int colours = 255; // index 255 stays free for transparency
    std::vector<GifColorType> palette(256);
    if (GifQuantizeBuffer(w, h, &colours, red.data(), green.data(), blue.data(), index.data(),
                          palette.data()) == GIF_ERROR)
        return false;
    const int transparent = 255;
    for (size_t i = 0; i < n; ++i)
        if (rgba[i * 4 + 3] < 128) index[i] = transparent;

    auto freeMap = [](ColorMapObject* m) { GifFreeMapObject(m); };
    std::unique_ptr<ColorMapObject, decltype(freeMap)> map(GifMakeMapObject(256, palette.data()),
                                                           freeMap);
    if (!map) return false;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) != GIF_ERROR;
    if (ok && anyTransparent) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.DelayTime = 0;
        gcb.TransparentColor = transparent;
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_ERROR;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) != GIF_ERROR;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, index.data() + static_cast<size_t>(y) * w, w) != GIF_ERROR;
    if (EGifCloseFile(gif, &error) == GIF_ERROR) ok = false;
    return ok;
}

} // namespace

bool writeImage(const std::string& path, int w, int h, const std::vector<std::uint8_t>& rgba) {
    if (endsWith(path, ".png"))
        return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
    if (endsWith(path, ".gif")) return writeGif(path, w, h, rgba);
    if (endsWith(path, ".jpg") || endsWith(path, ".jpeg")) {
        // JPEG has no alpha: composite on black.
        std::vector<std::uint8_t> rgb(static_cast<size_t>(w) * h * 3);
        for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i)
            for (int k = 0; k < 3; ++k)
                rgb[i * 3 + k] = static_cast<std::uint8_t>(rgba[i * 4 + k] * rgba[i * 4 + 3] / 255);
        return stbi_write_jpg(path.c_str(), w, h, 3, rgb.data(), 90) != 0;
    }
    return false;
}

} // namespace mkimages
