// The web view: page loading over HTTP, text layout, vertical scrolling.
#include "platform/ui/web_view.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/run_loop.h"
#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace ui {
namespace {

constexpr float kMargin = 8;

std::string reasonPhrase(long status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 410:
        return "Gone";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "HTTP error " + std::to_string(status);
    }
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Breaks one line between words to fit `width` (a word wider than the line stays whole).
std::vector<std::string> wrapWords(const FontMetrics& metrics, const Font& font,
                                   const std::string& line, float width) {
    std::vector<std::string> out;
    std::string current;
    size_t i = 0;
    while (i < line.size()) {
        size_t end = line.find(' ', i);
        if (end == std::string::npos) end = line.size();
        std::string word = line.substr(i, end - i);
        std::string candidate = current.empty() ? word : current + " " + word;
        if (!current.empty() && metrics.width(font, candidate) > width) {
            out.push_back(std::move(current));
            current = std::move(word);
        } else {
            current = std::move(candidate);
        }
        i = end + 1;
    }
    out.push_back(std::move(current));
    return out;
}

} // namespace

class WebView::Loader : public zplatform::HttpConnectionDelegate {
  public:
    Loader(WebView& view, const std::string& url) : view_(view) {
        zplatform::HttpRequest request;
        request.url = url;
        request.method = "GET";
        request.timeoutInterval = 60;
        connection_ = std::make_unique<zplatform::HttpConnection>(std::move(request), *this);
    }
    void cancel() {
        if (connection_) connection_->cancel();
    }

    void didReceiveResponse(zplatform::HttpConnection&, const zplatform::HttpResponse& r) override {
        response_ = r;
    }
    void didReceiveData(zplatform::HttpConnection&, std::string_view data) override {
        if (body_.size() < kMaxPageBytes) {
            body_.append(data.substr(0, kMaxPageBytes - body_.size()));
        }
    }
    void connectionDidFinishLoading(zplatform::HttpConnection&) override {
        view_.loadFinished(response_, std::move(body_));
    }
    void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError& e) override {
        view_.loadFailed(e);
    }

  private:
    WebView& view_;
    std::unique_ptr<zplatform::HttpConnection> connection_;
    zplatform::HttpResponse response_;
    std::string body_;
};

WebView::WebView(const Rect& frame) : View(frame), generation_(std::make_shared<int>(0)) {
    setClipsToBounds(true);
    setBackgroundColor(Color::white());
}

WebView::~WebView() {
    if (loader_) loader_->cancel();
}

void WebView::loadRequest(const std::string& url) {
    stopLoading();
    url_ = url;
    loading_ = true;
    startDelivered_ = false;
    std::weak_ptr<int> generation = generation_;
    zplatform::RunLoop::current().post([this, generation] {
        if (!generation.expired()) deliverStart();
    });
    loader_ = std::make_unique<Loader>(*this, url);
}

void WebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
    stopLoading();
    url_ = baseURL;
    loading_ = true;
    startDelivered_ = false;
    showPage(htmlToText(html));
    showVideo(html, baseURL);
    std::weak_ptr<int> generation = generation_;
    zplatform::RunLoop::current().post([this, generation] {
        if (generation.expired()) return;
        deliverStart();
        if (generation.expired()) return; // stopped by the delegate
        loading_ = false;
        generation_ = std::make_shared<int>(0);
        if (delegate_) delegate_->webViewDidFinishLoad(*this);
    });
}

void WebView::stopLoading() {
    generation_ = std::make_shared<int>(0);
    video_.reset();
    if (loader_) {
        loader_->cancel();
        // The loader may be on the stack (a delegate stopping from its callback).
        std::shared_ptr<Loader> dying(loader_.release());
        zplatform::RunLoop::current().post([dying] {});
    }
    loading_ = false;
}

void WebView::deliverStart() {
    if (startDelivered_) return;
    startDelivered_ = true;
    if (delegate_) delegate_->webViewDidStartLoad(*this);
}

