// The discography's previews through the shell's stream player on the reference server's Ogg
// Vorbis previews, the store button and their statistics events.
#include "app_fixture.h"

#include <future>
#include <thread>

#include "app/discography/discographie_track_cell.h"
#include "app/discography/discographie_view_controller.h"
#include "app/server_session.h"
#include "app/persisted_keys.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/label.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/system_services.h"
#include "platform/user_defaults.h"

using namespace apptest;
using zephrun::DiscographieTrackCell;
using zephrun::DiscographieViewController;
using Preview = DiscographieTrackCell::Preview;

namespace {

DiscographieViewController& openDiscography(AppRun& r) {
    r.app().showDiscographie();
    r.advance(0.5);
    return *r.app().myDiscoView();
}

// Whether another thread can take the request lock within two seconds.
bool requestLockIsFree(zephrun::ZephrunAppDelegate& app) {
    auto taken = std::make_shared<std::promise<void>>();
    auto done = taken->get_future();
    std::thread([&app, taken] {
        app.waitWT();
        app.stopUseWT();
        taken->set_value();
    }).detach();
    return done.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
}

// Answers every alert on screen (the server's notification, the launch's).
void dismissAlerts(AppRun& r) {
    while (r.answerAlert(0)) {
    }
}

bool serverHasEvent(AppRun& r, int id, const std::string& key) {
    auto session = r.app().session().sessionID();
    if (!session) return false;
    for (const auto& e : r.server->store().events(*session))
        if (e.event.id == id && e.event.cle == key) return true;
    return false;
}

} // namespace

TEST(DiscographyPreview, RowFollowsTheStreamPlayerAcrossKindsWhileItLoadsPlaysAndStops) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    DiscographieViewController& d = openDiscography(r);
    r.driver->tap(ui::Point{310, 127});
    r.advance(0.5);
    ASSERT_EQ(d.currentDisque(), 1);

    // At once: the row loads, the event goes out, the stream is asked for.
    const std::string url = r.server->baseURL() + "media/previews/lignes_de_fuite_03.ogg";
    DiscographieTrackCell* row = d.trackRow(2);
    r.driver->tap(row->previewButton());
    EXPECT_EQ(row->preview(), Preview::Loading);
    EXPECT_TRUE(row->indicator()->isAnimating());
    EXPECT_EQ(row->titleLabel().textColor(), r.app().tintColor());
    EXPECT_EQ(r.count("event", "201 " + url), 1);
    EXPECT_EQ(r.count("preview", url), 1);
    ASSERT_TRUE(r.advanceUntil([&] { return row->preview() == Preview::Playing; }, 20));
    EXPECT_EQ(r.driver->imageName(row->previewButton()), "albums-bt-pause.png");
    EXPECT_FALSE(row->indicator()->isAnimating());
    EXPECT_TRUE(r.app().playExtrait());

    // To the maxis and back: the playing album is centred again, its row still playing.
    r.driver->tap(d.myButtonsBottom()[1].get());
    r.advance(0.5);
    EXPECT_EQ(d.trackRow(2)->preview(), Preview::Idle);
    r.driver->tap(d.myButtonsBottom()[0].get());
    r.advance(0.5);
    EXPECT_EQ(d.coverStrip()->contentOffset().x, 120);
    EXPECT_EQ(d.currentDisque(), 1);
    EXPECT_EQ(d.trackRow(0)->titleLabel().text(), "01.Lignes de Fuite - Zephrun");
    row = d.trackRow(2);
    EXPECT_EQ(row->preview(), Preview::Playing);

    // Its button stops it.
    r.driver->tap(row->previewButton());
    ASSERT_TRUE(r.advanceUntil([&] { return row->preview() == Preview::Idle; }, 10));
    EXPECT_EQ(row->titleLabel().textColor(), ui::Color::white());
    EXPECT_FALSE(r.app().playExtrait());

    // Another ends while its disc is off screen (the shell stops it): back on screen it is idle.
    r.driver->tap(d.trackRow(0)->previewButton());
    ASSERT_TRUE(r.advanceUntil([&] { return d.trackRow(0)->preview() == Preview::Playing; }, 20));
    r.driver->tap(ui::Point{310, 127});
    r.advance(0.5);
    r.app().audioStop();
    ASSERT_TRUE(r.advanceUntil([&] { return !r.app().playExtrait(); }, 10));
    r.driver->tap(ui::Point{10, 127});
    r.advance(0.5);
    ASSERT_EQ(d.currentDisque(), 1);
    EXPECT_EQ(d.trackRow(0)->preview(), Preview::Idle);
    EXPECT_EQ(d.currentExtraitLaunched(), -1);

    // The store button: its event, then the address opened with the system.
    const std::string store = r.server->baseURL() + "store/lignes_de_fuite/1.html";
    r.driver->tap(d.trackRow(0)->storeButton());
    r.advance(0.1);
    EXPECT_EQ(r.count("event", "202 " + store), 1);
    const auto& opened = r.host->window().services().openedURLs();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), store);
    EXPECT_TRUE(r.advanceUntil(
        [&] { return serverHasEvent(r, 201, url) && serverHasEvent(r, 202, store); }, 10));
}

TEST(DiscographyPreview, NetworkTestedAgainUnderTheRequestLockWhichIsGivenBack) {
    // Offline: the alert, no stream, the row idle again.
    {
        AppRun r({.lang = "en", .network = false});
        ASSERT_TRUE(r.launch());
        DiscographieViewController& d = openDiscography(r);
        dismissAlerts(r);
        r.driver->tap(d.trackRow(0)->previewButton());
        r.advance(0.3);
        ASSERT_FALSE(r.alerts().empty());
        EXPECT_EQ(alertMessage(r.alerts().back()),
                  "You must have a Internet connection to listen this song");
        EXPECT_EQ(d.trackRow(0)->preview(), Preview::Idle);
        EXPECT_TRUE(r.log().linesOf("preview").empty());
        EXPECT_TRUE(requestLockIsFree(r.app()));
    }
    // A stored "no connection" on a phone that has one: the new test finds it and the preview
    // plays.
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    DiscographieViewController& d = openDiscography(r);
    r.host->defaults().setString(zephrun::persistedKey("Zephrun", zephrun::keys::kNetworkType), "");
    r.driver->tap(d.trackRow(1)->previewButton());
    EXPECT_EQ(r.log().linesOf("preview").size(), 1u);
    EXPECT_EQ(r.app().networkType(), "wifi");
    EXPECT_TRUE(requestLockIsFree(r.app()));
    EXPECT_TRUE(r.advanceUntil([&] { return d.trackRow(1)->preview() == Preview::Playing; }, 20));
}
