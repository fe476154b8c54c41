// Test helpers for the input and modal widgets: a canvas that records what is drawn, and
// single-finger taps and drags fed to a window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace uitest {

struct DrawnText {
    std::string text;
    ui::Color color;
    ui::Point origin;
    ui::Font font;
};

struct DrawnLine {
    ui::Point a, b;
    ui::Color color;
};

// Records text, lines and filled rectangles in window coordinates (translations only; views
// under rotation or scale are recorded untransformed), with fixed font metrics.
class RecordingCanvas final : public ui::Canvas {
  public:
    void save() override { stack_.push_back(offset_); }
    void restore() override {
        offset_ = stack_.back();
        stack_.pop_back();
    }
    void concat(const ui::Transform& t) override { offset_ = offset_ + ui::Point{t.tx, t.ty}; }
    void clipTo(const ui::Rect&) override {}
    void multiplyAlpha(float) override {}
    void fillRect(const ui::Rect& r, const ui::Color& c) override {
        fills.push_back({r.offsetBy(offset_.x, offset_.y), c});
    }
    void strokeRect(const ui::Rect&, const ui::Color&, float) override {}
    void fillEllipse(const ui::Rect&, const ui::Color&) override {}
    void drawLine(ui::Point a, ui::Point b, const ui::Color& c, float) override {
        lines.push_back({a + offset_, b + offset_, c});
    }
    void drawImage(const ui::Image&, const ui::Rect&, const ui::Rect&, const ui::Color&) override {}
    void drawText(std::string_view utf8, const ui::Font& font, const ui::Color& color,
                  ui::Point origin) override {
        texts.push_back({std::string(utf8), color, origin + offset_, font});
    }
    const ui::FontMetrics& metrics() const override { return metrics_; }

    struct Fill {
        ui::Rect rect;
        ui::Color color;
    };
    std::vector<DrawnText> texts;
    std::vector<DrawnLine> lines;
    std::vector<Fill> fills;

    bool drewText(const std::string& s) const {
        for (const auto& t : texts)
            if (t.text == s) return true;
        return false;
    }

  private:
    ui::FixedFontMetrics metrics_;
    ui::Point offset_;
    std::vector<ui::Point> stack_;
};

// What the window draws right now.
inline RecordingCanvas renderOf(ui::Window& window) {
    RecordingCanvas canvas;
    window.renderWindow(canvas);
    return canvas;
}

inline void tap(ui::Window& window, ui::Point p) {
    window.handleTouch(0, ui::TouchPhase::Began, p);
    window.handleTouch(0, ui::TouchPhase::Ended, p);
}

// A tap at the centre of `view`, in window coordinates.
inline void tap(ui::Window& window, const ui::View& view) {
    tap(window, view.convertPointToView(view.bounds().center(), nullptr));
}

inline void drag(ui::Window& window, ui::Point from, ui::Point to, int steps = 8) {
    window.handleTouch(0, ui::TouchPhase::Began, from);
    for (int i = 1; i <= steps; ++i) {
        float f = static_cast<float>(i) / steps;
        window.handleTouch(0, ui::TouchPhase::Moved,
                           {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
    }
    window.handleTouch(0, ui::TouchPhase::Ended, to);
}

inline std::shared_ptr<ui::Window> makeWindow() {
    auto window = std::make_shared<ui::Window>();
    window->setMetrics(std::make_shared<ui::FixedFontMetrics>());
    return window;
}

} // namespace uitest