void WebView::loadFinished(const zplatform::HttpResponse& response, std::string body) {
    std::weak_ptr<int> generation = generation_;
    deliverStart();
    if (generation.expired()) return;
    if (response.statusCode >= 400) {
        zplatform::HttpError error;
        error.code = static_cast<int>(response.statusCode);
        error.description = reasonPhrase(response.statusCode);
        loadFailed(error);
        return;
    }
    stopLoading();
    if (!response.url.empty()) url_ = response.url;
    std::string type = lower(response.header("Content-Type"));
    if (type.find("iso-8859-1") != std::string::npos ||
        type.find("windows-1252") != std::string::npos) {
        body = latin1ToUtf8(body);
    }
    if (type.rfind("text/plain", 0) == 0) {
        WebPageText page;
        size_t i = 0;
        while (i <= body.size()) {
            size_t end = body.find('\n', i);
            if (end == std::string::npos) end = body.size();
            std::string line = body.substr(i, end - i);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            page.lines.push_back(std::move(line));
            i = end + 1;
        }
        showPage(std::move(page));
    } else {
        showPage(htmlToText(body));
        showVideo(body, url_);
    }
    if (delegate_) delegate_->webViewDidFinishLoad(*this);
}

void WebView::loadFailed(const zplatform::HttpError& error) {
    std::weak_ptr<int> generation = generation_;
    deliverStart();
    if (generation.expired()) return;
    stopLoading();
    if (delegate_) delegate_->didFailLoadWithError(*this, error);
}

void WebView::showPage(WebPageText page) {
    video_.reset();
    videoElement_.reset();
    page_ = std::move(page);
    offsetY_ = 0;
    layoutWidth_ = -1;
    relayout();
    setNeedsDisplay();
}

void WebView::showVideo(std::string_view html, const std::string& baseURL) {
    videoElement_ = findVideoElement(html);
    if (!videoElement_) return;
    const std::string url = resolveURL(baseURL, videoElement_->src);
    std::weak_ptr<int> generation = generation_;
    // Called on the interface thread by the video; the box may change size with its first
    // picture.
    video_ = std::make_unique<WebVideo>(url, [this, generation] {
        if (generation.expired()) return;
        layoutWidth_ = -1;
        relayout();
        setNeedsDisplay();
    });
    layoutWidth_ = -1;
    relayout();
}

Size WebView::videoBoxSize() const {
    if (!videoElement_) return {};
    const Size picture = video_ ? video_->pictureSize() : Size{};
    float w = videoElement_->width, h = videoElement_->height;
    if (w <= 0 && h <= 0) {
        w = picture.width > 0 ? picture.width : 320;
        h = picture.width > 0 ? picture.height : 180;
    } else if (w <= 0) {
        w = picture.height > 0 ? h * picture.width / picture.height : h * 16 / 9;
    } else if (h <= 0) {
        h = picture.width > 0 ? w * picture.height / picture.width : w * 9 / 16;
    }
    const float room = std::max(0.0f, bounds().width() - 2 * kMargin);
    if (w > room && w > 0) {
        h = h * room / w;
        w = room;
    }
    return {w, h};
}

float WebView::lineHeight(const FontMetrics& metrics, const Line& line) const {
    if (line.height > 0) return line.height;
    Font titleFont{font_.family, font_.size * 1.3f, true};
    return metrics.lineHeight(line.title ? titleFont : font_);
}

Rect WebView::videoRect() const {
    if (!videoElement_) return {};
    FixedFontMetrics fixed;
    const FontMetrics& metrics = window() ? window()->metrics() : fixed;
    float y = bounds().minY() + kMargin - offsetY_;
    for (const auto& l : layout_) {
        if (l.height > 0) {
            const Size box = videoBoxSize();
            return {bounds().minX() + kMargin, y, box.width, box.height};
        }
        y += lineHeight(metrics, l);
    }
    return {};
}

void WebView::setFont(const Font& font) {
    font_ = font;
    layoutWidth_ = -1;
    relayout();
    setNeedsDisplay();
}

void WebView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    relayout();
}

void WebView::didMoveToWindow() {
    if (!window() && video_) video_->pause(); // off screen: not heard
    layoutWidth_ = -1;                        // the window's metrics may differ
    relayout();
}

