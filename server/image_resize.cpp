// Decoding, cropping or letterboxing, resampling and JPEG encoding with stb.
#include "server/image_resize.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>
#include <vector>

namespace zserver {
namespace {

constexpr int kMaxSide = 2048;
constexpr long long kMaxSourcePixels = 40'000'000;
constexpr int kQuality = 85;

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

std::string encodeJpeg(const unsigned char* rgb, int w, int h) {
    std::string out;
    if (!stbi_write_jpg_to_func(appendBytes, &out, w, h, 3, rgb, kQuality)) out.clear();
    return out;
}

struct StbPixels {
    stbi_uc* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

} // namespace

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
    if (source.empty() || source.size() > INT32_MAX) return std::nullopt;
    auto* bytes = reinterpret_cast<const stbi_uc*>(source.data());
    int len = static_cast<int>(source.size());
    int srcW = 0, srcH = 0, channels = 0;
    if (!stbi_info_from_memory(bytes, len, &srcW, &srcH, &channels) || srcW < 1 || srcH < 1 ||
        static_cast<long long>(srcW) * srcH > kMaxSourcePixels)
        return std::nullopt;
    StbPixels src;
    src.data = stbi_load_from_memory(bytes, len, &srcW, &srcH, &channels, 3);
    if (!src.data) return std::nullopt;

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
            src.data + static_cast<size_t>((srcH - cropH) / 2) * srcStride + (srcW - cropW) / 2 * 3;
        if (!stbir_resize_uint8(origin, cropW, cropH, srcStride, out.data(), outW, outH, 0, 3))
            return std::nullopt;
    } else {
        // Fit: the whole source scaled into the box, centred on black.
        double scale = std::min(static_cast<double>(outW) / srcW, static_cast<double>(outH) / srcH);
        int w = std::clamp(static_cast<int>(std::lround(srcW * scale)), 1, outW);
        int h = std::clamp(static_cast<int>(std::lround(srcH * scale)), 1, outH);
        unsigned char* target = out.data() + static_cast<size_t>((outH - h) / 2) * outW * 3 +
                                static_cast<size_t>((outW - w) / 2) * 3;
        if (!stbir_resize_uint8(src.data, srcW, srcH, srcStride, target, w, h, outW * 3, 3))
            return std::nullopt;
    }
    std::string jpeg = encodeJpeg(out.data(), outW, outH);
    if (jpeg.empty()) return std::nullopt;
    return jpeg;
}

std::string onePixelPicture() {
    const unsigned char white[3] = {255, 255, 255};
    return encodeJpeg(white, 1, 1);
}

} // namespace zserver
