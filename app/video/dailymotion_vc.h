// DailymotionVC: the video page — a video's web page under the application's header, with a
// close button and a spinner while the page loads. It slides up over the screen and is kept for
// the next video.
//
// Owned by the application delegate; interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/web_view.h"

namespace ui {
class ActivityIndicatorView;
class Label;
} // namespace ui

namespace zephrun {

class ZephrunAppDelegate;

class DailymotionVC : private ui::WebViewDelegate {
  public:
    explicit DailymotionVC(ZephrunAppDelegate& appDelegate);
    ~DailymotionVC() override;

    ui::View& view() { return *view_; }
    ui::WebView& webView() { return *d_wv; }
    // Called (on the interface thread) when the page is closed.
    void setTarget(std::function<void()> onClose) { onClose_ = std::move(onClose); }
    // Loads the address, without its blanks, line feeds, tabs and carriage returns.
    void loadDailymotion(const std::string& address);
    void hideDaily();
    bool isSpinning() const;

  private:
    void webViewDidStartLoad(ui::WebView&) override;
    void webViewDidFinishLoad(ui::WebView&) override;
    void didFailLoadWithError(ui::WebView&, const zplatform::HttpError& error) override;

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::View> view_;
    std::shared_ptr<ui::WebView> d_wv;
    std::shared_ptr<ui::ActivityIndicatorView> d_loading;
    std::shared_ptr<ui::Label> closeLabel_;
    std::function<void()> onClose_;
};

} // namespace zephrun
