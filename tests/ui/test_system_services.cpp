// System services: addresses opened (recorded, refused when unsafe) and the music volume.
#include "platform/ui/system_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ui;

TEST(SystemServices, OpensOnlyWebMailAndPhoneAddresses) {
    SystemServices services;
    std::vector<std::string> handed;
    services.setOpener([&](const std::string& url) {
        handed.push_back(url);
        return url.find("fail") == std::string::npos;
    });
    EXPECT_TRUE(services.openURL("http://www.zephrun.example/news?id=3"));
    EXPECT_TRUE(services.openURL("HTTPS://itunes.example/album"));
    EXPECT_TRUE(services.openURL("mailto:fans@zephrun.example"));
    EXPECT_TRUE(services.openURL("tel:+33123456789"));
    // The opener's own failure is reported, the address still recorded.
    EXPECT_FALSE(services.openURL("http://fail.example/"));
    for (const char* bad : {"", "http://", "ftp://host/file", "javascript:alert(1)",
                            "file:///etc/passwd", "-http://x", "--help", "www.zephrun.example",
                            "http://a b/", "http://x/\n--version", "http://x/\t", "tel:"}) {
        EXPECT_FALSE(services.openURL(bad)) << bad;
    }
    std::vector<std::string> expected = {
        "http://www.zephrun.example/news?id=3", "HTTPS://itunes.example/album",
        "mailto:fans@zephrun.example", "tel:+33123456789", "http://fail.example/"};
    EXPECT_EQ(services.openedURLs(), expected);
    EXPECT_EQ(handed, expected);
}

TEST(SystemServices, TheDefaultOpenerOnlyRecordsWithoutADesktop) {
    // Under CI (or without DISPLAY) nothing is spawned; the address is recorded and accepted.
    ::setenv("CI", "1", 1);
    SystemServices services;
    EXPECT_TRUE(services.openURL("https://www.zephrun.example/"));
    EXPECT_EQ(services.openedURLs().size(), 1u);
}

TEST(SystemServices, MusicVolumeIsClampedAndObserved) {
    SystemServices services;
    EXPECT_FLOAT_EQ(services.musicVolume(), 1.0f);
    std::vector<float> seen;
    std::vector<float> seenByToken;
    services.addVolumeObserver([&](float v) { seen.push_back(v); });
    int token = services.observeVolume([&](float v) { seenByToken.push_back(v); });
    services.setMusicVolume(0.5f);
    services.setMusicVolume(0.5f); // unchanged: no notice
    services.setMusicVolume(1.7f);
    services.setMusicVolume(-0.2f);
    services.setMusicVolume(std::nanf("")); // ignored
    EXPECT_EQ(seen, (std::vector<float>{0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(seenByToken, seen);
    EXPECT_FLOAT_EQ(services.musicVolume(), 0.0f);
    services.removeVolumeObserver(token);
    services.setMusicVolume(0.3f);
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(seenByToken.size(), 3u);
    // An observer may remove another (or itself) while notified; the removed one is not called.
    int first = 0, second = 0;
    int secondToken = 0;
    services.observeVolume([&](float) {
        ++first;
        services.removeVolumeObserver(secondToken);
    });
    secondToken = services.observeVolume([&](float) { ++second; });
    services.setMusicVolume(0.9f);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}
