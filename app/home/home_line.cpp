#include "app/home/home_line.h"

#include "app/shell/zephrun_app_delegate.h"
#include "feeds/news.h"
#include "feeds/text_width.h"
#include "feeds/twitter.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"

namespace zephrun {

namespace {
constexpr int kMaxStripWidth = 349;

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}
} // namespace

std::string stripText(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        if (textWidthEstimate(characters(text)) > kMaxStripWidth) break;
        text += item + " // ";
    }
    return text;
}

HomeLine::HomeLine(const ui::Rect& frame, const char* image) : ui::View(frame) {
    auto band = std::make_shared<ui::View>(ui::Rect(0, 0, frame.width(), frame.height()));
    band->setBackgroundColor(ui::Color::black());
    band->setAlpha(0.9f);
    addSubview(band);
    currentTexte_ = std::make_shared<ui::Label>(ui::Rect(60, 0, 320, frame.height()));
    currentTexte_->setTextColor(ui::Color::white());
    currentTexte_->setFont(ui::Font::named("Trebuchet MS", 12));
    currentTexte_->setTextAlignment(ui::TextAlignment::Center);
    addSubview(currentTexte_);
    auto picture = std::make_shared<ui::ImageView>(ui::imageNamed(image));
    picture->setFrame({0, 0, frame.width(), frame.height()});
    addSubview(picture);
    setUserInteractionEnabled(false);
}

void HomeLine::showStatic(const std::vector<std::string>& items) {
    currentTexte_->setText(stripText(items));
    currentTexte_->setFrame({60, 0, 320, frame().height()});
}

const std::string& HomeLine::text() const { return currentTexte_->text(); }

HomeLineNews::HomeLineNews(ZephrunAppDelegate& appDelegate)
    : HomeLine({0, 403, 320, 16}, "home-flux-news-bkg.png") {
    std::vector<std::string> titles;
    for (const auto& item : appDelegate.myNews().listNews()) titles.push_back(item->tTitle);
    showStatic(titles);
}

HomeLineTwitter::HomeLineTwitter(ZephrunAppDelegate& appDelegate)
    : HomeLine({0, 423, 320, 16}, "home-flux-twitter-bkg.png") {
    std::vector<std::string> tweets;
    for (const auto& item : appDelegate.myTwitter().listTwitter()) tweets.push_back(item->tTexte);
    showStatic(tweets);
}

} // namespace zephrun
