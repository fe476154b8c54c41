// Image decoding, encoding and the platform's image helpers, on stb; the named image library.
#include "platform/ui/image.h"

#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>

namespace ui {

namespace {

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::string*>(context);
    out->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

bool isDoubleScaleName(const std::string& fileName) {
    auto dot = fileName.rfind('.');
    std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    return stem.size() >= 3 && stem.compare(stem.size() - 3, 3, "@2x") == 0;
}

} // namespace

Image Image::fromData(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return {};
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            static_cast<int>(bytes.size()), &w, &h, &channels, 4);
    if (!pixels) return {};
    std::unique_ptr<stbi_uc, void (*)(void*)> owner(pixels, stbi_image_free);
    if (w <= 0 || h <= 0) return {};
    std::vector<std::uint8_t> rgba(pixels, pixels + static_cast<size_t>(w) * h * 4);
    return fromPixels(w, h, std::move(rgba));
}

Image Image::fromFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Image image = fromData(bytes);
    if (image && isDoubleScaleName(file.filename().string())) image.scale_ = 2;
    return image;
}

Image Image::fromPixels(int width, int height, std::vector<std::uint8_t> rgba) {
    if (width <= 0 || height <= 0 ||
        rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        return {};
    Image image;
    auto data = std::make_shared<ImageData>();
    data->width = width;
    data->height = height;
    data->rgba = std::move(rgba);
    image.data_ = std::move(data);
    return image;
}

Size Image::size() const {
    if (!data_) return {};
    return {static_cast<float>(data_->width) / scale_, static_cast<float>(data_->height) / scale_};
}

Color Image::pixelAt(int x, int y) const {
    if (!data_ || x < 0 || y < 0 || x >= data_->width || y >= data_->height) return Color::clear();
    const std::uint8_t* p = &data_->rgba[(static_cast<size_t>(y) * data_->width + x) * 4];
    return Color::rgb255(p[0], p[1], p[2], p[3]);
}

Image Image::stretchableImage(int leftCapWidth, int topCapHeight) const {
    Image copy = *this;
    copy.leftCap_ = std::max(0, leftCapWidth);
    copy.topCap_ = std::max(0, topCapHeight);
    copy.stretchable_ = true;
    return copy;
}

Image Image::colorizeWithColor(const Color& color) const {
    if (!data_) return {};
    std::vector<std::uint8_t> out(data_->rgba.size());
    const float cr = std::clamp(color.r, 0.0f, 1.0f), cg = std::clamp(color.g, 0.0f, 1.0f),
                cb = std::clamp(color.b, 0.0f, 1.0f), ca = std::clamp(color.a, 0.0f, 1.0f);
    for (size_t i = 0; i < out.size(); i += 4) {
        const std::uint8_t* s = &data_->rgba[i];
        float as = s[3] / 255.0f;
        // The fill, masked by the image's alpha, is the backdrop; the image is the source.
        float ab = ca * as;
        float ao = as + ab - as * ab;
        const float src[3] = {s[0] / 255.0f, s[1] / 255.0f, s[2] / 255.0f};
        const float fill[3] = {cr, cg, cb};
        for (int c = 0; c < 3; ++c) {
            // Separable blend compositing with B(cb, cs) = max(cb, cs) (lighten).
            float premul = (1 - ab) * as * src[c] + (1 - as) * ab * fill[c] +
                           as * ab * std::max(src[c], fill[c]);
            out[i + c] = ao > 0 ? toByte(premul / ao) : 0;
        }
        out[i + 3] = toByte(ao);
    }
    Image image = fromPixels(data_->width, data_->height, std::move(out));
    image.scale_ = scale_;
    return image;
}

Image Image::scaledToSize(Size size) const {
    if (!data_ || !(size.width > 0) || !(size.height > 0)) return {};
    int w = std::max(1, static_cast<int>(std::lround(size.width * scale_)));
    int h = std::max(1, static_cast<int>(std::lround(size.height * scale_)));
    std::vector<std::uint8_t> out(static_cast<size_t>(w) * h * 4);
    if (!stbir_resize_uint8_generic(data_->rgba.data(), data_->width, data_->height, 0, out.data(),
                                    w, h, 0, 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT,
                                    STBIR_COLORSPACE_LINEAR, nullptr))
        return {};
    Image image = fromPixels(w, h, std::move(out));
    image.scale_ = scale_;
    return image;
}

std::string Image::jpegData(float quality) const {
    if (!data_) return {};
    // JPEG has no alpha: transparent parts come out black, as the platform encodes them.
    std::vector<std::uint8_t> rgb(static_cast<size_t>(data_->width) * data_->height * 3);
    for (size_t i = 0, j = 0; i < data_->rgba.size(); i += 4, j += 3) {
        unsigned a = data_->rgba[i + 3];
        for (int c = 0; c < 3; ++c)
            rgb[j + c] = static_cast<std::uint8_t>((data_->rgba[i + c] * a + 127) / 255);
    }
    int q = std::clamp(static_cast<int>(std::lround(quality * 100)), 1, 100);
    std::string out;
    if (!stbi_write_jpg_to_func(appendBytes, &out, data_->width, data_->height, 3, rgb.data(), q))
        return {};
    return out;
}

std::string Image::pngData() const {
    if (!data_) return {};
    std::string out;
    if (!stbi_write_png_to_func(appendBytes, &out, data_->width, data_->height, 4,
                                data_->rgba.data(), data_->width * 4))
        return {};
    return out;
}

// --- ImageLibrary ---

ImageLibrary::ImageLibrary(std::vector<std::filesystem::path> directories, float scale)
    : directories_(std::move(directories)), scale_(scale) {}

namespace {

struct SharedLibrary {
    std::mutex mutex;
    std::shared_ptr<ImageLibrary> current =
        std::make_shared<ImageLibrary>(std::vector<std::filesystem::path>{});
    // Replaced libraries stay alive: callers may still hold the reference shared() gave them.
    std::vector<std::shared_ptr<ImageLibrary>> retired;
};

SharedLibrary& sharedLibrary() {
    static SharedLibrary instance;
    return instance;
}

// The file names a name may be stored under, most preferred first.
std::vector<std::string> candidateFiles(std::string_view name, float scale) {
    std::string n(name);
    auto slash = n.rfind('/');
    auto dot = n.rfind('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::vector<std::string> stems, result;
    if (hasExtension) {
        stems.push_back(n);
    } else {
        stems.push_back(n + ".png");
        stems.push_back(n + ".jpg");
    }
    for (const auto& file : stems) {
        auto d = file.rfind('.');
        if (scale >= 2 && !isDoubleScaleName(file))
            result.push_back(file.substr(0, d) + "@2x" + file.substr(d));
        result.push_back(file);
    }
    return result;
}

bool safeName(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    // No way out of the package directories.
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

} // namespace

ImageLibrary& ImageLibrary::shared() {
    auto& s = sharedLibrary();
    std::lock_guard lock(s.mutex);
    return *s.current;
}

void ImageLibrary::setShared(std::shared_ptr<ImageLibrary> library) {
    auto& s = sharedLibrary();
    std::lock_guard lock(s.mutex);
    if (!library) library = std::make_shared<ImageLibrary>(std::vector<std::filesystem::path>{});
    s.retired.push_back(std::move(s.current));
    s.current = std::move(library);
}

Image ImageLibrary::imageNamed(std::string_view name) {
    std::lock_guard lock(mutex_);
    if (auto it = cache_.find(name); it != cache_.end()) return it->second;
    if (safeName(name)) {
        for (const auto& dir : directories_) {
            for (const auto& file : candidateFiles(name, scale_)) {
                std::error_code ec;
                auto path = dir / file;
                if (!std::filesystem::is_regular_file(path, ec)) continue;
                Image image = Image::fromFile(path);
                if (!image) continue;
                image.name_ = std::string(name);
                cache_.emplace(std::string(name), image);
                return image;
            }
        }
    }
    if (std::find(missing_.begin(), missing_.end(), name) == missing_.end())
        missing_.emplace_back(name);
    return {};
}

bool ImageLibrary::hasImageNamed(std::string_view name) const {
    std::lock_guard lock(mutex_);
    if (cache_.find(name) != cache_.end()) return true;
    if (!safeName(name)) return false;
    for (const auto& dir : directories_)
        for (const auto& file : candidateFiles(name, scale_)) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(dir / file, ec)) return true;
        }
    return false;
}

std::vector<std::string> ImageLibrary::missingNames() const {
    std::lock_guard lock(mutex_);
    return missing_;
}

} // namespace ui
