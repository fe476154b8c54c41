// The script runner's commands, on the application launched against the reference server.
#include "app_fixture.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>

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
double-tap 5 470
hold 5 470 0.1
drag 160 460 100 460 0.2
pinch 160 200 1.5
location 45.76 4.83
pick-cancel
key tab
shot home
dump home
wait 0.2
audio home
expect-text No such text anywhere
quit
)");
    EXPECT_FALSE(runner.run(script));
    EXPECT_EQ(runner.error(), "line 19: no visible view shows \"No such text anywhere\"");
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

TEST(ScriptRunner, TheProgramExitsOneWithTheFailingLine) {
    ts::TempDir dir;
    {
        std::ofstream script(dir.file("s.zephrun"));
        script << "# offline: the launch's alert first\nalert-button 0\nexpect-text Nothing like this\n";
    }
    // No server answers there: the launch is offline, with its alert.
    const std::string command = std::string(ZEPHRUN_BIN) + " --headless --lang en --data-dir " +
                                dir.file("data") + " --server http://127.0.0.1:9/ --out " +
                                dir.path() + " --script " + dir.file("s.zephrun") + " 2>" +
                                dir.file("err.txt");
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::ifstream err(dir.file("err.txt"));
    std::string text((std::istreambuf_iterator<char>(err)), {});
    EXPECT_NE(text.find("line 3: no visible view shows \"Nothing like this\""), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(dir.file("log.txt")));
}