void WebView::relayout() {
    float width = bounds().width() - 2 * kMargin;
    if (width == layoutWidth_) return;
    layoutWidth_ = width;
    FixedFontMetrics fixed;
    const FontMetrics& metrics = window() ? window()->metrics() : fixed;
    layout_.clear();
    Font titleFont{font_.family, font_.size * 1.3f, true};
    if (!page_.title.empty()) {
        for (auto& l : wrapWords(metrics, titleFont, page_.title, width)) {
            layout_.push_back({std::move(l), true});
        }
        layout_.push_back({"", false});
    }
    const size_t videoLine =
        videoElement_ ? std::min(videoElement_->line, page_.lines.size()) : SIZE_MAX;
    for (size_t i = 0; i <= page_.lines.size(); ++i) {
        if (i == videoLine) layout_.push_back({"", false, std::max(1.0f, videoBoxSize().height)});
        if (i == page_.lines.size()) break;
        for (auto& l : wrapWords(metrics, font_, page_.lines[i], width))
            layout_.push_back({std::move(l), false});
    }
    setContentOffsetY(offsetY_);
}

float WebView::contentHeight() const {
    Font titleFont{font_.family, font_.size * 1.3f, true};
    FixedFontMetrics fixed;
    const FontMetrics& metrics = window() ? window()->metrics() : fixed;
    float h = 2 * kMargin;
    for (const auto& l : layout_) h += lineHeight(metrics, l);
    return h;
}

void WebView::setContentOffsetY(float y) {
    float maxOffset = std::max(0.0f, contentHeight() - bounds().height());
    float clamped = std::clamp(y, 0.0f, maxOffset);
    if (clamped != offsetY_) setNeedsDisplay();
    offsetY_ = clamped;
}

void WebView::draw(Canvas& canvas) const {
    const FontMetrics& metrics = canvas.metrics();
    Font titleFont{font_.family, font_.size * 1.3f, true};
    Rect b = bounds();
    float y = b.minY() + kMargin - offsetY_;
    for (const auto& l : layout_) {
        const Font& f = l.title ? titleFont : font_;
        float h = lineHeight(metrics, l);
        if (l.height > 0 && y + h >= b.minY() && y <= b.maxY()) drawVideo(canvas, y);
        if (y + h >= b.minY() && y <= b.maxY() && !l.text.empty()) {
            canvas.drawText(l.text, f, Color::gray(0.1f), {b.minX() + kMargin, y});
        }
        y += h;
        if (y > b.maxY()) break;
    }
}

void WebView::drawVideo(Canvas& canvas, float y) const {
    // A clip that cannot play shows nothing.
    if (!video_ || video_->failed()) return;
    const Size box = videoBoxSize();
    const Rect r{bounds().minX() + kMargin, y, box.width, box.height};
    canvas.fillRect(r, Color::black());
    const Image& picture = video_->picture();
    if (picture) {
        // Scaled to fit the box, its aspect kept.
        const Size p = picture.size();
        const float scale = std::min(r.width() / p.width, r.height() / p.height);
        const float w = p.width * scale, h = p.height * scale;
        canvas.drawImage(picture, {0, 0, p.width, p.height},
                         {r.minX() + (r.width() - w) / 2, r.minY() + (r.height() - h) / 2, w, h});
    }
    if (!video_->isPlaying()) {
        // The play mark: a light disc in the middle.
        const float d = std::min({40.0f, r.width() / 2, r.height() / 2});
        canvas.fillEllipse({r.midX() - d / 2, r.midY() - d / 2, d, d}, Color::gray(1.0f, 0.6f));
    }
}

void WebView::touchesBegan(const TouchSet& touches, const Event&) {
    dragging_ = true;
    if (!touches.empty()) touchStart_ = touches.front()->locationInView(this);
}

void WebView::touchesMoved(const TouchSet& touches, const Event&) {
    if (!dragging_ || touches.empty()) return;
    const Touch* t = touches.front();
    float dy = t->locationInView(this).y - t->previousLocationInView(this).y;
    setContentOffsetY(offsetY_ - dy);
}

void WebView::touchesEnded(const TouchSet& touches, const Event&) {
    dragging_ = false;
    if (!video_ || touches.empty()) return;
    const Point p = touches.front()->locationInView(this);
    // A tap (not a drag) on the box plays or pauses the clip.
    if (std::abs(p.x - touchStart_.x) < 8 && std::abs(p.y - touchStart_.y) < 8 &&
        videoRect().contains(p))
        video_->toggle();
}

} // namespace ui
