// Nine-slice drawing of stretchable images.
#include "platform/ui/canvas.h"

#include <algorithm>

namespace ui {

namespace {

// One axis of a stretchable image: up to three source spans (pixels) and destination spans
// (points). A cap of 0 stretches the whole image along the axis.
struct Slices {
    int count = 0;
    float src[3][2]{};
    float dst[3][2]{};
};

Slices sliceAxis(int capPoints, float imagePoints, float scale, float destStart, float destLength) {
    Slices s;
    float pixels = imagePoints * scale;
    if (capPoints <= 0 || imagePoints <= 1) {
        s.count = 1;
        s.src[0][0] = 0, s.src[0][1] = pixels;
        s.dst[0][0] = destStart, s.dst[0][1] = destLength;
        return s;
    }
    // The middle is the one point after the left (top) cap; the rest is the right (bottom) cap.
    float first = std::min(static_cast<float>(capPoints), imagePoints - 1);
    float last = imagePoints - first - 1;
    float firstDst = first, lastDst = last;
    if (first + last > destLength) { // too small for the caps: they shrink in proportion
        float k = destLength / (first + last);
        firstDst = first * k;
        lastDst = destLength - firstDst;
    }
    float middleDst = std::max(0.0f, destLength - firstDst - lastDst);
    const float srcSpans[3][2] = {{0, first}, {first, 1}, {first + 1, last}};
    const float dstSpans[3][2] = {
        {0, firstDst}, {firstDst, middleDst}, {firstDst + middleDst, lastDst}};
    for (int i = 0; i < 3; ++i) {
        if (srcSpans[i][1] <= 0 || dstSpans[i][1] <= 0) continue;
        s.src[s.count][0] = srcSpans[i][0] * scale;
        s.src[s.count][1] = srcSpans[i][1] * scale;
        s.dst[s.count][0] = destStart + dstSpans[i][0];
        s.dst[s.count][1] = dstSpans[i][1];
        ++s.count;
    }
    return s;
}

} // namespace

void drawImageStretched(Canvas& canvas, const Image& image, const Rect& dest) {
    if (!image || dest.isEmpty()) return;
    if (!image.isStretchable()) {
        canvas.drawImage(image, {}, dest);
        return;
    }
    Size size = image.size();
    Slices xs = sliceAxis(image.leftCapWidth(), size.width, image.scale(), dest.x(), dest.width());
    Slices ys =
        sliceAxis(image.topCapHeight(), size.height, image.scale(), dest.y(), dest.height());
    for (int j = 0; j < ys.count; ++j)
        for (int i = 0; i < xs.count; ++i)
            canvas.drawImage(image, {xs.src[i][0], ys.src[j][0], xs.src[i][1], ys.src[j][1]},
                             {xs.dst[i][0], ys.dst[j][0], xs.dst[i][1], ys.dst[j][1]});
}

} // namespace ui
