// HomeLineNews and HomeLineTwitter: the home screen's two one-line strips, the latest news
// titles of the interface language and the latest tweets, joined by " // " up to about the
// strip's width. They are built once and do not scroll.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace ui {
class Label;
}

namespace zephrun {

class ZephrunAppDelegate;

// The text of a strip: each item followed by " // " while the estimated width of the text so
// far is at most 349 points.
std::string stripText(const std::vector<std::string>& items);

class HomeLine : public ui::View {
  public:
    // `frame` in the home view; `image` the strip's picture over the text.
    HomeLine(const ui::Rect& frame, const char* image);
    // Fills the label (`showStatic`).
    void showStatic(const std::vector<std::string>& items);
    const std::string& text() const;

  private:
    std::shared_ptr<ui::Label> currentTexte_;
};

class HomeLineNews : public HomeLine {
  public:
    explicit HomeLineNews(ZephrunAppDelegate& appDelegate);
    std::string_view className() const override { return "HomeLineNews"; }
};

class HomeLineTwitter : public HomeLine {
  public:
    explicit HomeLineTwitter(ZephrunAppDelegate& appDelegate);
    std::string_view className() const override { return "HomeLineTwitter"; }
};

} // namespace zephrun
