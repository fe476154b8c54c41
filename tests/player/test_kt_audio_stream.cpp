// Stream player against a loopback server, on the recording backend: Ogg and MP3 previews play
// to their end, stop at every stage, a stalled, dying or redirected download, a body that is not
// audio, frames larger than a buffer; observers and alerts on the interface thread.
#include "player/kt_audio_stream.h"

#include <atomic>

#include "player_fixture.h"

using zplayer::KT_AudioStream;

namespace {

struct Alert {
    std::string title, message;
};

// Turns pass quickly in real time; each counts as a quarter second of the stall rule.
struct FastClock : KT_AudioStream::Clock {
    std::atomic<double> seconds{0};
    void turn(zplatform::RunLoop& loop, double s) override {
        loop.runFor(0.002);
        seconds = seconds + s;
    }
};

class StreamPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        ogg = pt::readFile(pt::dataFile("stereo_44k.ogg"));
        mp3 = pt::readFile(pt::dataFile("tone.mp3"));
        ASSERT_FALSE(ogg.empty());
        ASSERT_FALSE(mp3.empty());
        auto& s = server.server();
        s.Get("/preview.ogg", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(ogg, "audio/ogg");
        });
        s.Get("/track", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(mp3, "application/octet-stream"); // no type, no extension
        });
        s.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/preview.ogg");
        });
        s.Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(4000, 'x') + "<html><body>Not found</body></html>",
                            "text/html");
        });
        s.Get("/big.flac", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(pt::readFile(pt::dataFile("bigframes.flac")), "audio/flac");
        });
        // All of the preview but its last page, then nothing until the server stops.
        s.Get("/stalls.ogg", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("audio/ogg", [this](size_t, httplib::DataSink& sink) {
                sink.write(ogg.data(), ogg.size() - 1500);
                server.waitForStop(std::chrono::seconds(20));
                return false;
            });
        });
        // Announces the whole preview, sends half, drops the connection.
        s.Get("/dies.ogg", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(ogg.size(), "audio/ogg",
                                     [this](size_t, size_t, httplib::DataSink& sink) {
                                         sink.write(ogg.data(), ogg.size() / 2);
                                         return false;
                                     });
        });
        // Nothing at all until the server stops.
        s.Get("/silent", [this](const httplib::Request&, httplib::Response& res) {
            server.waitForStop(std::chrono::seconds(20));
            res.set_content("", "audio/ogg");
        });
        server.start();
    }

    std::unique_ptr<KT_AudioStream> make(const std::string& path) {
        auto p = std::make_unique<KT_AudioStream>(server.url(path));
        p->addIsPlayingObserver([this](bool v) {
            EXPECT_TRUE(zplatform::RunLoop::isMainThread());
            playing.push_back(v);
        });
        p->setAlertHandler([this](const std::string& t, const std::string& m) {
            EXPECT_TRUE(zplatform::RunLoop::isMainThread());
            alerts.push_back({t, m});
        });
        return p;
    }

    // Plays until the player is clean and its last change was delivered.
    bool playToClean(KT_AudioStream& p, double seconds = 15) {
        return session.playUntil([&] { return p.isClean() && !playing.empty() && !playing.back(); },
                                 seconds);
    }

    pt::LoopbackServer server;
    pt::RecordingSession session;
    std::string ogg, mp3;
    std::vector<bool> playing;
    std::vector<Alert> alerts;
};

size_t audibleFrames(const zplatform::AudioRecording& r) {
    size_t n = 0;
    for (size_t i = 0; i < r.frames(); ++i)
        if (r.samples[2 * i] != 0 || r.samples[2 * i + 1] != 0) ++n;
    return n;
}

TEST_F(StreamPlayer, OggAndMp3PreviewsPlayToTheirEnd) {
    for (const char* path : {"/preview.ogg", "/track", "/moved"}) {
        SCOPED_TRACE(path);
        playing.clear();
        session.backend().takeRecording();
        auto p = make(path);
        p->start();
        std::vector<float> loudest(4, 0.0f);
        ASSERT_TRUE(session.playUntil(
            [&] {
                auto l = p->audioLevels();
                for (size_t i = 0; i < 4; ++i) loudest[i] = std::max(loudest[i], l[i]);
                return p->isClean() && !playing.empty() && !playing.back();
            },
            15));
        EXPECT_EQ(playing, (std::vector<bool>{true, false}));
        EXPECT_TRUE(alerts.empty());
        EXPECT_EQ(p->sampleRate(), 44100);
        const auto rec = session.backend().takeRecording();
        const size_t expected = std::string(path) == "/track" ? 66150 : 88200;
        EXPECT_GT(audibleFrames(rec), expected * 9 / 10);
        EXPECT_LT(audibleFrames(rec), expected + 4096);
        EXPECT_GT(loudest[0], 0.05f); // RMS of the left channel
        EXPECT_GE(loudest[1], loudest[0]);
        EXPECT_EQ(session.backend().openOutputs(), 0);
    }
}

