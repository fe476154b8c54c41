// mxp4 play through SDL's disk driver writes exactly what mxp4 render writes for the same
// package and skins, after whole device buffers of silence written before the output started
// (usually none).
#include <cstdlib>

#include "player_fixture.h"
#include "test_support.h"

namespace {

int run(const std::string& command) {
    return std::system(command.c_str());
}

TEST(Mxp4Play, DiskDriverOutputEqualsTheRender) {
    ts::TempDir dir;
    ts::SimplePackage shape;
    shape.skins = 2;
    const std::string pkg = ts::writeSimplePackage(dir, shape);
    const std::string raw = dir.file("out.raw"), wav = dir.file("render.wav");
    ASSERT_EQ(run("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + raw + " " MXP4_TOOL " play " + pkg +
                  " --seconds 0.5 --skin 1 >/dev/null 2>&1"),
              0);
    ASSERT_EQ(run(MXP4_TOOL " render " + pkg + " -o " + wav + " --seconds 1 --skin 1"), 0);
    const std::string played = pt::readFile(raw), rendered = pt::readFile(wav).substr(44);
    const size_t half = 22050 * 4, deviceBuffer = 2048 * 4;
    size_t lead = 0;
    while (lead + half <= played.size() && played.compare(lead, half, rendered, 0, half) != 0 &&
           played.find_first_not_of('\0', lead) >= lead + deviceBuffer)
        lead += deviceBuffer;
    ASSERT_GE(played.size(), lead + half);
    EXPECT_EQ(played.substr(lead, half), rendered.substr(0, half)) << lead << " bytes of silence";
    // A package the player refuses fails the command.
    EXPECT_NE(run(MXP4_TOOL " play " + dir.file("none.mxp4") + " 2>/dev/null"), 0);
}

} // namespace
