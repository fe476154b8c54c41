// Mix player on the recording backend: it plays exactly what the engine renders, pauses and
// resumes, steers skins and track volumes, reports progress from the frames heard, posts its
// notices on the interface thread, releases without blocking the output; SDL's dummy driver.
#include "player/mxp4reader.h"

#include <cstdlib>

#include "platform/notification_center.h"
#include "player_fixture.h"
#include "test_support.h"

using zplayer::mxp4reader;

namespace {

constexpr int kPull = mxp4reader::kPullFrames;

struct Delegate : zplayer::mxp4readerDelegate {
    const void* view = nullptr;
    std::vector<float> levels;
    const void* myMixView() const override { return view; }
    void updateLevelVolume(float v) override {
        EXPECT_TRUE(zplatform::RunLoop::isMainThread());
        levels.push_back(v);
    }
};

// What the engine alone renders for the package, in pulls of kPull frames.
std::vector<int16_t> engineRender(const std::string& path, int pulls) {
    mxp4_package* p = mxp4Loader(path.c_str(), 1);
    EXPECT_NE(p, nullptr);
    std::vector<int16_t> out(static_cast<size_t>(pulls) * kPull * 2);
    for (int i = 0; i < pulls; ++i) mxp4NextBufferN(p, out.data() + size_t(i) * kPull * 2, kPull);
    mxp4Release(p);
    return out;
}

class MixPlayer : public ::testing::Test {
  protected:
    ts::TempDir dir;
    pt::RecordingSession session;
    Delegate delegate;
};

TEST_F(MixPlayer, PlaysWhatTheEngineRendersPausesAndResumesWhereItWas) {
    ts::SimplePackage shape;
    shape.skins = 2;
    const std::string path = ts::writeSimplePackage(dir, shape);
    auto expected = engineRender(path, 4);
    auto player = mxp4reader::initWithFilename(path, &delegate);
    ASSERT_TRUE(player);
    EXPECT_EQ(player->audiotrackNb(), 2);
    EXPECT_EQ(player->skinNb(), 2);
    EXPECT_FALSE(player->skinName(1).empty());
    EXPECT_EQ(player->getProgress(), 0.0f); // nothing decided yet
    player->start();

    session.play(kPull + 1000);
    player->audioPause();
    session.play(3000); // paused: silence, the mix does not move
    player->audioPlay();
    session.play(3 * kPull - 1000);
    auto rec = session.backend().takeRecording();
    EXPECT_EQ(rec.sampleRate, 44100);
    ASSERT_EQ(rec.frames(), size_t(4 * kPull + 3000));
    const size_t cut = size_t(kPull + 1000) * 2;
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + cut, rec.samples.begin()));
    EXPECT_TRUE(pt::allZero(rec.samples, cut, cut + 6000));
    EXPECT_TRUE(std::equal(expected.begin() + cut, expected.end() - 6000,
                           rec.samples.begin() + cut + 6000));
}

TEST_F(MixPlayer, PlaysAtThePackageRateAndRefusesUnusableRates) {
    ts::SimplePackage shape;
    shape.sampleRate = 22050;
    auto player = mxp4reader::initWithFilename(ts::writeSimplePackage(dir, shape), &delegate);
    ASSERT_TRUE(player);
    player->start();
    session.play(4410);
    EXPECT_EQ(session.backend().takeRecording().sampleRate, 22050);

    for (int rate : {1, 4000, 200000}) {
        shape.sampleRate = rate;
        const std::string bad = ts::writeSimplePackage(dir, shape, "bad.mxp4");
        EXPECT_FALSE(mxp4reader::initWithFilename(bad, &delegate)) << rate;
    }
    EXPECT_FALSE(mxp4reader::initWithFilename(dir.file("missing.mxp4"), &delegate));
    EXPECT_FALSE(mxp4reader::initWithFilename("/" + std::string(600, 'a'), &delegate));
}

TEST_F(MixPlayer, TrackVolumesAndSkinsReachTheMix) {
    ts::SimplePackage shape;
    shape.skins = 2;
    const std::string path = ts::writeSimplePackage(dir, shape);
    auto loud = engineRender(path, 3);
    auto player = mxp4reader::initWithFilename(path, &delegate);
    ASSERT_TRUE(player);
    player->start();
    session.play(kPull);
    for (int n = 0; n < player->audiotrackNb(); ++n) EXPECT_EQ(player->audiotrackVol(n, 0, 0), 0);
    player->skinSelect(1, 1, 1);
    session.play(2 * kPull);
    auto rec = session.backend().takeRecording();
    ASSERT_EQ(rec.samples.size(), loud.size());
    // The last pull is rendered entirely after the change: only the master track is left.
    auto energy = [](const std::vector<int16_t>& v, size_t from) {
        double e = 0;
        for (size_t i = from; i < v.size(); ++i) e += double(v[i]) * v[i];
        return e;
    };
    const size_t last = size_t(2 * kPull) * 2;
    EXPECT_LT(energy(rec.samples, last), 0.5 * energy(loud, last));
}

