// Decoding, cropping or letterboxing, resampling and JPEG encoding with stb.
#include "server/image_resize.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <semaphore>
#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>
#include <vector>

namespace zserver {
namespace {

constexpr int kMaxSide = 2048; // of an answer
constexpr int kQuality = 85;

std::counting_semaphore<2>& decodeSlots() {
    static std::counting_semaphore<2> slots(2);
    return slots;
}

class DecodeSlot {
  public:
    DecodeSlot() { decodeSlots().acquire(); }
    ~DecodeSlot() { decodeSlots().release(); }
    DecodeSlot(const DecodeSlot&) = delete;
    DecodeSlot& operator=(const DecodeSlot&) = delete;
};

std::optional<int> side(std::string_view s) {
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < 1 || v > kMaxSide)
        return std::nullopt;
    return v;
}

std::optional<double> ratio(std::string_view s) {
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !(v >= 0.05 && v <= 20))
        return std::nullopt;
    return v;
}

int clampSide(double v) {
    return static_cast<int>(std::clamp(std::lround(v), 1L, static_cast<long>(kMaxSide)));
}

void appendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<size_t>(size));
}

std::string encodeJpegPixels(const unsigned char* rgb, int w, int h) {
    std::string out;
    if (!stbi_write_jpg_to_func(appendBytes, &out, w, h, 3, rgb, kQuality)) out.clear();
    return out;
}

} // namespace

std::optional<RgbPicture> pictureHeader(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT32_MAX) return std::nullopt;
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                               static_cast<int>(bytes.size()), &w, &h, &channels) ||
        w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide ||
        static_cast<long long>(w) * h > kMaxPicturePixels)
        return std::nullopt;
    RgbPicture p;
    p.width = w;
    p.height = h;
    return p;
}

std::optional<RgbPicture> decodePicture(std::string_view bytes) {
    auto header = pictureHeader(bytes);
    if (!header) return std::nullopt;
    DecodeSlot slot;
    int w = 0, h = 0, channels = 0;
    header->pixels.reset(stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                               static_cast<int>(bytes.size()), &w, &h, &channels,
                                               3),
                         stbi_image_free);
    // The scan must agree with the header that was checked.
    if (!header->pixels || w != header->width || h != header->height) return std::nullopt;
    return header;
}

RgbPicture scaledPicture(const RgbPicture& source, int w, int h) {
    RgbPicture out;
    out.width = w;
    out.height = h;
    out.pixels.reset(new unsigned char[static_cast<size_t>(w) * h * 3](),
                     std::default_delete<unsigned char[]>());
    stbir_resize_uint8(source.pixels.get(), source.width, source.height, source.width * 3,
                       out.pixels.get(), w, h, w * 3, 3);
    return out;
}

std::string encodeJpeg(const RgbPicture& picture) {
    return encodeJpegPixels(picture.pixels.get(), picture.width, picture.height);
}

std::optional<ResizeQuery> parseResizeQuery(std::optional<std::string_view> url,
                                            std::optional<std::string_view> w,
                                            std::optional<std::string_view> h,
                                            std::optional<std::string_view> r,
                                            std::optional<std::string_view> f) {
    ResizeQuery q;
    if (!url || url->empty()) return std::nullopt;
    q.url = *url;
    if (w) {
        auto v = side(*w);
        if (!v) return std::nullopt;
        q.width = *v;
    }
    if (h) {
        auto v = side(*h);
        if (!v) return std::nullopt;
        q.height = *v;
    }
    if (r) {
        auto v = ratio(*r);
        if (!v) return std::nullopt;
        q.ratio = *v;
    }
    if (f) {
        if (*f != "0" && *f != "1") return std::nullopt;
        q.fit = *f == "1";
    }
    return q;
}

void answerSize(const ResizeQuery& q, int srcW, int srcH, int& outW, int& outH) {
    double srcRatio = static_cast<double>(srcW) / srcH;
    double w = q.width, h = q.height;
    if (q.width && q.height) {
    } else if (q.width) {
        h = w / (q.ratio ? q.ratio : srcRatio);
    } else if (q.height) {
        w = h * (q.ratio ? q.ratio : srcRatio);
    } else if (q.ratio) {
        w = srcW;
        h = srcW / q.ratio;
    } else {
        w = srcW;
        h = srcH;
    }
    outW = clampSide(w);
    outH = clampSide(h);
}

std::optional<std::string> resizePicture(std::string_view source, const ResizeQuery& q) {
    auto picture = decodePicture(source);
    if (!picture) return std::nullopt;
    const int srcW = picture->width, srcH = picture->height;
    const unsigned char* pixels = picture->pixels.get();

    int outW = 0, outH = 0;
    answerSize(q, srcW, srcH, outW, outH);
    std::vector<unsigned char> out(static_cast<size_t>(outW) * outH * 3, 0);
    const int srcStride = srcW * 3;
    if (!q.fit) {
        // Fill: the largest centred part of the source with the box's proportions.
        int cropW = srcW, cropH = srcH;
        if (static_cast<long long>(srcW) * outH > static_cast<long long>(srcH) * outW)
            cropW =
                std::max(1, static_cast<int>(std::lround(static_cast<double>(srcH) * outW / outH)));
        else
            cropH =
                std::max(1, static_cast<int>(std::lround(static_cast<double>(srcW) * outH / outW)));
        const unsigned char* origin =
            pixels + static_cast<size_t>((srcH - cropH) / 2) * srcStride + (srcW - cropW) / 2 * 3;
        if (!stbir_resize_uint8(origin, cropW, cropH, srcStride, out.data(), outW, outH, 0, 3))
            return std::nullopt;
    } else {
        // Fit: the whole source scaled into the box, centred on black.
        double scale = std::min(static_cast<double>(outW) / srcW, static_cast<double>(outH) / srcH);
        int w = std::clamp(static_cast<int>(std::lround(srcW * scale)), 1, outW);
        int h = std::clamp(static_cast<int>(std::lround(srcH * scale)), 1, outH);
        unsigned char* target = out.data() + static_cast<size_t>((outH - h) / 2) * outW * 3 +
                                static_cast<size_t>((outW - w) / 2) * 3;
        if (!stbir_resize_uint8(pixels, srcW, srcH, srcStride, target, w, h, outW * 3, 3))
            return std::nullopt;
    }
    std::string jpeg = encodeJpegPixels(out.data(), outW, outH);
    if (jpeg.empty()) return std::nullopt;
    return jpeg;
}

std::string onePixelPicture() {
    const unsigned char white[3] = {255, 255, 255};
    return encodeJpegPixels(white, 1, 1);
}

std::optional<std::string> ResizeCache::find(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(key);
    if (it == index_.end()) return std::nullopt;
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->second;
}

void ResizeCache::add(const std::string& key, std::string jpeg) {
    std::lock_guard lock(mutex_);
    if (jpeg.size() > maxBytes_ || index_.count(key)) return;
    bytes_ += jpeg.size();
    entries_.emplace_front(key, std::move(jpeg));
    index_[key] = entries_.begin();
    while (bytes_ > maxBytes_) {
        bytes_ -= entries_.back().second.size();
        index_.erase(entries_.back().first);
        entries_.pop_back();
    }
}

size_t ResizeCache::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

} // namespace zserver