TEST_F(StreamPlayer, StopBeforeAudioMidPlayAndAfterTheDownloadEnded) {
    { // Nothing received yet: observers still see the start and the end.
        auto p = make("/silent");
        p->start();
        p->stop();
        ASSERT_TRUE(playToClean(*p));
        EXPECT_EQ(playing, (std::vector<bool>{true, false}));
    }
    playing.clear();
    { // Playing with the download still open.
        auto p = make("/stalls.ogg");
        p->start();
        ASSERT_TRUE(session.playUntil([&] { return p->isPlaying(); }, 10));
        session.play(4410);
        p->stop();
        EXPECT_FALSE(p->isPlaying());
        ASSERT_TRUE(playToClean(*p));
        EXPECT_EQ(playing, (std::vector<bool>{true, false}));
    }
    playing.clear();
    { // Download complete, audio still playing: stop still stops it.
        auto p = make("/preview.ogg");
        p->start();
        ASSERT_TRUE(session.playUntil([&] { return p->isPlaying(); }, 10));
        zplatform::RunLoop::main().runFor(0.2); // the whole small body has arrived
        session.play(8820);
        p->stop();
        session.backend().takeRecording();
        ASSERT_TRUE(playToClean(*p));
        EXPECT_EQ(playing, (std::vector<bool>{true, false}));
        EXPECT_EQ(audibleFrames(session.backend().takeRecording()), 0u);
    }
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StreamPlayer, AStalledDownloadFailsAfterFortySecondsAFinishedOneNever) {
    auto clock = std::make_shared<FastClock>();
    auto p = make("/stalls.ogg");
    p->setClock(clock);
    p->start();
    ASSERT_TRUE(playToClean(*p, 20));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "Attention");
    EXPECT_EQ(alerts[0].message, "L'écoute s'est arrêtée suite à un problème réseau");
    EXPECT_GE(clock->seconds.load(), 40.0);
    EXPECT_LT(clock->seconds.load(), 42.0);

    // A complete body left unplayed for longer than that is not a network failure.
    alerts.clear();
    playing.clear();
    auto clock2 = std::make_shared<FastClock>();
    auto q = make("/preview.ogg");
    q->setClock(clock2);
    q->start();
    ASSERT_TRUE(session.playUntil([&] { return q->isPlaying(); }, 10));
    while (clock2->seconds.load() < 60) zplatform::RunLoop::main().runFor(0.01);
    EXPECT_LE(q->hasDataInPipe(), 1); // no turn counted once the body was complete
    ASSERT_TRUE(playToClean(*q));
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StreamPlayer, BrokenDownloadsAndBodiesRaiseTheirAlert) {
    struct Case {
        const char* path;
        const char* title;
        const char* message;
    };
    const Case cases[] = {
        {"/dies.ogg", "Attention", "L'écoute s'est arrêtée suite à un problème réseau"},
        {"/page.html", "Audio Streaming", "Can't parse AudioFileStream"},
        {"/big.flac", "Audio Streaming", "Can't parse AudioFileStream"},
        {"/missing.mp3", "Attention", "L'écoute s'est arrêtée suite à un problème réseau"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        alerts.clear();
        playing.clear();
        auto p = make(c.path);
        p->start();
        ASSERT_TRUE(session.playUntil([&] { return p->isClean() && !alerts.empty(); }, 15));
        zplatform::RunLoop::main().runFor(0.01);
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].title, c.title);
        EXPECT_EQ(alerts[0].message, c.message);
        ASSERT_FALSE(playing.empty());
        EXPECT_FALSE(playing.back());
        EXPECT_FALSE(p->isPlaying());
    }
    // An address the player cannot fetch at all.
    alerts.clear();
    KT_AudioStream bad("ftp://127.0.0.1/preview.ogg");
    bad.setAlertHandler([this](const std::string& t, const std::string& m) {
        alerts.push_back({t, m});
    });
    bad.start();
    ASSERT_TRUE(session.playUntil([&] { return bad.isClean() && !alerts.empty(); }, 5));
    EXPECT_EQ(alerts[0].message, "Can't Connect to server");
}

TEST(StreamPlayerType, HintFollowsTheLowerCasedExtension) {
    EXPECT_EQ(KT_AudioStream::typeOfSound("http://h/a/Book.M4B"), "m4af");
    EXPECT_EQ(KT_AudioStream::typeOfSound("http://h/a/x.3gpp?s=1"), "3gp2");
    EXPECT_EQ(KT_AudioStream::typeOfSound("http://h/a/x.ogg"), "MPG3");
    EXPECT_EQ(KT_AudioStream::typeOfSound("http://h/a.mp4/preview"), "MPG3");
}

} // namespace
