// The script runner's commands, on the application launched against the reference server.
#include "app_fixture.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/script/script_runner.h"
#include "platform/ui/sdl/headless.h"

using namespace apptest;

TEST(ScriptRunner, RunsEachCommandAndStopsAtTheFirstFailingLine) {
    AppRun r;
    ASSERT_NE(ui::sdl::installHeadlessRenderer(*r.driver), nullptr);
    zephrun::ScriptRunner runner(*r.host, *r.driver, r.dir.path());
    ASSERT_TRUE(r.launch());
    std::istringstream script(R"(# the server's notification first
alert-button 0
expect-no-text Nouvelle tournée
expect-image home-box-news.png
tap-image cmn-header-lg-uk.png
expect-image cmn-header-lg-fr.png
key tab
shot home
dump home
wait 0.2
audio home
expect-text No such text anywhere
quit
)");
    EXPECT_FALSE(runner.run(script));
    EXPECT_EQ(runner.error(), "line 12: no visible view shows \"No such text anywhere\"");
    EXPECT_FALSE(runner.quitRequested());

    EXPECT_GT(std::filesystem::file_size(r.dir.file("home.png")), 1000u);
    std::ifstream dump(r.dir.file("home.json"));
    nlohmann::json tree = nlohmann::json::parse(dump);
    EXPECT_EQ(tree["class"], "Window");
    EXPECT_NE(tree.dump().find("\"HomeBoxView\""), std::string::npos);
    // 0.2 s of the recording at least, 16-bit stereo after a 44-byte header.
    EXPECT_GT(std::filesystem::file_size(r.dir.file("home.wav")), 44u + 4 * 8000);

    EXPECT_FALSE(runner.runLine("tap 10"));
    EXPECT_EQ(runner.error(), "tap takes X Y");
    EXPECT_FALSE(runner.runLine("fly away"));
    EXPECT_TRUE(runner.runLine("quit"));
    EXPECT_TRUE(r.host->hasQuit());
}
