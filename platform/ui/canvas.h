// The drawing surface views draw on. The toolkit core only draws through this interface; the
// SDL2 renderer implements it (in a window or on an offscreen surface).
//
// State is a stack: save() pushes the transform, clip and alpha; restore() pops them. All
// coordinates are points in the current transform's space.
#pragma once

#include <string_view>

#include "platform/ui/font.h"
#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace ui {

class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    // Appends to the current transform (the new one applies first).
    virtual void concat(const Transform& t) = 0;
    // Intersects the clip with `rect` (in current coordinates; rotated clips clip to their
    // bounding box).
    virtual void clipTo(const Rect& rect) = 0;
    // Multiplies the current alpha.
    virtual void multiplyAlpha(float alpha) = 0;

    virtual void fillRect(const Rect& rect, const Color& color) = 0;
    virtual void strokeRect(const Rect& rect, const Color& color, float width) = 0;
    virtual void fillEllipse(const Rect& rect, const Color& color) = 0;
    virtual void drawLine(Point a, Point b, const Color& color, float width) = 0;
    // `source` in image pixels (whole image when empty) drawn into `dest`; `tint` multiplies
    // the colours (white: unchanged).
    virtual void drawImage(const Image& image, const Rect& source, const Rect& dest,
                           const Color& tint = Color::white()) = 0;
    // One line of text whose top-left corner is `origin`.
    virtual void drawText(std::string_view utf8, const Font& font, const Color& color,
                          Point origin) = 0;

    virtual const FontMetrics& metrics() const = 0;
};

// Draws an image into `dest`, honouring its stretch caps (nine slices) when it is stretchable.
void drawImageStretched(Canvas& canvas, const Image& image, const Rect& dest);

} // namespace ui
