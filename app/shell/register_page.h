// The registration page: the member site's form in a web view, sliding in from the right, with
// a Cancel header. A page that fails to load is hidden and the failure alert shown.
//
// Owned by the application delegate; interface thread only.
#pragma once

#include <memory>

#include "platform/ui/web_view.h"

namespace zephrun {

class ZephrunAppDelegate;

class RegisterPage : private ui::WebViewDelegate {
  public:
    static constexpr int kWebViewTag = 1;
    static constexpr int kSpinnerTag = 2;

    explicit RegisterPage(ZephrunAppDelegate& appDelegate);
    ~RegisterPage() override;

    ui::View* view() const { return view_.get(); }
    void slideIn();
    // Slides out to x = 320, then removes the page from the window.
    void slideOut();

  private:
    void webViewDidFinishLoad(ui::WebView& webView) override;
    void didFailLoadWithError(ui::WebView& webView, const zplatform::HttpError& error) override;

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::View> view_;
    std::shared_ptr<ui::WebView> web_;
};

} // namespace zephrun
