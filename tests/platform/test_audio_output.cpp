// Audio outputs: the recording backend's clock and mix, the SDL backend on the dummy driver, the
// music volume's notice and notices posted to the interface thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/audio/audio_output.h"
#include "platform/audio/music_volume.h"
#include "platform/audio/recording_audio_backend.h"
#include "platform/notification_center.h"
#include "platform/run_loop.h"

using namespace zplatform;

namespace {

// A source that counts: frame k holds k on the left and -k on the right (modulo 16 bits).
struct Counter {
    std::atomic<int64_t> next{0};
    AudioOutput::Pull pull() {
        return [this](int16_t* out, int frames) {
            for (int i = 0; i < frames; ++i) {
                const auto v = static_cast<int16_t>(next++);
                out[2 * i] = v;
                out[2 * i + 1] = static_cast<int16_t>(-v);
            }
        };
    }
};

TEST(RecordingBackend, PlaysOnItsClockMixesOutputsAndSkipsPausedOnes) {
    MusicVolume::shared().setVolume(1.0f);
    auto backend = std::make_shared<RecordingAudioBackend>();
    Counter a, b;
    auto first = backend->open(22050, 1000, a.pull(), nullptr);
    auto second = backend->open(44100, 1000, b.pull(), nullptr);
    EXPECT_EQ(backend->recordingRate(), 22050); // the first output into an empty recording
    std::vector<int64_t> heard;
    first->setPlayedHandler([&](int64_t f) { heard.push_back(f); });
    first->resume();
    for (int i = 0; i < 10; ++i) backend->pump(0.01); // fractions carried: exactly 2205 frames
    auto r = backend->takeRecording();
    ASSERT_EQ(r.frames(), 2205u);
    EXPECT_EQ(r.samples[2 * 100], 100);
    EXPECT_EQ(heard.back(), 2205);
    EXPECT_EQ(first->framesQueued(), 3000 - 2205); // three chunks pulled
    EXPECT_EQ(b.next.load(), 0);                   // never resumed: never pulled

    second->resume();
    first->pause();
    backend->pumpFrames(100); // the 44.1-kHz output plays 200 frames into 100 of the recording
    r = backend->takeRecording();
    EXPECT_EQ(r.samples[2 * 10], 20);
    EXPECT_EQ(r.samples[2 * 10 + 1], -20);
    first->resume();
    backend->pumpFrames(1);
    r = backend->takeRecording();
    EXPECT_EQ(r.samples[0], 2205 + 200); // both, summed

    second->close();
    EXPECT_EQ(backend->openOutputs(), 1);
    first.reset();
    EXPECT_EQ(backend->openOutputs(), 0);
}

TEST(RecordingBackend, MusicVolumeScalesAndNotifiesTheInterface) {
    auto backend = std::make_shared<RecordingAudioBackend>();
    AudioOutput::Pull loud = [](int16_t* out, int frames) {
        std::fill(out, out + 2 * frames, int16_t(20000));
    };
    auto out = backend->open(44100, 64, loud, nullptr);
    out->resume();
    std::vector<std::string> texts;
    int token = 0;
    NotificationCenter::defaultCenter().addObserver(&token, MusicVolume::kChangeNotice,
                                                    [&](const Notification& n) {
                                                        EXPECT_TRUE(RunLoop::isMainThread());
                                                        texts.push_back(n.text);
                                                    });
    std::thread([] { MusicVolume::shared().setVolume(0.25f); }).join();
    EXPECT_FALSE(MusicVolume::shared().setVolume(0.25f)); // unchanged: no notice
    backend->pumpFrames(10);
    EXPECT_EQ(backend->takeRecording().samples[0], 5000);
    EXPECT_TRUE(texts.empty()); // delivered by the interface loop, not the setting thread
    RunLoop::main().runFor(0.01);
    EXPECT_EQ(texts, std::vector<std::string>{"0.250000"});
    MusicVolume::shared().setVolume(1.0f);
    RunLoop::main().runFor(0.01);
    NotificationCenter::defaultCenter().removeObserver(&token);
}

TEST(SdlBackend, PlaysOnTheDummyDriverAndReportsOffTheAudioThread) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioSession::setBackend(nullptr);
    EXPECT_FALSE(AudioSession::open(4000, 100, [](int16_t*, int) {}));
    std::atomic<std::thread::id> pullThread{};
    std::atomic<int64_t> lastHeard{0};
    std::atomic<bool> handlerOnPullThread{false};
    auto out = AudioSession::open(48000, 4800, [&](int16_t* o, int frames) {
        pullThread = std::this_thread::get_id();
        std::fill(o, o + 2 * frames, int16_t(1));
    });
    ASSERT_TRUE(out);
    out->setPlayedHandler([&](int64_t heard) {
        if (std::this_thread::get_id() == pullThread.load()) handlerOnPullThread = true;
        lastHeard = heard;
    });
    out->resume();
    for (int i = 0; i < 500 && lastHeard.load() < 9600; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(lastHeard.load(), 9600);
    EXPECT_FALSE(handlerOnPullThread.load());
    EXPECT_GE(out->framesQueued(), 0);
    EXPECT_LE(out->framesQueued(), 4800 + 2048);
    out->close();
    const int64_t pulled = out->framesPulled();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(out->framesPulled(), pulled); // never pulled again
}

TEST(NoticesOnTheInterfaceThread, ArePostedInOrderWithTheirText) {
    NotificationCenter center;
    std::vector<std::string> seen;
    int observer;
    center.addObserver(&observer, "table_de_mix", [&](const Notification& n) {
        EXPECT_TRUE(RunLoop::isMainThread());
        seen.push_back(n.text);
    });
    std::thread([&] {
        center.postNotificationOnMainThread("table_de_mix", &observer, "1");
        center.postNotificationOnMainThread("table_de_mix", &observer, "2");
    }).join();
    center.postNotificationOnMainThread("table_de_mix", &observer, "3");
    EXPECT_TRUE(seen.empty());
    RunLoop::main().runFor(0.01);
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
}

} // namespace
