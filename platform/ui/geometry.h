// Points, sizes, rectangles, affine transforms and colours of the view toolkit, in points
// (the screen is 320 x 480 points; the renderer maps points to pixels at its scale).
#pragma once

#include <algorithm>
#include <cmath>

namespace ui {

struct Point {
    float x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
    Point operator+(Point o) const { return {x + o.x, y + o.y}; }
    Point operator-(Point o) const { return {x - o.x, y - o.y}; }
};

struct Size {
    float width = 0, height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(float x, float y, float w, float h) : origin{x, y}, size{w, h} {}
    Rect(Point o, Size s) : origin(o), size(s) {}
    friend bool operator==(const Rect&, const Rect&) = default;

    float x() const { return origin.x; }
    float y() const { return origin.y; }
    float width() const { return size.width; }
    float height() const { return size.height; }
    float minX() const { return origin.x; }
    float minY() const { return origin.y; }
    float maxX() const { return origin.x + size.width; }
    float maxY() const { return origin.y + size.height; }
    float midX() const { return origin.x + size.width / 2; }
    float midY() const { return origin.y + size.height / 2; }
    Point center() const { return {midX(), midY()}; }
    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
    // Half-open: the right and bottom edges are outside.
    bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    bool intersects(const Rect& o) const {
        return minX() < o.maxX() && o.minX() < maxX() && minY() < o.maxY() && o.minY() < maxY();
    }
    Rect intersection(const Rect& o) const {
        float x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
        float x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
        if (x1 <= x0 || y1 <= y0) return {};
        return {x0, y0, x1 - x0, y1 - y0};
    }
    Rect offsetBy(float dx, float dy) const {
        return {origin.x + dx, origin.y + dy, size.width, size.height};
    }
    Rect insetBy(float dx, float dy) const {
        return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
    }
};

// Affine transform [a b 0; c d 0; tx ty 1], applied as x' = a x + c y + tx, y' = b x + d y + ty
// (the platform's convention). A view's transform applies about its centre.
struct Transform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    friend bool operator==(const Transform&, const Transform&) = default;

    static Transform identity() { return {}; }
    static Transform rotation(float radians) {
        float s = std::sin(radians), co = std::cos(radians);
        return {co, s, -s, co, 0, 0};
    }
    static Transform scale(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Transform translation(float x, float y) { return {1, 0, 0, 1, x, y}; }
    bool isIdentity() const { return *this == Transform{}; }
    // this, then `next`.
    Transform concat(const Transform& n) const {
        return {a * n.a + b * n.c, a * n.b + b * n.d,          c * n.a + d * n.c,
                c * n.b + d * n.d, tx * n.a + ty * n.c + n.tx, tx * n.b + ty * n.d + n.ty};
    }
    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    Transform inverted() const {
        float det = a * d - b * c;
        if (det == 0) return {};
        float ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
        return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
    }
};

// RGBA, each component in [0, 1].
struct Color {
    float r = 0, g = 0, b = 0, a = 1;
    friend bool operator==(const Color&, const Color&) = default;

    static Color clear() { return {0, 0, 0, 0}; }
    static Color black() { return {0, 0, 0, 1}; }
    static Color white() { return {1, 1, 1, 1}; }
    static Color gray(float level, float alpha = 1) { return {level, level, level, alpha}; }
    static Color rgb255(int r, int g, int b, int a = 255) {
        return {r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
    }
    Color withAlpha(float alpha) const { return {r, g, b, alpha}; }
    bool isClear() const { return a <= 0; }
};

} // namespace ui
