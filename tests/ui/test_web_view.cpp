// Web view: load notices in order against a loopback server (page, 404, no server, stop),
// the page's text extraction, and scrolling.
#include "platform/ui/web_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "loopback_http.h"
#include "loopback_socket.h"
#include "platform/run_loop.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/web_page_text.h"

using namespace ui;

namespace {

const char* kPage = R"(<!DOCTYPE html>
<html><head><title>Zephrun &amp; friends</title>
<style>body { color: red; } p > a { }</style>
<script>if (a < b && c > d) { document.write("<p>hidden</p>"); }</script>
</head><body>
<h1>Tour   dates</h1>
<p>Paris,
   Olympia &ndash; 12&nbsp;mai</p><!-- <p>commented out</p> -->
<p>Caf&eacute; &#233;t&#xE9; &#x1F3B8; &bogus; AT&T</p>
<div>one<br>two<br/>three</div>
<a href="x.html" title="a > b">link</a>
</body></html>)";

class PageServer {
  public:
    PageServer() {
        server_.Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kPage, "text/html; charset=utf-8");
        });
        server_.Get("/latin", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>caf\xe9</p>", "text/html; charset=ISO-8859-1");
        });
        server_.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("line <one>\r\nline two", "text/plain");
        });
        server_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<p>not here</p>", "text/html");
        });
        server_.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/page");
        });
        server_.start();
    }
    std::string url(const std::string& path) const { return server_.url(path); }

  private:
    ts::LoopbackHttpServer server_;
};

struct Recorder : WebViewDelegate {
    std::vector<std::string> events;
    int lastCode = 0;
    std::string lastDescription;
    bool stopOnStart = false;
    void webViewDidStartLoad(WebView& w) override {
        events.push_back("start");
        if (stopOnStart) w.stopLoading();
    }
    void webViewDidFinishLoad(WebView&) override { events.push_back("finish"); }
    void didFailLoadWithError(WebView&, const zplatform::HttpError& e) override {
        events.push_back("fail");
        lastCode = e.code;
        lastDescription = e.description;
    }
};

class WebViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        web = std::make_shared<WebView>(Rect{0, 62, 320, 398});
        driver.window().addSubview(web);
        web->setDelegate(&recorder);
    }
    void TearDown() override { web->setDelegate(nullptr); }
    bool waitForEnd() {
        return zplatform::RunLoop::current().runUntil([&] { return !web->isLoading(); }, 10);
    }

    PageServer server;
    TestDriver driver;
    std::shared_ptr<WebView> web;
    Recorder recorder;
};

} // namespace

