// Picture styles: backgrounds, bars, buttons, boxes, pictograms, map pins and mix-table parts.
#include "styles.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>

namespace mkimages {

namespace {

const RGBA kInk = RGBA::hex(0x121317);
const RGBA kGraphite = RGBA::hex(0x24262d);
const RGBA kSteel = RGBA::hex(0x3a3d47);
const RGBA kAccent = RGBA::hex(0xe63e26);
const RGBA kCyan = RGBA::hex(0x01c6f1);
const RGBA kPaper = RGBA::hex(0xf2f2f2);
const RGBA kWhite{1, 1, 1, 1};
const RGBA kClear{0, 0, 0, 0};
constexpr float kPi = 3.14159265f;

std::uint32_t hashText(const std::string& s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

float W(const Raster& r) {
    return float(r.width());
}
float H(const Raster& r) {
    return float(r.height());
}
Box all(const Raster& r) {
    return {0, 0, W(r), H(r)};
}

// Dark panel with a soft accent light and diagonal lines: the common background.
void panel(Raster& r, const RGBA& light, std::uint32_t seed) {
    r.verticalGradient(all(r), kGraphite, kInk);
    r.glow(W(r) * 0.8f, H(r) * 0.15f, W(r) * 0.9f, light.withAlpha(0.22f));
    for (int i = -10; i < 20; ++i) {
        float x = i * 36.0f + (seed % 17);
        r.line(x, H(r), x + H(r) * 0.6f, 0, 0.6f, kWhite.withAlpha(0.035f));
    }
    r.grain(0.02f, seed);
}

void backdrop(Raster& r, int n) {
    // Eleven variations: hue between the accent and the cyan, light position, ring pattern.
    float t = (n - 1) / 10.0f;
    RGBA light = kAccent.mix(kCyan, t);
    r.verticalGradient(all(r), kInk.mix(light, 0.12f), kInk);
    r.glow(W(r) * (0.2f + 0.6f * ((n * 37) % 11) / 10.0f), H(r) * (0.25f + 0.05f * (n % 5)),
           W(r) * 1.1f, light.withAlpha(0.35f));
    float cx = W(r) * ((n * 53) % 100) / 100.0f, cy = H(r) * ((n * 29) % 100) / 100.0f;
    for (int k = 1; k < 14; ++k) r.ring(cx, cy, k * 22.0f, 1.0f, kWhite.withAlpha(0.05f));
    r.grain(0.025f, n);
}

void wordmark(Raster& r, const Box& b, const RGBA& color) {
    r.text("ZEPHRUN", b, b.h * 0.7f, color, true);
}

void bandTitle(Raster& r, const std::string& text) {
    // Opaque dark band with white type: tinted by the screens, the band takes the tint and the
    // type stays white.
    r.fill(kInk);
    r.text(text, {12, 0, W(r) - 24, H(r)}, H(r) * 0.5f, kWhite, true, -1);
}

void playTriangle(Raster& r, float cx, float cy, float size, const RGBA& c) {
    r.polygon({{cx - size * 0.4f, cy - size * 0.5f},
               {cx + size * 0.55f, cy},
               {cx - size * 0.4f, cy + size * 0.5f}},
              c);
}

void pauseBars(Raster& r, float cx, float cy, float size, const RGBA& c) {
    r.roundedBox({cx - size * 0.42f, cy - size * 0.5f, size * 0.3f, size}, 1.5f, c);
    r.roundedBox({cx + size * 0.12f, cy - size * 0.5f, size * 0.3f, size}, 1.5f, c);
}

void roundButton(Raster& r, const RGBA& fill) {
    float s = std::min(W(r), H(r)) - 4;
    r.circle(W(r) / 2, H(r) / 2, s / 2, fill);
    r.ring(W(r) / 2, H(r) / 2, s / 2 - 0.5f, 1.0f, kWhite.withAlpha(0.35f));
}

void arrowGlyph(Raster& r, float cx, float cy, float size, int dir /* 0 right 1 left 2 up 3 down */,
                const RGBA& c) {
    float a = dir == 0 ? 0 : dir == 1 ? kPi : dir == 2 ? -kPi / 2 : kPi / 2;
    auto p = [&](float u, float v) {
        return std::array<float, 2>{cx + u * std::cos(a) - v * std::sin(a),
                                    cy + u * std::sin(a) + v * std::cos(a)};
    };
    r.polygon({p(-size * 0.5f, -size * 0.15f), p(0, -size * 0.15f), p(0, -size * 0.45f),
               p(size * 0.5f, 0), p(0, size * 0.45f), p(0, size * 0.15f),
               p(-size * 0.5f, size * 0.15f)},
              c);
}

void hand(Raster& r, float cx, float cy, float s, const RGBA& c) {
    r.roundedBox({cx - s * 0.18f, cy - s * 0.55f, s * 0.36f, s * 0.8f}, s * 0.18f, c);
    r.roundedBox({cx - s * 0.4f, cy, s * 0.8f, s * 0.55f}, s * 0.2f, c);
}

void homeBox(Raster& r, const std::string& label, const RGBA& color,
             const std::function<void(Raster&, float, float, float)>& icon) {
    r.roundedBoxGradient({2, 2, W(r) - 4, H(r) - 4}, 10, color.mix(kWhite, 0.15f),
                         color.mix(kInk, 0.35f));
    r.roundedBoxStroke({2.5f, 2.5f, W(r) - 5, H(r) - 5}, 10, 1, kWhite.withAlpha(0.45f));
    icon(r, W(r) / 2, H(r) * 0.4f, W(r) * 0.42f);
    r.text(label, {6, H(r) * 0.7f, W(r) - 12, H(r) * 0.22f}, 14, kWhite, true);
}

void camera(Raster& r, float cx, float cy, float s, const RGBA& c) {
    r.roundedBox({cx - s * 0.5f, cy - s * 0.3f, s, s * 0.65f}, s * 0.1f, c);
    r.roundedBox({cx - s * 0.18f, cy - s * 0.42f, s * 0.36f, s * 0.16f}, s * 0.05f, c);
    r.circle(cx, cy + s * 0.03f, s * 0.2f, kInk);
    r.circle(cx, cy + s * 0.03f, s * 0.12f, c);
}

void pin(Raster& r, const RGBA& color, const std::string& glyph) {
    float cx = W(r) / 2, rad = W(r) * 0.42f, cy = rad + 1.5f;
    r.polygon({{cx - rad * 0.62f, cy + rad * 0.75f},
               {cx, H(r) - 1},
               {cx + rad * 0.62f, cy + rad * 0.75f}},
              color);
    r.circle(cx, cy, rad, color);
    r.ring(cx, cy, rad - 0.5f, 1.2f, kWhite.withAlpha(0.9f));
    r.text(glyph, {cx - rad, cy - rad, rad * 2, rad * 2}, rad * 1.1f, kWhite, true);
}

RGBA memberColor(const std::string& kind) {
    if (kind == "m") return RGBA::hex(0x2f7fe0);
    if (kind == "f") return RGBA::hex(0xe0408f);
    return RGBA::hex(0x8a8f99);
}

void equalizer(Raster& r, int frame) {
    const int bars = 5;
    float bw = W(r) / bars;
    for (int i = 0; i < bars; ++i) {
        float level =
            frame == 0 ? 0.12f : 0.25f + 0.7f * std::fabs(std::sin((frame * 0.63f + i * 1.3f)));
        float h = H(r) * level;
        r.fillBox({i * bw + 1, H(r) - h, bw - 2, h}, kAccent.mix(kCyan, i / 4.0f));
    }
}

using Painter = std::function<void(Raster&, const Entry&)>;

const std::map<std::string, Painter>& painters() {
    static const std::map<std::string, Painter> table = {
        {"splash",
         [](Raster& r, const Entry& e) {
             r.verticalGradient(all(r), kInk.mix(kAccent, 0.25f), kInk);
             r.glow(W(r) / 2, H(r) * 0.38f, 220, kAccent.withAlpha(0.5f));
             for (int k = 1; k < 9; ++k)
                 r.ring(W(r) / 2, H(r) * 0.38f, k * 18.0f, 1, kWhite.withAlpha(0.08f));
             wordmark(r, {20, H(r) * 0.33f, W(r) - 40, 44}, kWhite);
             r.text(e.text, {20, H(r) * 0.48f, W(r) - 40, 40}, 13, kPaper.withAlpha(0.8f), false);
         }},
        {"backdrop", [](Raster& r, const Entry& e) { backdrop(r, std::atoi(e.text.c_str())); }},
        {"panel", [](Raster& r, const Entry& e) { panel(r, kAccent, hashText(e.name)); }},
        {"panel-records",
         [](Raster& r, const Entry& e) {
             panel(r, kCyan, hashText(e.name));
             for (int k = 1; k < 12; ++k)
                 r.ring(W(r) / 2, 130, k * 9.0f, 0.6f, kWhite.withAlpha(0.05f));
         }},
        // The community hub's frame over its map: dark bands behind the tweets (top) and the
        // boxes (bottom), the map left clear between them.
        {"panel-map",
         [](Raster& r, const Entry&) {
             r.verticalGradient({0, 0, W(r), 125}, kInk.withAlpha(0.92f), kInk.withAlpha(0.75f));
             r.verticalGradient({0, 125, W(r), 30}, kInk.withAlpha(0.75f), kClear);
             r.verticalGradient({0, 232, W(r), 40}, kClear, kInk.withAlpha(0.75f));
             r.fillBox({0, 272, W(r), H(r) - 272}, kInk.withAlpha(0.92f));
         }},
        // The reporter's form: light fields under its event line and its comment editor.
        {"panel-camera",
         [](Raster& r, const Entry& e) {
             panel(r, kAccent, hashText(e.name));
             camera(r, W(r) - 60, H(r) - 30, 50, kWhite.withAlpha(0.06f));
             r.roundedBox({8, 207, 304, 33}, 6, kPaper);
             r.roundedBox({8, 251, 304, 114}, 6, kPaper);
         }},
        {"placeholder",
         [](Raster& r, const Entry& e) {
             r.verticalGradient(all(r), kGraphite, kInk);
             for (int j = 0; j < 12; ++j)
                 for (int i = 0; i < 5; ++i)
                     r.roundedBox({34 + i * 45.0f + 6, 100 + j * 30.0f + 4, 33, 22}, 4,
                                  kSteel.withAlpha(0.5f));
             r.roundedBox({30, 190, 260, 100}, 14, kInk.withAlpha(0.85f));
             r.text(e.text, {40, 200, 240, 80}, 20, kWhite, true);
         }},
        {"header",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), RGBA::hex(0x2b2e36), kInk);
             r.fillBox({0, H(r) - 2, W(r), 2}, kAccent);
         }},
        {"logo",
         [](Raster& r, const Entry&) {
             r.circle(22, H(r) / 2, 14, kAccent);
             r.ring(22, H(r) / 2, 9, 2, kWhite);
             wordmark(r, {40, H(r) * 0.3f, W(r) - 44, H(r) * 0.4f}, kWhite);
         }},
        {"app-icon",
         [](Raster& r, const Entry&) {
             const float w = W(r), h = H(r);
             r.roundedBoxGradient({0, 0, w, h}, w * 0.22f, kAccent, RGBA::hex(0x9e2414));
             r.circle(w / 2, h * 0.42f, w * 0.24f, kInk.withAlpha(0.35f));
             r.ring(w / 2, h * 0.42f, w * 0.16f, w * 0.035f, kWhite);
             for (int i = 0; i < 5; ++i) {
                 const float bar = h * (0.08f + 0.05f * float((i * 3) % 5));
                 r.fillBox({w * (0.22f + 0.12f * float(i)), h * 0.86f - bar, w * 0.08f, bar}, kCyan);
             }
         }},
        {"logo-small",
         [](Raster& r, const Entry& e) {
             r.roundedBox({0, 0, W(r), H(r)}, H(r) / 2, kWhite.withAlpha(0.12f));
             r.text(e.text, all(r), H(r) * 0.6f, kWhite, true);
         }},
        {"pill",
         [](Raster& r, const Entry& e) {
             r.roundedBox({4, 4, W(r) - 8, H(r) - 8}, (H(r) - 8) / 2, kWhite.withAlpha(0.14f));
             r.text(e.text, {10, 4, W(r) - 20, H(r) - 8}, 13, kWhite, true);
         }},
        {"pill-outline",
         [](Raster& r, const Entry&) {
             r.roundedBoxStroke({4.5f, 4.5f, W(r) - 9, H(r) - 9}, (H(r) - 9) / 2, 1,
                                kWhite.withAlpha(0.5f));
         }},
        {"footer",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kInk.withAlpha(0.0f), kInk);
             r.fillBox({0, H(r) * 0.45f, W(r), H(r) * 0.55f}, kInk.withAlpha(0.9f));
             r.fillBox({0, H(r) * 0.45f, W(r), 1}, kAccent.withAlpha(0.8f));
         }},
        {"footer-alt",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kInk.withAlpha(0.0f), kInk);
             r.fillBox({0, H(r) * 0.45f, W(r), H(r) * 0.55f}, kInk.withAlpha(0.9f));
             r.fillBox({0, H(r) * 0.45f, W(r), 1}, kCyan.withAlpha(0.8f));
         }},
        {"tab",
         [](Raster& r, const Entry& e) {
             r.roundedBoxGradient({2, 2, W(r) - 4, H(r) - 4}, 8, kSteel, kGraphite);
             r.text(e.text, {4, 2, W(r) - 8, H(r) - 4}, 13, kWhite, true);
         }},
        {"tab-on",
         [](Raster& r, const Entry& e) {
             r.roundedBoxGradient({2, 2, W(r) - 4, H(r) - 4}, 8, kAccent.mix(kWhite, 0.1f),
                                  kAccent.mix(kInk, 0.3f));
             r.text(e.text, {4, 2, W(r) - 8, H(r) - 4}, 13, kWhite, true);
         }},
        {"bubble",
         [](Raster& r, const Entry&) {
             r.roundedBox({1, 1, W(r) - 2, H(r) - 2}, 16, kInk.withAlpha(0.88f));
             r.roundedBoxStroke({1.5f, 1.5f, W(r) - 3, H(r) - 3}, 16, 1, kWhite.withAlpha(0.3f));
         }},
        {"rule", [](Raster& r, const Entry&) { r.fill(kWhite.withAlpha(0.22f)); }},
        {"vrule",
         [](Raster& r, const Entry&) {
             r.fillBox({1, 2, 1, H(r) - 4}, kWhite.withAlpha(0.35f));
         }},
        {"capsule", [](Raster& r, const Entry&) { r.roundedBox(all(r), H(r) / 2, kSteel); }},
        {"card",
         [](Raster& r, const Entry&) {
             r.fill(kInk.withAlpha(0.92f));
             r.fillBox({0, H(r) - 2, W(r), 2}, kAccent);
         }},
        {"login-card",
         // The login box: two light fields where the overlay lays its text fields (x 108, 196
         // wide, 44 high, at y 54 and 99 of the box), a person and a padlock before them.
         [](Raster& r, const Entry&) {
             r.fill(kInk.withAlpha(0.92f));
             r.fillBox({0, H(r) - 2, W(r), 2}, kAccent);
             for (float y : {54.0f, 99.0f}) r.roundedBox({106, y + 2, 200, 40}, 8, kPaper);
             r.circle(80, 66, 7, kWhite);
             r.roundedBox({70, 75, 20, 11}, 5, kWhite);
             r.ring(80, 112, 6, 2.5f, kWhite);
             r.roundedBox({71, 114, 18, 14}, 3, kWhite);
         }},
        {"band-back",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kInk.withAlpha(0.9f), kInk.withAlpha(0.6f));
         }},
        {"band", [](Raster& r, const Entry& e) { bandTitle(r, e.text); }},
        {"band-twitter",
         [](Raster& r, const Entry& e) {
             r.verticalGradient(all(r), kGraphite, kInk);
             r.circle(30, H(r) / 2, 16, RGBA::hex(0x1da1f2));
             r.text("t", {14, H(r) / 2 - 16, 32, 32}, 20, kWhite, true);
             r.text(e.text, {56, 0, W(r) - 70, H(r)}, 22, kWhite, true, -1);
         }},
        {"box-news",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, kAccent, [](Raster& r, float cx, float cy, float s) {
                 r.roundedBox({cx - s / 2, cy - s / 2, s, s * 0.9f}, 3, kWhite);
                 for (int i = 0; i < 4; ++i)
                     r.fillBox({cx - s * 0.4f, cy - s * 0.35f + i * s * 0.2f, s * 0.8f, s * 0.08f},
                               kAccent);
             });
         }},
        {"box-albums",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, RGBA::hex(0x7b3fe4), [](Raster& r, float cx, float cy, float s) {
                 r.circle(cx, cy, s / 2, kInk);
                 for (int k = 1; k < 5; ++k)
                     r.ring(cx, cy, s * 0.1f * k + s * 0.08f, 0.5f, kWhite.withAlpha(0.25f));
                 r.circle(cx, cy, s * 0.14f, kWhite);
             });
         }},
        {"box-medias",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, RGBA::hex(0x2f7fe0), [](Raster& r, float cx, float cy, float s) {
                 r.roundedBox({cx - s / 2, cy - s * 0.35f, s, s * 0.7f}, 5, kWhite);
                 playTriangle(r, cx, cy, s * 0.4f, RGBA::hex(0x2f7fe0));
             });
         }},
        {"box-mix",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, RGBA::hex(0x1fae6a), [](Raster& r, float cx, float cy, float s) {
                 for (int i = 0; i < 3; ++i) {
                     float x = cx - s * 0.35f + i * s * 0.35f;
                     r.line(x, cy - s * 0.45f, x, cy + s * 0.45f, 2, kWhite);
                     r.roundedBox(
                         {x - s * 0.12f, cy - s * 0.3f + i * s * 0.25f, s * 0.24f, s * 0.14f}, 2,
                         kWhite);
                 }
             });
         }},
        {"box-community",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, RGBA::hex(0xf08a1c), [](Raster& r, float cx, float cy, float s) {
                 r.circle(cx - s * 0.2f, cy - s * 0.15f, s * 0.16f, kWhite);
                 r.circle(cx + s * 0.2f, cy - s * 0.15f, s * 0.16f, kWhite);
                 r.roundedBox({cx - s * 0.45f, cy + s * 0.05f, s * 0.4f, s * 0.35f}, s * 0.15f,
                              kWhite);
                 r.roundedBox({cx + s * 0.05f, cy + s * 0.05f, s * 0.4f, s * 0.35f}, s * 0.15f,
                              kWhite);
             });
         }},
        {"photo",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), RGBA::hex(0x3b2a4a), RGBA::hex(0x101018));
             r.glow(W(r) * 0.5f, H(r) * 0.3f, 60, kAccent.withAlpha(0.7f));
             r.glow(W(r) * 0.2f, H(r) * 0.25f, 30, kCyan.withAlpha(0.6f));
             r.fillBox({0, H(r) * 0.72f, W(r), H(r) * 0.28f}, kInk);
             for (int i = 0; i < 9; ++i) r.circle(6 + i * 10.0f, H(r) * 0.72f, 6, kInk);
         }},
        {"sound-on",
         [](Raster& r, const Entry&) {
             r.roundedBox({4, 4, W(r) - 8, H(r) - 8}, (H(r) - 8) / 2, kWhite.withAlpha(0.14f));
             r.polygon({{14, 12}, {19, 12}, {25, 7}, {25, 23}, {19, 18}, {14, 18}}, kWhite);
             for (int k = 0; k < 3; ++k)
                 r.ring(25, 15, 4.0f + k * 3.5f, 1.2f, kWhite.withAlpha(0.9f - k * 0.25f));
             r.fillBox({25, 0, 20, 30}, kClear);
             r.text("ON", {44, 4, W(r) - 52, H(r) - 8}, 13, kWhite, true);
         }},
        {"sound-off",
         [](Raster& r, const Entry&) {
             r.roundedBox({4, 4, W(r) - 8, H(r) - 8}, (H(r) - 8) / 2, kWhite.withAlpha(0.08f));
             r.polygon({{14, 12}, {19, 12}, {25, 7}, {25, 23}, {19, 18}, {14, 18}},
                       kWhite.withAlpha(0.6f));
             r.line(29, 10, 37, 20, 1.6f, kAccent);
             r.line(37, 10, 29, 20, 1.6f, kAccent);
             r.text("OFF", {44, 4, W(r) - 52, H(r) - 8}, 13, kWhite.withAlpha(0.6f), true);
         }},
        {"info",
         [](Raster& r, const Entry&) {
             roundButton(r, kWhite.withAlpha(0.15f));
             r.text("i", all(r), H(r) * 0.6f, kWhite, true);
         }},
        {"strip",
         [](Raster& r, const Entry& e) {
             r.fill(kInk.withAlpha(0.75f));
             r.fillBox({0, 0, 58, H(r)}, kAccent);
             r.text(e.text, {2, 0, 54, H(r)}, 10, kWhite, true);
         }},
        {"slider-track",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kGraphite, kInk);
             r.roundedBox({16, H(r) / 2 - 3, W(r) - 32, 6}, 3, kSteel);
             for (int i = 0; i <= 10; ++i)
                 r.fillBox({16 + i * (W(r) - 32) / 10, H(r) / 2 + 8, 1, 6}, kWhite.withAlpha(0.3f));
         }},
        {"slider-knob",
         [](Raster& r, const Entry&) {
             r.roundedBoxGradient({4, 5, W(r) - 8, H(r) - 10}, (H(r) - 10) / 2, kPaper,
                                  RGBA::hex(0xb9bcc4));
             for (int i = -1; i <= 1; ++i)
                 r.fillBox({W(r) / 2 + i * 6.0f, 14, 1.5f, H(r) - 28}, kSteel);
         }},
        {"slider-mask",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kWhite.withAlpha(0.35f), kWhite.withAlpha(0.05f));
         }},
        {"hint-tap",
         [](Raster& r, const Entry&) {
             r.ring(W(r) / 2, 12, 8, 1.5f, kAccent);
             hand(r, W(r) / 2, 24, 20, kWhite);
         }},
        {"hint-lr",
         [](Raster& r, const Entry&) {
             arrowGlyph(r, W(r) / 2 - 10, H(r) / 2, 16, 1, kWhite);
             arrowGlyph(r, W(r) / 2 + 10, H(r) / 2, 16, 0, kWhite);
         }},
        {"hint-ud",
         [](Raster& r, const Entry&) {
             arrowGlyph(r, W(r) / 2, H(r) / 2 - 9, 16, 2, kWhite);
             arrowGlyph(r, W(r) / 2, H(r) / 2 + 9, 16, 3, kWhite);
         }},
        {"hint-multi",
         [](Raster& r, const Entry&) {
             hand(r, W(r) / 2 - 8, 22, 16, kWhite);
             hand(r, W(r) / 2 + 8, 22, 16, kWhite.withAlpha(0.7f));
         }},
        {"hint-shake",
         [](Raster& r, const Entry&) {
             r.roundedBox({W(r) / 2 - 8, 6, 16, 28}, 3, kWhite);
             r.fillBox({W(r) / 2 - 6, 9, 12, 20}, kInk);
             for (int s = -1; s <= 1; s += 2) {
                 r.line(W(r) / 2 + s * 13, 12, W(r) / 2 + s * 17, 20, 1.3f, kAccent);
                 r.line(W(r) / 2 + s * 17, 20, W(r) / 2 + s * 13, 28, 1.3f, kAccent);
             }
         }},
        {"hint-switch",
         [](Raster& r, const Entry&) {
             r.roundedBox({6, H(r) / 2 - 3, W(r) - 12, 6}, 3, kSteel);
             r.roundedBox({W(r) / 2 - 7, H(r) / 2 - 9, 14, 18}, 4, kWhite);
         }},
        {"hint-question",
         [](Raster& r, const Entry&) {
             r.circle(W(r) / 2, H(r) / 2, 15, kAccent);
             r.text("?", {0, 0, W(r), H(r)}, 22, kWhite, true);
         }},
        {"tutorial",
         [](Raster& r, const Entry&) {
             r.fill(kInk.withAlpha(0.55f));
             // Each row of gestures stands just above its captions (laid at 68, 196 and 303 in
             // this picture by the help page).
             const float rowCentre[] = {38, 166, 273};
             for (int row = 0; row < 3; ++row)
                 for (int col = 0; col < 3; ++col) {
                     float cx = col * 107 + 53, cy = rowCentre[row];
                     r.circle(cx, cy, 26,
                              kAccent.mix(kCyan, (row * 3 + col) / 8.0f).withAlpha(0.85f));
                     r.ring(cx, cy, 26, 1.5f, kWhite.withAlpha(0.7f));
                     arrowGlyph(r, cx, cy, 22, (row * 3 + col) % 4, kWhite);
                 }
         }},
        {"store",
         [](Raster& r, const Entry& e) {
             r.roundedBox({8, 11, W(r) - 16, H(r) - 22}, 5, kCyan.withAlpha(0.9f));
             r.text(e.text, {8, 11, W(r) - 16, H(r) - 22}, 11, kInk, true);
         }},
        {"play",
         [](Raster& r, const Entry&) {
             roundButton(r, kAccent);
             playTriangle(r, W(r) / 2 + 1, H(r) / 2, std::min(W(r), H(r)) * 0.36f, kWhite);
         }},
        {"pause",
         [](Raster& r, const Entry&) {
             roundButton(r, kCyan.mix(kInk, 0.2f));
             pauseBars(r, W(r) / 2, H(r) / 2, std::min(W(r), H(r)) * 0.34f, kWhite);
         }},
        {"cover",
         [](Raster& r, const Entry& e) {
             r.verticalGradient(all(r), kSteel, kInk);
             r.circle(W(r) / 2, H(r) * 0.45f, W(r) * 0.34f, kInk);
             for (int k = 1; k < 8; ++k)
                 r.ring(W(r) / 2, H(r) * 0.45f, W(r) * 0.04f * k + 6, 0.5f,
                        kWhite.withAlpha(0.15f));
             r.circle(W(r) / 2, H(r) * 0.45f, W(r) * 0.08f, kAccent);
             r.text(e.text, {6, H(r) * 0.8f, W(r) - 12, H(r) * 0.16f}, 13, kWhite, true);
         }},
        {"tab-text",
         [](Raster& r, const Entry& e) {
             r.text(e.text, all(r), H(r) * 0.55f, kWhite.withAlpha(0.85f), true);
         }},
        {"tab-text-on",
         [](Raster& r, const Entry& e) { r.text(e.text, all(r), H(r) * 0.55f, kInk, true); }},
        {"back",
         [](Raster& r, const Entry& e) {
             r.roundedBox({2, 2, W(r) - 4, H(r) - 4}, (H(r) - 4) / 2, kWhite.withAlpha(0.16f));
             r.polygon({{14, H(r) / 2}, {22, H(r) / 2 - 6}, {22, H(r) / 2 + 6}}, kWhite);
             r.text(e.text, {26, 2, W(r) - 32, H(r) - 4}, 13, kWhite, true);
         }},
        {"video-thumb",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kSteel, kInk);
             r.circle(W(r) / 2, H(r) / 2, W(r) * 0.26f, kWhite.withAlpha(0.85f));
             playTriangle(r, W(r) / 2 + 2, H(r) / 2, W(r) * 0.24f, kAccent);
         }},
        {"box-radio",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, RGBA::hex(0x7b3fe4), [](Raster& r, float cx, float cy, float s) {
                 r.roundedBox({cx - s * 0.15f, cy - s * 0.5f, s * 0.3f, s * 0.6f}, s * 0.15f,
                              kWhite);
                 r.ring(cx, cy - s * 0.05f, s * 0.32f, 2, kWhite);
                 r.fillBox({cx - s * 0.4f, cy - s * 0.5f, s * 0.8f, s * 0.45f}, kClear);
                 r.fillBox({cx - 1, cy + s * 0.27f, 2, s * 0.2f}, kWhite);
             });
         }},
        {"box-camera",
         [](Raster& r, const Entry& e) {
             homeBox(r, e.text, kAccent,
                     [](Raster& r, float cx, float cy, float s) { camera(r, cx, cy, s, kWhite); });
         }},
        // The hub's artist marker: the next concert lies just right of its tip.
        {"marker",
         [](Raster& r, const Entry& e) {
             r.roundedBox({2, 8, W(r) - 18, H(r) - 16}, 10, kAccent);
             r.polygon({{W(r) - 17, H(r) / 2 - 9}, {W(r) - 2, H(r) / 2}, {W(r) - 17, H(r) / 2 + 9}},
                       kAccent);
             r.text(e.text, {8, 8, W(r) - 30, H(r) - 16}, 14, kWhite, true);
         }},
        {"bar",
         [](Raster& r, const Entry&) {
             r.roundedBox({0, 2, W(r), H(r) - 4}, (H(r) - 4) / 2, kSteel);
         }},
        {"caption", [](Raster& r, const Entry& e) { r.text(e.text, all(r), 13, kWhite, true); }},
        {"arrow",
         [](Raster& r, const Entry&) {
             arrowGlyph(r, W(r) / 2, H(r) / 2, std::min(W(r), H(r)) * 0.6f, 0, kWhite);
         }},
        {"section",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kSteel.withAlpha(0.95f), kGraphite.withAlpha(0.95f));
             r.fillBox({0, 0, 4, H(r)}, kAccent);
         }},
        {"comments",
         [](Raster& r, const Entry&) {
             r.roundedBox({6, 8, W(r) - 12, H(r) - 22}, 8, kWhite.withAlpha(0.9f));
             r.polygon({{14, H(r) - 15}, {14, H(r) - 6}, {24, H(r) - 15}}, kWhite.withAlpha(0.9f));
             for (int i = 0; i < 3; ++i)
                 r.circle(W(r) / 2 - 9 + i * 9.0f, H(r) / 2 - 3, 2.5f, kInk);
         }},
        {"camera",
         [](Raster& r, const Entry&) {
             r.roundedBox({1, 1, W(r) - 2, H(r) - 2}, 6, kSteel);
             r.roundedBoxStroke({1.5f, 1.5f, W(r) - 3, H(r) - 3}, 6, 1, kWhite.withAlpha(0.4f));
             camera(r, W(r) / 2, H(r) / 2, W(r) * 0.6f, kWhite.withAlpha(0.8f));
         }},
        {"send",
         [](Raster& r, const Entry& e) {
             r.roundedBox({0, 2, W(r) + 10, H(r) - 4}, 6, kAccent);
             r.text(e.text, {6, 2, W(r) - 12, H(r) - 4}, 15, kWhite, true);
         }},
        {"event-bubble",
         [](Raster& r, const Entry&) {
             r.roundedBox({8, 4, W(r) - 16, H(r) - 8}, 14, kInk.withAlpha(0.92f));
             r.roundedBoxStroke({8.5f, 4.5f, W(r) - 17, H(r) - 9}, 14, 1, kAccent.withAlpha(0.8f));
         }},
        {"chevron-left",
         [](Raster& r, const Entry&) {
             r.polygon({{W(r) - 2, 1}, {2, H(r) / 2}, {W(r) - 2, H(r) - 1}}, kWhite);
         }},
        {"chevron-right",
         [](Raster& r, const Entry&) {
             r.polygon({{2, 1}, {W(r) - 2, H(r) / 2}, {2, H(r) - 1}}, kWhite);
         }},
        {"close",
         [](Raster& r, const Entry&) {
             roundButton(r, kInk.withAlpha(0.8f));
             r.line(W(r) * 0.35f, H(r) * 0.35f, W(r) * 0.65f, H(r) * 0.65f, 2.5f, kWhite);
             r.line(W(r) * 0.65f, H(r) * 0.35f, W(r) * 0.35f, H(r) * 0.65f, 2.5f, kWhite);
         }},
        {"member-bubble",
         [](Raster& r, const Entry& e) {
             RGBA c = memberColor(e.text);
             r.roundedBox({2, 3, W(r) - 4, H(r) - 10}, 14, c.mix(kInk, 0.25f).withAlpha(0.95f));
             r.circle(27, 20, 14, kWhite.withAlpha(0.9f));
             r.text(e.text == "m" ? "♂" : e.text == "f" ? "♀" : "•", {13, 6, 28, 28}, 16, c, true);
         }},
        {"geoloc",
         [](Raster& r, const Entry&) {
             r.roundedBox({2, 2, W(r) - 4, H(r) - 4}, 6, kWhite.withAlpha(0.14f));
             r.ring(W(r) / 2, H(r) / 2, 8, 2, kWhite);
             r.circle(W(r) / 2, H(r) / 2, 3, kCyan);
             r.fillBox({W(r) / 2 - 1, H(r) / 2 - 13, 2, 5}, kWhite);
             r.fillBox({W(r) / 2 - 1, H(r) / 2 + 8, 2, 5}, kWhite);
         }},
        {"pin-button",
         [](Raster& r, const Entry& e) {
             r.roundedBox({2, 2, W(r) - 4, H(r) - 4}, 6, kWhite.withAlpha(0.14f));
             r.circle(W(r) / 2, H(r) / 2 - 2, 8, e.text == "e" ? kAccent : memberColor("m"));
             r.polygon({{W(r) / 2 - 5, H(r) / 2 + 3},
                        {W(r) / 2, H(r) / 2 + 12},
                        {W(r) / 2 + 5, H(r) / 2 + 3}},
                       e.text == "e" ? kAccent : memberColor("m"));
         }},
        {"pin-button-on",
         [](Raster& r, const Entry& e) {
             r.roundedBox({2, 2, W(r) - 4, H(r) - 4}, 6, kAccent.withAlpha(0.9f));
             r.circle(W(r) / 2, H(r) / 2 - 2, 8, kWhite);
             r.polygon({{W(r) / 2 - 5, H(r) / 2 + 3},
                        {W(r) / 2, H(r) / 2 + 12},
                        {W(r) / 2 + 5, H(r) / 2 + 3}},
                       kWhite);
             (void)e;
         }},
        {"pin",
         [](Raster& r, const Entry& e) {
             if (e.text == "e")
                 pin(r, kAccent, "♪");
             else if (e.text == "z")
                 pin(r, kCyan.mix(kInk, 0.1f), "Z");
             else if (e.text == "me")
                 pin(r, RGBA::hex(0x1fae6a), "★");
             else
                 pin(r, memberColor(e.text), e.text == "m" ? "♂" : e.text == "f" ? "♀" : "•");
         }},
        {"mix-header",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), RGBA::hex(0x2b2e36), kInk);
             r.fillBox({0, H(r) - 2, W(r), 2}, kAccent);
             wordmark(r, {110, 12, 100, 24}, kWhite.withAlpha(0.9f));
         }},
        {"mix-footer",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kInk, RGBA::hex(0x2b2e36));
             r.fillBox({0, 0, W(r), 2}, kAccent);
         }},
        {"mix-side",
         [](Raster& r, const Entry&) {
             r.verticalGradient(all(r), kGraphite, kInk);
             for (int j = 0; j < 12; ++j)
                 r.fillBox({W(r) / 2 - 4, j * 34.0f + 15, 8, 4}, kWhite.withAlpha(0.15f));
         }},
        {"pad",
         [](Raster& r, const Entry&) {
             r.roundedBoxGradient({2, 2, W(r) - 4, H(r) - 4}, 5, kWhite.withAlpha(0.55f),
                                  kWhite.withAlpha(0.25f));
             r.roundedBoxStroke({2.5f, 2.5f, W(r) - 5, H(r) - 5}, 5, 1, kWhite.withAlpha(0.7f));
         }},
        {"lock-open",
         [](Raster& r, const Entry&) {
             r.roundedBox({W(r) / 2 - 7, 10, 14, 11}, 2, kWhite.withAlpha(0.7f));
             r.ring(W(r) / 2 + 5, 9, 5, 2, kWhite.withAlpha(0.7f));
             r.fillBox({W(r) / 2, 9, 12, 2}, kClear);
         }},
        {"lock-closed",
         [](Raster& r, const Entry&) {
             r.ring(W(r) / 2, 9, 5, 2, kAccent);
             r.roundedBox({W(r) / 2 - 7, 10, 14, 11}, 2, kAccent);
             r.circle(W(r) / 2, 15, 1.8f, kWhite);
         }},
        {"eq-strip",
         [](Raster& r, const Entry&) {
             for (int j = 0; j < 60; ++j) {
                 float level = 0.3f + 0.65f * std::fabs(std::sin(j * 0.7f));
                 r.fillBox({1, j * 8.0f + 1, (W(r) - 2) * level, 6},
                           kAccent.mix(kCyan, level).withAlpha(0.85f));
             }
         }},
        {"exit",
         [](Raster& r, const Entry& e) {
             r.roundedBox({1, 1, W(r) - 2, H(r) - 2}, (H(r) - 2) / 2, kAccent);
             r.text(e.text, {6, 1, W(r) - 12, H(r) - 2}, 13, kWhite, true);
         }},
        {"eq", [](Raster& r, const Entry& e) { equalizer(r, std::atoi(e.text.c_str())); }},
    };
    return table;
}

} // namespace

bool drawStyle(Raster& r, const Entry& entry) {
    auto it = painters().find(entry.style);
    if (it == painters().end()) return false;
    it->second(r, entry);
    return true;
}

} // namespace mkimages
