// WebView: loads a page over HTTP and shows its text (title, paragraphs, line breaks),
// scrolled vertically by dragging. The page's first <video> element plays in a box among the
// lines (WebVideo): its first picture before it plays, a tap on the box plays or pauses it; the
// clip stops when another page loads, loading stops or the view goes away.
//
// Delegate order for one load: webViewDidStartLoad, then exactly one of webViewDidFinishLoad
// or didFailLoadWithError — the HTTP status as the code for a page answered with 400 or more,
// the URL loading code (negative) otherwise. stopLoading() and a new load end the current one
// silently. Threads: interface thread only; the delegate runs there, from its run loop.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/http_connection.h"
#include "platform/ui/font.h"
#include "platform/ui/view.h"
#include "platform/ui/web_page_text.h"
#include "platform/ui/web_video.h"

namespace ui {

class WebView;

// Not owned: clear it, or destroy the view, before the delegate dies.
class WebViewDelegate {
  public:
    virtual ~WebViewDelegate() = default;
    virtual void webViewDidStartLoad(WebView&) {}
    virtual void webViewDidFinishLoad(WebView&) {}
    virtual void didFailLoadWithError(WebView&, const zplatform::HttpError&) {}
};

class WebView : public View {
  public:
    explicit WebView(const Rect& frame = {});
    ~WebView() override;

    void setDelegate(WebViewDelegate* delegate) { delegate_ = delegate; }
    WebViewDelegate* delegate() const { return delegate_; }

    void loadRequest(const std::string& url);
    // Shows the page as if loaded (the start and finish notices come from the run loop).
    void loadHTMLString(const std::string& html, const std::string& baseURL = {});
    void stopLoading();
    bool isLoading() const { return loading_; }

    // The address of the page shown or loading (after redirects once answered).
    const std::string& url() const { return url_; }
    const std::string& pageTitle() const { return page_.title; }
    // The page's text, lines joined by line feeds.
    std::string pageText() const { return page_.text(); }

    const Font& font() const { return font_; }
    void setFont(const Font& font);
    float contentOffsetY() const { return offsetY_; }
    // Clamped to the content.
    void setContentOffsetY(float y);
    float contentHeight() const;
    // Bodies beyond this size are cut (bytes).
    static constexpr size_t kMaxPageBytes = 8 << 20;

    // The page's video, null when it has none.
    WebVideo* video() const { return video_.get(); }
    // The video's box in this view's coordinates (empty without a video).
    Rect videoRect() const;

    void setFrame(const Rect& frame) override;
    void draw(Canvas& canvas) const override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void didMoveToWindow() override;
    std::string displayedText() const override { return pageText(); }
    std::string_view className() const override { return "WebView"; }

  private:
    class Loader;
    friend class Loader;
    void showPage(WebPageText page);
    void showVideo(std::string_view html, const std::string& baseURL);
    void relayout();
    void deliverStart();
    void loadFinished(const zplatform::HttpResponse& response, std::string body);
    void loadFailed(const zplatform::HttpError& error);

    WebViewDelegate* delegate_ = nullptr;
    std::unique_ptr<Loader> loader_;
    std::shared_ptr<int> generation_; // replaced by every load and stop
    bool loading_ = false;
    bool startDelivered_ = false;
    std::string url_;
    WebPageText page_;
    Font font_ = Font::named("Helvetica", 14);
    struct Line {
        std::string text;
        bool title = false;
        float height = 0; // the video's box: its height, no text
    };
    float lineHeight(const FontMetrics& metrics, const Line& line) const;
    void drawVideo(Canvas& canvas, float y) const;
    Size videoBoxSize() const;
    std::unique_ptr<WebVideo> video_;
    std::optional<VideoElement> videoElement_;
    Point touchStart_;
    std::vector<Line> layout_;
    float layoutWidth_ = -1;
    float offsetY_ = 0;
    bool dragging_ = false;
};

} // namespace ui
