// Video in the web view against a loopback server: a page's <video> clip (WebM, VP8 and Vorbis,
// made at build time with FFmpeg's encoders) shows its first picture, plays on a tap with its
// sound pulled by the output, pauses on a second tap, stops with the page; a bad clip shows
// nothing.
#include "platform/ui/web_view.h"

#include "../player/player_fixture.h"
#include "platform/ui/canvas.h"
#include "platform/ui/test_driver.h"

using namespace ui;

namespace {

class WebVideoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clip = pt::readFile(pt::dataFile("clip.webm"));
        ASSERT_FALSE(clip.empty());
        server.server().Get("/clips/clip.webm",
                            [this](const httplib::Request&, httplib::Response& res) {
                                res.set_content(clip, "video/webm");
                            });
        server.server().Get(
            "/clips/bad.webm", [this](const httplib::Request&, httplib::Response& res) {
                res.set_content(std::string(clip.rbegin(), clip.rend()), "video/webm");
            });
        server.server().Get(
            "/videos/page.html", [](const httplib::Request& req, httplib::Response& res) {
                const std::string clipName = req.has_param("bad") ? "bad" : "clip";
                res.set_content("<html><head><title>Live</title></head><body><p>Olympia</p>"
                                "<video width=\"160\" height=\"120\" controls>"
                                "<source src=\"../clips/" +
                                    clipName +
                                    ".webm\" type=\"video/webm\">"
                                    "</video><p>Encore</p></body></html>",
                                "text/html");
            });
        server.start();
        view = std::make_shared<WebView>(Rect{0, 0, 320, 460});
        driver.window().addSubview(view);
    }

    // Turns the interface loop and plays audio until pred() or `seconds` pass.
    bool until(const std::function<bool()>& pred, double seconds = 10) {
        return session.playUntil(pred, seconds, 441);
    }

    pt::RecordingSession session;
    pt::LoopbackServer server;
    TestDriver driver;
    std::shared_ptr<WebView> view;
    std::string clip;
};

TEST_F(WebVideoTest, FirstPictureThenPlaysPausesOnTapsAndStopsWithThePage) {
    view->loadRequest(server.url("/videos/page.html"));
    ASSERT_TRUE(until([&] { return view->video() && view->video()->picturesShown() > 0; }));
    WebVideo& video = *view->video();
    EXPECT_FALSE(video.isPlaying());
    EXPECT_EQ(video.picturesShown(), 1); // the first picture stands for the poster
    EXPECT_EQ(video.pictureSize().width, 64);
    const Rect box = view->videoRect();
    EXPECT_EQ(box.width(), 160);
    EXPECT_EQ(box.height(), 120);
    EXPECT_NE(view->pageText().find("Encore"), std::string::npos);
    // The box sits between the two paragraphs: text above it and below it.
    EXPECT_GT(box.minY(), 20);
    EXPECT_GT(view->contentHeight(), box.maxY() + 10);
    session.backend().takeRecording();
    session.play(4410); // not playing: nothing pulled
    EXPECT_TRUE(pt::allZero(session.backend().takeRecording().samples));

    driver.tap({box.midX(), box.midY()});
    EXPECT_TRUE(video.isPlaying());
    ASSERT_TRUE(until([&] { return video.picturesShown() >= 5; }));
    const auto sound = session.backend().takeRecording();
    EXPECT_FALSE(pt::allZero(sound.samples));

    driver.tap({box.midX(), box.midY()});
    EXPECT_FALSE(video.isPlaying());
    const int shown = video.picturesShown();
    session.play(22050);
    EXPECT_TRUE(pt::allZero(session.backend().takeRecording().samples));
    EXPECT_EQ(video.picturesShown(), shown);

    driver.tap({box.midX(), box.midY()});
    ASSERT_TRUE(until([&] { return video.hasEnded(); }));
    EXPECT_EQ(video.picturesShown(), 12);
    // The last picture (red 220, blue 35) is what the box shows.
    const Image& last = video.picture();
    const Color c = last.pixelAt(32, 24);
    EXPECT_NEAR(c.r * 255, 220, 12);
    EXPECT_NEAR(c.b * 255, 35, 12);

    view->stopLoading(); // leaving the page ends the clip and its output
    EXPECT_EQ(view->video(), nullptr);
    EXPECT_EQ(session.backend().openOutputs(), 0);
}

TEST_F(WebVideoTest, ABadClipShowsNothing) {
    view->loadRequest(server.url("/videos/page.html?bad=1"));
    ASSERT_TRUE(until([&] { return view->video() && view->video()->failed(); }));
    EXPECT_EQ(view->video()->picturesShown(), 0);
    const Rect box = view->videoRect();
    driver.tap({box.midX(), box.midY()});
    EXPECT_FALSE(view->video()->isPlaying());
    driver.advance(0.1); // draws without a picture
    view.reset();        // the view going away mid-page is safe
}

TEST(WebVideoElement, FoundWithItsSourceAndResolved) {
    auto e = findVideoElement("<p>a</p><VIDEO src='x.mp4' width=200></VIDEO>");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->src, "x.mp4");
    EXPECT_EQ(e->width, 200);
    EXPECT_EQ(e->line, 1u);
    EXPECT_FALSE(findVideoElement("<videos src=x><video></video>"));
    EXPECT_EQ(resolveURL("http://h:1/a/b.html?q", "c/d.webm"), "http://h:1/a/c/d.webm");
    EXPECT_EQ(resolveURL("http://h:1/a/b.html", "/m/v.mp4"), "http://h:1/m/v.mp4");
    EXPECT_EQ(resolveURL("http://h:1/a/", "https://o/v"), "https://o/v");
}

} // namespace
