// Images of the view toolkit: decoded RGBA pixels shared between copies, loaded by name from
// the application package, from files or from downloaded bytes (PNG, JPEG, GIF), with the
// platform's helpers (stretchable caps, tinting, scaling, JPEG encoding).
//
// An Image is a cheap value: copies share the same immutable pixels. A null Image (default
// constructed, or a failed load) draws nothing and has size 0 x 0.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/geometry.h"

namespace ui {

// Straight (not premultiplied) RGBA, 8 bits per component, rows top to bottom.
struct ImageData {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

class Image {
  public:
    Image() = default;

    // Decodes PNG, JPEG or GIF (first frame); null when the bytes are none of them.
    static Image fromData(std::string_view bytes);
    static Image fromFile(const std::filesystem::path& file);
    static Image fromPixels(int width, int height, std::vector<std::uint8_t> rgba);

    explicit operator bool() const { return data_ != nullptr; }
    const std::shared_ptr<const ImageData>& data() const { return data_; }
    // Size in points (pixels / scale); "@2x" files have scale 2.
    Size size() const;
    int pixelWidth() const { return data_ ? data_->width : 0; }
    int pixelHeight() const { return data_ ? data_->height : 0; }
    float scale() const { return scale_; }
    // The name the image was loaded by from the package, "" otherwise.
    const std::string& name() const { return name_; }
    // The "no picture" answer of the image services: exactly 1 x 1 pixel.
    bool isOnePixel() const { return pixelWidth() == 1 && pixelHeight() == 1; }
    Color pixelAt(int x, int y) const;

    // `stretchableImageWithLeftCapWidth:topCapHeight:`: drawn larger than its size, the middle
    // column (one point right of the left cap) and middle row stretch; the caps keep their size.
    // A cap of 0 stretches the whole image along that axis.
    Image stretchableImage(int leftCapWidth, int topCapHeight) const;
    int leftCapWidth() const { return leftCap_; }
    int topCapHeight() const { return topCap_; }
    bool isStretchable() const { return leftCap_ > 0 || topCap_ > 0 || stretchable_; }

    // `colorizeWithcolor:`: the colour filled where the image is not transparent (its alpha as
    // the mask), then the image drawn over the fill with the lighten blend mode.
    Image colorizeWithColor(const Color& color) const;
    // `imageWithImage:scaledToSize:`: the image drawn stretched into a bitmap of `size` points.
    Image scaledToSize(Size size) const;

    // JPEG (quality 0..1) and PNG encodings; empty on failure.
    std::string jpegData(float quality) const;
    std::string pngData() const;

  private:
    friend class ImageLibrary;
    std::shared_ptr<const ImageData> data_;
    std::string name_;
    float scale_ = 1;
    int leftCap_ = 0;
    int topCap_ = 0;
    bool stretchable_ = false;
};

// Images by name from the application package: looked up in the library's directories in
// order (a "name@2x.ext" file is preferred when the library's scale is 2), decoded once and
// cached. Thread-safe.
class ImageLibrary {
  public:
    explicit ImageLibrary(std::vector<std::filesystem::path> directories, float scale = 1);

    // The package's library (resources/images of the build, set once at launch by the shell or
    // the test main); an empty library until then.
    static ImageLibrary& shared();
    static void setShared(std::shared_ptr<ImageLibrary> library);

    // `imageNamed:`: null when no directory holds the name (the name is then remembered in
    // missingNames(), so a missing picture is visible in the logs and in tests).
    Image imageNamed(std::string_view name);
    bool hasImageNamed(std::string_view name) const;
    std::vector<std::string> missingNames() const;
    const std::vector<std::filesystem::path>& directories() const { return directories_; }

  private:
    std::vector<std::filesystem::path> directories_;
    float scale_;
    mutable std::mutex mutex_;
    std::map<std::string, Image, std::less<>> cache_;
    std::vector<std::string> missing_;
};

// `[UIImage imageNamed:]` on the shared library.
inline Image imageNamed(std::string_view name) {
    return ImageLibrary::shared().imageNamed(name);
}

} // namespace ui
