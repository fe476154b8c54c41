// ktclient listen against a loopback server: plays a preview to its end and writes what was
// played; a missing preview prints the alert and fails.
#include <cstdio>
#include <cstdlib>

#include "player_fixture.h"
#include "test_support.h"

namespace {

// Runs the command; returns its exit status and stdout.
int run(const std::string& command, std::string* out) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out->append(buf, n);
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KtclientListen, PlaysToTheEndOrReportsTheAlert) {
    const std::string ogg = pt::readFile(pt::dataFile("stereo_44k.ogg"));
    pt::LoopbackServer server;
    server.server().Get("/preview.ogg", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(ogg, "audio/ogg");
    });
    server.start();
    ts::TempDir dir;
    const std::string wav = dir.file("out.wav");
    std::string out;
    ASSERT_EQ(run(KTCLIENT_TOOL " listen " + server.url("/preview.ogg") + " -o " + wav, &out), 0);
    EXPECT_EQ(out, "isPlaying true\nisPlaying false\n");
    const std::string written = pt::readFile(wav);
    ASSERT_GT(written.size(), 44u + 88200u * 4);
    EXPECT_EQ(written.substr(0, 4), "RIFF");
    EXPECT_NE(written.substr(44).find_first_not_of('\0'), std::string::npos);

    out.clear();
    EXPECT_EQ(run(KTCLIENT_TOOL " listen " + server.url("/missing.mp3") + " 2>/dev/null", &out), 1);
    EXPECT_NE(out.find("alert Attention: L'écoute s'est arrêtée suite à un problème réseau"),
              std::string::npos);
}

} // namespace
