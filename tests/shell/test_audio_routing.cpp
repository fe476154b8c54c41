// A preview and a mix never play together; the mix table's package comes from the application
// package or a download that is stored only when it is a whole, playable package.
#include "app_fixture.h"

#include <fstream>

#include "app/shell/audio_routing.h"
#include "app/shell/mix_download.h"
#include "platform/audio/recording_audio_backend.h"
#include "platform/ui/system_services.h"
#include "player/kt_audio_stream.h"

using namespace apptest;

namespace {

int peak(const zplatform::AudioRecording& r) {
    int p = 0;
    for (int16_t s : r.samples) p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

} // namespace

TEST(AudioRouting, PreviewStopsTheMixAndTheMixStopsThePreview) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    ASSERT_TRUE(r.app().playMix());
    r.advance(0.5);
    EXPECT_GT(peak(r.host->recording()->takeRecording()), 1000);

    r.app().audioPlayUrl(r.server->baseURL() + "media/previews/ciel_de_verre_01.ogg");
    EXPECT_FALSE(r.app().playMix());
    EXPECT_EQ(r.app().myAudioMix(), nullptr);
    EXPECT_TRUE(r.app().playExtrait());
    ASSERT_TRUE(r.advanceUntil([&] { return r.app().myAudio()->isPlaying(); }));
    r.host->recording()->takeRecording();
    r.advance(0.5);
    EXPECT_GT(peak(r.host->recording()->takeRecording()), 1000);

    // The home mix again: the preview stops and its end clears the flag.
    EXPECT_GT(r.app().audioMixStart("home_2010"), 0);
    EXPECT_TRUE(r.advanceUntil([&] { return !r.app().playExtrait(); }));
    EXPECT_TRUE(r.app().playMix());
    r.app().audioMixStop();
    EXPECT_FALSE(r.app().playMix());
    EXPECT_EQ(r.app().audioMixStart("no_such_package"), 0);
}

TEST(AudioRouting, VolumeOutsideZeroToOneIsIgnored) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    r.app().audioMixsetVolume(0.25f);
    r.app().audioMixsetVolume(1.01f);
    r.app().audioMixsetVolume(-0.1f);
    EXPECT_FLOAT_EQ(r.host->window().services().musicVolume(), 0.25f);
    r.app().audioMixsetVolume(1.0f);
    EXPECT_FLOAT_EQ(r.host->window().services().musicVolume(), 1.0f);
}

TEST(MixDownload, StoresOnlyAWholePlayablePackage) {
    AppRun r;
    const std::string dest = r.dir.file("mxp4/mxt_2010.mxp4");
    std::atomic<bool> cancel{false};
    long long lastTotal = 0, lastReceived = 0;
    zephrun::MixDownload download;
    download.setProgress([&](long long received, long long total) {
        lastReceived = received;
        lastTotal = total;
    });
    // The demo content holds files that are not packages, and addresses that answer 404.
    auto refused = download.run(r.server->baseURL() + "ZephrunConfig.xml", dest, cancel);
    EXPECT_FALSE(refused.stored);
    EXPECT_EQ(refused.failure, "not a mix package");
    auto missing = download.run(r.server->baseURL() + "no/such/file.mxp4", dest, cancel);
    EXPECT_FALSE(missing.stored);
    EXPECT_EQ(missing.failure, "HTTP status 404");
    EXPECT_FALSE(std::filesystem::exists(dest));

    // A package served by the server (copied into its content) is stored, with its progress.
    std::filesystem::copy_file(std::string(ZEPHRUN_APP_PACKAGE) + "/mxt_2010.mxp4",
                               r.dir.file("content/mxt_2010.mxp4"));
    auto stored = download.run(r.server->baseURL() + "mxt_2010.mxp4", dest, cancel);
    EXPECT_TRUE(stored.stored) << stored.failure;
    EXPECT_EQ(std::filesystem::file_size(dest), std::filesystem::file_size(r.dir.file("content/mxt_2010.mxp4")));
    EXPECT_EQ(lastReceived, lastTotal);
    EXPECT_EQ(zephrun::mixDownloadProgressText(true, 3'100'000, 10'200'000),
              "Téléchargement du Mix\n3,1 Mo / 10,2 Mo");
}
