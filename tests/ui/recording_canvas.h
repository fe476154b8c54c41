// A Canvas that records what is drawn, in window coordinates, for the toolkit's tests.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/canvas.h"

namespace uitest {

struct DrawnText {
    std::string text;
    ui::Font font;
    ui::Color color;
    ui::Point origin; // window coordinates
    float alpha;
};

struct DrawnImage {
    ui::Image image;
    ui::Rect source;
    ui::Rect dest; // window coordinates (bounding box)
    ui::Color tint;
};

struct FilledRect {
    ui::Rect rect; // window coordinates (bounding box)
    ui::Color color;
    float alpha;
};

class RecordingCanvas : public ui::Canvas {
  public:
    void save() override { stack_.push_back(state_); }
    void restore() override {
        if (stack_.empty()) return;
        state_ = stack_.back();
        stack_.pop_back();
    }
    void concat(const ui::Transform& t) override { state_.transform = t.concat(state_.transform); }
    void clipTo(const ui::Rect&) override {}
    void multiplyAlpha(float a) override { state_.alpha *= a; }
    void fillRect(const ui::Rect& r, const ui::Color& c) override {
        fills.push_back({box(r), c, state_.alpha});
    }
    void strokeRect(const ui::Rect&, const ui::Color&, float) override {}
    void fillEllipse(const ui::Rect&, const ui::Color&) override {}
    void drawLine(ui::Point, ui::Point, const ui::Color&, float) override {}
    void drawImage(const ui::Image& image, const ui::Rect& source, const ui::Rect& dest,
                   const ui::Color& tint) override {
        images.push_back({image, source, box(dest), tint});
    }
    void drawText(std::string_view utf8, const ui::Font& font, const ui::Color& color,
                  ui::Point origin) override {
        texts.push_back(
            {std::string(utf8), font, color, state_.transform.apply(origin), state_.alpha});
    }
    const ui::FontMetrics& metrics() const override { return metrics_; }

    std::vector<DrawnText> texts;
    std::vector<DrawnImage> images;
    std::vector<FilledRect> fills;

  private:
    ui::Rect box(const ui::Rect& r) const {
        const auto& t = state_.transform;
        ui::Point a = t.apply(r.origin), b = t.apply({r.maxX(), r.maxY()});
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
    }
    struct State {
        ui::Transform transform;
        float alpha = 1;
    };
    State state_;
    std::vector<State> stack_;
    ui::FixedFontMetrics metrics_;
};

} // namespace uitest
