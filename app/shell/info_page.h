// The information page: the legal notice of the current language in a web view, under the
// page's title, with the close button of the bottom bar. Built on first opening and kept; the
// loading overlay shows until the page has loaded. A page that fails to load is dropped, so the
// next opening loads it again.
//
// Owned by the application delegate; interface thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/web_view.h"

namespace zephrun {

class ZephrunAppDelegate;

class InfoPage : private ui::WebViewDelegate {
  public:
    static constexpr int kWebViewTag = 3;

    InfoPage(ZephrunAppDelegate& appDelegate, const std::string& url);
    ~InfoPage() override;

    ui::View* view() const { return view_.get(); }
    bool hasFailed() const { return failed_; }

  private:
    void webViewDidFinishLoad(ui::WebView& webView) override;
    void didFailLoadWithError(ui::WebView& webView, const zplatform::HttpError& error) override;

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::View> view_;
    std::shared_ptr<ui::WebView> web_;
    bool failed_ = false;
};

} // namespace zephrun