TEST_F(MixPlayer, ProgressFollowsTheFramesHeard) {
    ts::SimplePackage shape;
    shape.sectionFrames = 44100; // one-second sections
    shape.clipFrames = 44100;
    auto player = mxp4reader::initWithFilename(ts::writeSimplePackage(dir, shape), &delegate);
    ASSERT_TRUE(player);
    player->start();
    session.play(11025); // a quarter of the first section heard, more of it rendered
    EXPECT_NEAR(player->getProgress(), 0.25f, 0.01f);
    session.play(22050);
    EXPECT_NEAR(player->getProgress(), 0.75f, 0.01f);
    session.play(22050);
    EXPECT_NEAR(player->getProgress(), 0.25f, 0.01f); // into the second section
}

TEST_F(MixPlayer, NoticesArriveOnTheInterfaceThreadAtThePlaybackCadence) {
    auto player = mxp4reader::initWithFilename(ts::writeSimplePackage(dir), &delegate);
    ASSERT_TRUE(player);
    int tables = 0;
    const void* object = nullptr;
    int screen;
    zplatform::NotificationCenter::defaultCenter().addObserver(
        this, mxp4reader::kTableNotice, [&](const zplatform::Notification& n) {
            EXPECT_TRUE(zplatform::RunLoop::isMainThread());
            ++tables;
            object = n.object;
        });
    player->start();
    session.play(44100); // no mix screen: no notice
    EXPECT_EQ(tables, 0);
    delegate.view = &screen;
    session.play(44100); // one more second: 0.35 s steps at 1.05, 1.40, 1.75
    zplatform::RunLoop::main().runFor(0.01);
    EXPECT_EQ(tables, 3);
    EXPECT_EQ(object, &screen);

    // The music volume: its notice reaches the delegate with the value, and the output's gain.
    session.backend().takeRecording();
    zplatform::MusicVolume::shared().setVolume(0.5f);
    zplatform::RunLoop::main().runFor(0.01);
    ASSERT_EQ(delegate.levels, std::vector<float>{0.5f});
    EXPECT_EQ(player->getCurrentLevel(), 0.5f);
    zplatform::NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(MixPlayer, VolumeScalesTheOutput) {
    const std::string path = ts::writeSimplePackage(dir);
    auto expected = engineRender(path, 1);
    auto player = mxp4reader::initWithFilename(path, &delegate);
    ASSERT_TRUE(player);
    zplatform::MusicVolume::shared().setVolume(0.5f);
    player->start();
    session.play(kPull);
    auto rec = session.backend().takeRecording();
    ASSERT_EQ(rec.samples.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i += 97)
        EXPECT_EQ(rec.samples[i], static_cast<int16_t>((expected[i] * 16384) >> 15));
}

TEST_F(MixPlayer, ReleaseSilencesAtOnceClosesTheOutputAndANewPlayerIsHeard) {
    const std::string path = ts::writeSimplePackage(dir);
    auto player = mxp4reader::initWithFilename(path, &delegate);
    ASSERT_TRUE(player);
    player->start();
    session.play(kPull / 2);
    player->audioPause();
    player->audioPlay();
    player->audioRelease();
    player.reset(); // safe while the release holds the package
    session.backend().takeRecording();
    // The rest of the pulled chunk was rendered before the release: what follows is silence,
    // and pulling while the release holds the lock does not wait for it.
    session.play(2 * kPull);
    auto rec = session.backend().takeRecording();
    EXPECT_TRUE(pt::allZero(rec.samples, size_t(kPull), SIZE_MAX));
    ASSERT_TRUE(mxp4reader::waitForReleases(5));
    EXPECT_EQ(session.backend().openOutputs(), 0);

    auto second = mxp4reader::initWithFilename(path, &delegate);
    ASSERT_TRUE(second);
    second->start();
    session.play(kPull);
    EXPECT_FALSE(pt::allZero(session.backend().takeRecording().samples));
}

TEST(MixPlayerSdl, PlaysOnTheDummyDriver) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    zplatform::AudioSession::setBackend(nullptr);
    ts::TempDir dir;
    Delegate delegate;
    int screen;
    delegate.view = &screen;
    int tables = 0;
    zplatform::NotificationCenter::defaultCenter().addObserver(
        &tables, mxp4reader::kTableNotice, [&](const zplatform::Notification&) { ++tables; });
    auto player = mxp4reader::initWithFilename(ts::writeSimplePackage(dir), &delegate);
    ASSERT_TRUE(player);
    player->start();
    ASSERT_TRUE(player->isStarted());
    EXPECT_TRUE(zplatform::RunLoop::main().runUntil([&] { return tables >= 2; }, 10));
    EXPECT_GT(player->getProgress(), 0.0f);
    player->audioPause();
    player->audioRelease();
    player.reset();
    EXPECT_TRUE(mxp4reader::waitForReleases(5));
    zplatform::NotificationCenter::defaultCenter().removeObserver(&tables);
}

} // namespace