TEST_F(WebViewTest, APageStartsThenFinishesAndShowsItsText) {
    web->loadRequest(server.url("/moved"));
    EXPECT_TRUE(web->isLoading());
    EXPECT_TRUE(recorder.events.empty()); // never from inside loadRequest
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start", "finish"}));
    EXPECT_EQ(web->url(), server.url("/page"));
    EXPECT_EQ(web->pageTitle(), "Zephrun & friends");
    std::string text = web->pageText();
    EXPECT_NE(text.find("Tour dates"), std::string::npos);
    EXPECT_NE(text.find("Paris, Olympia \u2013 12\u00a0mai"), std::string::npos);
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_EQ(text.find("commented"), std::string::npos);
    EXPECT_EQ(text.find("color"), std::string::npos);
    EXPECT_EQ(web->displayedText(), text);

    // Latin-1 pages and plain text.
    recorder.events.clear();
    web->loadRequest(server.url("/latin"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(web->pageText(), "caf\u00e9");
    web->loadRequest(server.url("/plain"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(web->pageText(), "line <one>\nline two");
}

TEST_F(WebViewTest, FailuresCarryTheStatusOrTheConnectionError) {
    web->loadRequest(server.url("/missing"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start", "fail"}));
    EXPECT_EQ(recorder.lastCode, 404);
    EXPECT_EQ(recorder.lastDescription, "Not Found");
    EXPECT_EQ(web->pageText().find("not here"), std::string::npos);

    // Nobody listening: a negative URL loading code.
    recorder.events.clear();
    web->loadRequest("http://127.0.0.1:" + std::to_string(ts::closedLoopbackPort()) + "/");
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start", "fail"}));
    EXPECT_LT(recorder.lastCode, 0);
}

TEST_F(WebViewTest, StoppingOrReplacingALoadEndsItSilently) {
    web->loadRequest(server.url("/page"));
    web->stopLoading();
    EXPECT_FALSE(web->isLoading());
    zplatform::RunLoop::current().runFor(0.3);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(web->pageText().empty());

    // A new load replaces the one under way: one start, one finish, the second page.
    web->loadRequest(server.url("/missing"));
    web->loadRequest(server.url("/latin"));
    ASSERT_TRUE(waitForEnd());
    zplatform::RunLoop::current().runFor(0.2);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start", "finish"}));
    EXPECT_EQ(web->pageText(), "caf\u00e9");

    // A delegate stopping from its start notice gets nothing more.
    recorder.events.clear();
    recorder.stopOnStart = true;
    web->loadRequest(server.url("/page"));
    zplatform::RunLoop::current().runFor(0.3);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start"}));

    // Loaded from a string: the same notices, from the run loop.
    recorder.events.clear();
    recorder.stopOnStart = false;
    web->loadHTMLString("<title>T</title><p>x</p>");
    EXPECT_EQ(web->pageText(), "x");
    EXPECT_TRUE(recorder.events.empty());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start", "finish"}));
}

TEST_F(WebViewTest, LongPagesScrollWithinTheirContent) {
    std::string html;
    for (int i = 0; i < 80; ++i) html += "<p>Paragraph " + std::to_string(i) + "</p>";
    web->loadHTMLString(html);
    ASSERT_GT(web->contentHeight(), 398);
    driver.drag({160, 400}, {160, 200});
    EXPECT_NEAR(web->contentOffsetY(), 200, 1);
    driver.drag({160, 100}, {160, 470});
    EXPECT_EQ(web->contentOffsetY(), 0);
    web->setContentOffsetY(1e6);
    EXPECT_NEAR(web->contentOffsetY(), web->contentHeight() - 398, 0.01);
}

TEST(WebPageText, BlocksBreaksAndReferences) {
    WebPageText page = htmlToText(kPage);
    EXPECT_EQ(page.title, "Zephrun & friends");
    std::vector<std::string> expected = {"Tour dates",
                                         "",
                                         "Paris, Olympia \u2013 12\u00a0mai",
                                         "",
                                         "Caf\u00e9 \u00e9t\u00e9 \U0001F3B8 &bogus; AT&T",
                                         "",
                                         "one",
                                         "two",
                                         "three",
                                         "",
                                         "link"};
    EXPECT_EQ(page.lines, expected);

    EXPECT_EQ(decodeHtmlEntities("&lt;b&gt; &quot;x&quot; &#39;y&#39; &amp;amp;"),
              "<b> \"x\" 'y' &amp;");
    // Broken references stay as written; impossible code points become U+FFFD.
    EXPECT_EQ(decodeHtmlEntities("&#; &#xZZ; & &amp"), "&#; &#xZZ; & &amp");
    EXPECT_EQ(decodeHtmlEntities("&#0;&#xD800;&#x110000;"), "\uFFFD\uFFFD\uFFFD");
    // Unclosed script, comment and tag swallow the rest without running off the end.
    EXPECT_TRUE(htmlToText("<p>a</p><script>x").text() == "a");
    EXPECT_EQ(htmlToText("a<!-- b").text(), "a");
    EXPECT_EQ(htmlToText("a<p class=\"x").text(), "a");
    EXPECT_EQ(htmlToText("1 < 2 <3").text(), "1 < 2 <3");
    EXPECT_EQ(htmlToText("<td>a</td><td>b</td>").text(), "a b");
    EXPECT_EQ(latin1ToUtf8("\xe9t\xe9"), "\u00e9t\u00e9");
}
