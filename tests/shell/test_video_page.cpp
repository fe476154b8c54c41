// The video page: the address it loads, its spinner, its header, the alert of an HTTP failure
// and the silence of a network failure, and its closing.
#include "app_fixture.h"

#include <httplib.h>

#include <thread>

#include "app/video/dailymotion_vc.h"
#include "platform/ui/web_view.h"

using namespace apptest;

namespace {

// A video site of the test's own: "/slow" answers a page after a second, "/gone" 404.
class VideoSite {
  public:
    VideoSite() {
        http_.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            res.set_content("<html><head><title>Clip</title></head><body><p>Le clip</p></body>"
                            "</html>",
                            "text/html");
        });
        http_.Get("/gone", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<html>gone</html>", "text/html");
        });
        port_ = http_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { http_.listen_after_bind(); });
        while (!http_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~VideoSite() {
        http_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    httplib::Server http_;
    int port_ = 0;
    std::thread thread_;
};

// The page loads over the network in real time: frames until `pred` holds or 5 s have passed.
bool waitFor(AppRun& r, const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!pred() && std::chrono::steady_clock::now() < end) {
        r.advance(1.0 / 60);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

} // namespace

TEST(VideoPage, LoadsWithSpinnerAlertsOnHttpFailureOnlyAndCloses) {
    VideoSite site;
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    const size_t alertsBefore = r.alerts().size();

    r.app().showDailymotion(" " + site.url("/slow") + "\n\t");
    zephrun::DailymotionVC& page = *r.app().myDaily();
    r.advance(0.6);
    EXPECT_EQ(page.view().frame().y(), 0);
    EXPECT_TRUE(page.isSpinning());
    EXPECT_EQ(r.driver->text(r.driver->findByText("Fermer")), "Fermer");
    ASSERT_TRUE(waitFor(r, [&] { return !page.isSpinning(); }));
    EXPECT_EQ(page.webView().url(), site.url("/slow"));
    EXPECT_EQ(page.webView().pageTitle(), "Clip");
    EXPECT_EQ(r.alerts().size(), alertsBefore);

    // An HTTP failure shows its description; a network failure (negative code) shows nothing.
    r.app().showDailymotion(site.url("/gone"));
    ASSERT_TRUE(waitFor(r, [&] { return r.alerts().size() == alertsBefore + 1; }));
    EXPECT_EQ(r.alerts().back(), "Zephrun | Not Found | OK");
    EXPECT_FALSE(page.isSpinning());
    r.answerAlert(0);
    r.app().showDailymotion("http://127.0.0.1:9/clip");
    ASSERT_TRUE(waitFor(r, [&] { return !page.isSpinning() && !page.webView().isLoading(); }));
    r.advance(0.3);
    EXPECT_EQ(r.alerts().size(), alertsBefore + 1);

    // Closing slides the page down; it is kept, and speaks the new language next time.
    r.driver->tap(ui::Point{260, 30});
    r.advance(0.6);
    EXPECT_EQ(page.view().frame().y(), 480);
    r.app().toggleLanguage();
    r.app().showDailymotion(site.url("/slow"));
    r.advance(0.6);
    EXPECT_EQ(r.app().myDaily(), &page);
    EXPECT_NE(r.driver->findByText("Close"), nullptr);
    page.hideDaily();
    EXPECT_FALSE(page.isSpinning());
}
