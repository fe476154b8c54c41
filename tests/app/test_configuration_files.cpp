// Configuration files: cached file against package copy, the server update as the session-open
// reply brings it, and the persisted keys and cache paths of a launch.
#include "test_configuration_fixture.h"

#include "client/reply_parsers.h"

namespace zephrun::test {
namespace {

const std::string kCached = configDoc(var("url_omv", "http://127.0.0.1:1/cached/"), "cached");
const std::string kShipped = configDoc(var("url_omv", "http://127.0.0.1:1/shipped/"), "shipped");

TEST_F(ConfigurationTest, CachedFileWinsOverThePackageCopy) {
    write(cacheFile(), kCached);
    write(packageFile(), kShipped);
    auto config = make();
    EXPECT_EQ(config->url_omv(), "http://127.0.0.1:1/cached/");
    EXPECT_EQ(read(cacheFile()), kCached);
}

TEST_F(ConfigurationTest, PackageCopyReplacesAMissingOrTinyCache) {
    write(packageFile(), kShipped);
    for (const char* cached : {"", "x"}) {
        write(cacheFile(), cached);
        auto config = make();
        EXPECT_EQ(config->url_omv(), "http://127.0.0.1:1/shipped/") << '"' << cached << '"';
        EXPECT_EQ(read(cacheFile()), kShipped);
    }
    std::filesystem::remove(cacheFile());
    auto config = make();
    EXPECT_EQ(config->url_omv(), "http://127.0.0.1:1/shipped/");
    EXPECT_EQ(read(cacheFile()), kShipped);
    EXPECT_EQ(defaults_->stringForKey(key(keys::kDateConfig)), "shipped");
}

TEST_F(ConfigurationTest, UnreadableCacheFallsBackAndNothingGivesTheEmptyDocument) {
    std::filesystem::create_directories(cacheFile()); // a directory cannot be read as a file
    write(packageFile(), kShipped);
    EXPECT_EQ(make()->url_omv(), "http://127.0.0.1:1/shipped/");

    std::filesystem::remove(packageFile());
    auto config = make();
    EXPECT_FALSE(config->url_omv().has_value());
    EXPECT_EQ(config->id_wr_connexion(), 0);

    // No path stored at all: still the shipped copy, and no file written anywhere.
    defaults_->removeObject(key(keys::kPathConfigFile));
    write(packageFile(), kShipped);
    EXPECT_EQ(make()->url_omv(), "http://127.0.0.1:1/shipped/");
}

TEST_F(ConfigurationTest, MalformedCacheIsReplacedByThePackageCopy) {
    write(cacheFile(), "<config date=\"broken\"><var name=\"id_wr_disco\">3</var>");
    write(packageFile(), kShipped);
    auto config = make();
    EXPECT_EQ(config->url_omv(), "http://127.0.0.1:1/shipped/");
    EXPECT_EQ(config->id_wr_disco(), 0);
    EXPECT_EQ(read(cacheFile()), kShipped);
}

TEST_F(ConfigurationTest, ServerUpdateIsAppliedCachedAndReadAtTheNextLaunch) {
    write(packageFile(), kShipped);
    auto config = make();
    // The reply as the session-open reader sees it: other items around the block, and a second
    // "</config>" that must not be part of the document.
    const std::string reply = "<Omnivale><result status=\"ok\"/><sessionID>s1</sessionID>"
                              "<config date=\"2026-12-08 10:00:00\">" +
                              var("url_omv", "http://127.0.0.1:8642/") +
                              var("id_wr_news_en", "77") + var("color_2010", "0-0-0-255") +
                              "</config><x></config></x></Omnivale>";
    kt::KT_ParseConfig parser(reply);
    ASSERT_TRUE(parser.configBlock().has_value());
    bool applied = false;
    EXPECT_TRUE(parser.updateConfig(
        [&](std::string_view xml) { applied = config->applyServerUpdate(xml); }));
    EXPECT_TRUE(applied);

    EXPECT_EQ(config->url_omv(), "http://127.0.0.1:8642/");
    EXPECT_EQ(config->id_wr_news_en(), 77);
    EXPECT_EQ(config->date_config(), "2026-12-08 10:00:00");
    EXPECT_EQ(defaults_->stringForKey(key(keys::kDateConfig)), "2026-12-08 10:00:00");
    EXPECT_EQ(read(cacheFile()), *parser.configBlock());

    // The next launch starts from the cached update, not from the package copy.
    auto next = make();
    EXPECT_EQ(next->url_omv(), "http://127.0.0.1:8642/");
    EXPECT_EQ(next->id_wr_news_en(), 77);
    ASSERT_TRUE(next->colorTeinte2010());
    EXPECT_EQ(next->colorTeinte2010()->red, 0.0f);
}

TEST_F(ConfigurationTest, ReplyWithoutConfigurationChangesNothing) {
    write(packageFile(), kShipped);
    auto config = make();
    kt::KT_ParseConfig parser(
        "<Omnivale><result status=\"ok\"/><config>no date</config></Omnivale>");
    bool called = false;
    EXPECT_FALSE(parser.updateConfig([&](std::string_view) { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_EQ(config->url_omv(), "http://127.0.0.1:1/shipped/");
}

TEST_F(ConfigurationTest, MalformedUpdateLeavesEverythingAsItWas) {
    write(packageFile(), kShipped);
    auto config = make();
    config->set_time_change_bkg(10);
    const ConfigurationValues before = config->values();
    const std::string cachedBefore = read(cacheFile());

    const std::string bad[] = {
        "<config date=\"new\">" + var("url_omv", "http://127.0.0.1:2/") +
            "<var name=\"x\"></config>",
        "<config date=\"new\">" + var("url_omv", "http://127.0.0.1:2/") + "\xc3</config>",
        "<config date=\"new\"><var name=\"url_omv\">&undefined;</var></config>",
        "",
    };
    for (const std::string& doc : bad) {
        EXPECT_FALSE(config->applyServerUpdate(doc)) << doc;
        const ConfigurationValues after = config->values();
        EXPECT_EQ(after.url_omv, before.url_omv);
        EXPECT_EQ(after.time_change_bkg, 10);
        EXPECT_EQ(after.date_config, "shipped");
        EXPECT_EQ(defaults_->stringForKey(key(keys::kDateConfig)), "shipped");
        EXPECT_EQ(read(cacheFile()), cachedBefore);
    }
}

TEST_F(ConfigurationTest, UpdateThatCannotBeCachedIsAskedForAgain) {
    write(packageFile(), kShipped);
    auto config = make();
    // The cache path now lies under a regular file, so no write can succeed.
    write(root_ / "file", "x");
    defaults_->setString(key(keys::kPathConfigFile),
                         (root_ / "file" / "ZephrunConfig.xml").string());
    EXPECT_TRUE(config->applyServerUpdate(configDoc(var("id_wr_disco", "9"), "new")));
    EXPECT_EQ(config->id_wr_disco(), 9);
    EXPECT_EQ(defaults_->stringForKey(key(keys::kDateConfig)), "shipped");
}

TEST(PersistedKeys, KeysAreDisplayNamePlusSuffix) {
    EXPECT_EQ(persistedKey("Zephrun", keys::kIsFrench), "Zephrun_IsFrench");
    EXPECT_EQ(persistedKey("Zephrun", keys::kPathMXP4File), "Zephrun_PathMXP4File");
}

TEST(PersistedKeys, CachePathTable) {
    const auto rows = cachePaths("/d");
    const std::vector<std::pair<std::string, std::string>> want = {
        {"_PathConfigFile", "/d/ZephrunConfig.xml"},
        {"_PathImageReporter", "/d/imageReporter.jpg"},
        {"_PathNewsFileEN", "/d/ZephrunNewsEN.xml"},
        {"_PathNewsFileFR", "/d/ZephrunNewsFR.xml"},
        {"_PathTwitterFile", "/d/ZephrunTwitter.xml"},
        {"_PathVideosFile", "/d/ZephrunVideos.xml"},
        {"_PathConcertsFile", "/d/"},
        {"_PathDiscoFile", "/d/ZephrunDisco.xml"},
        {"_PathDisqueFile", "/d/ZephrunDisque_"},
        {"_PathMembresFile", "/d/ZephrunMembres.xml"},
        {"_PathShowLiveFile2010", "/d/ZephrunShowLive2010.xml"},
        {"_PathImage", "/d/image"},
        {"_PathMXP4File", "/d/mxp4/"},
    };
    ASSERT_EQ(rows.size(), want.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].suffix, want[i].first);
        EXPECT_EQ(rows[i].path, want[i].second);
    }
}

TEST_F(ConfigurationTest, LaunchStoresPathsAndCreatesDirectories) {
    const std::string d = documents().string();
    defaults_->setString(key(keys::kPathImage), "/stale/from/an/earlier/launch");
    EXPECT_TRUE(storeCachePaths(*defaults_, kDisplayName, d));
    for (const auto& row : cachePaths(d))
        EXPECT_EQ(defaults_->stringForKey(key(row.suffix)), row.path) << row.suffix;
    EXPECT_TRUE(std::filesystem::is_directory(d + "/image"));
    EXPECT_TRUE(std::filesystem::is_directory(d + "/mxp4"));
    // The store itself survives a reopen.
    zplatform::UserDefaults reopened(defaults_->file());
    EXPECT_EQ(reopened.stringForKey(key(keys::kPathMXP4File)), d + "/mxp4/");

    // A file where a directory belongs is reported.
    const std::string blocked = (root_ / "blocked").string();
    std::filesystem::create_directories(blocked);
    write(blocked + "/image", "not a directory");
    EXPECT_FALSE(storeCachePaths(*defaults_, kDisplayName, blocked));
}

TEST_F(ConfigurationTest, FirstLaunchKeys) {
    struct Case {
        const char* language;
        bool french;
    };
    for (Case c : {Case{"fr", true}, Case{"en", false}, Case{"fr-CA", false}, Case{"FR", false},
                   Case{"", false}}) {
        zplatform::UserDefaults store(root_ / ("defaults-" + std::string(c.language)));
        initialiseLaunchKeys(store, kDisplayName, c.language);
        EXPECT_EQ(store.boolForKey(key(keys::kIsFrench)), c.french) << c.language;
        EXPECT_TRUE(store.hasKey(key(keys::kIsFrench)));
        EXPECT_TRUE(store.boolForKey(key(keys::kApplicationRunning)));
        // A later language change never overwrites the stored choice.
        initialiseLaunchKeys(store, kDisplayName, c.french ? "en" : "fr");
        EXPECT_EQ(store.boolForKey(key(keys::kIsFrench)), c.french) << c.language;
    }
}

TEST_F(ConfigurationTest, DiscographyVersionEmptyBecomesZeroAbsentStaysAbsent) {
    const std::string k = key(keys::kNumVersionDiscographie);
    initialiseLaunchKeys(*defaults_, kDisplayName, "en");
    EXPECT_FALSE(defaults_->hasKey(k));
    defaults_->setString(k, "");
    initialiseLaunchKeys(*defaults_, kDisplayName, "en");
    EXPECT_EQ(defaults_->stringForKey(k), "0");
    defaults_->setString(k, "12");
    initialiseLaunchKeys(*defaults_, kDisplayName, "en");
    EXPECT_EQ(defaults_->stringForKey(k), "12");
}

TEST_F(ConfigurationTest, ReadCacheOrPackageCopy) {
    const std::string cache = (documents() / "ZephrunNewsEN.xml").string();
    const std::string shipped = packageCopyPath(package().string(), "ZephrunNewsEN.xml");
    EXPECT_EQ(shipped, package().string() + "/ZephrunNewsEN.xml");
    EXPECT_FALSE(readCacheOrPackageCopy(cache, shipped).has_value());
    EXPECT_FALSE(std::filesystem::exists(cache));
    write(shipped, "<news/>");
    EXPECT_EQ(readCacheOrPackageCopy(cache, shipped), "<news/>");
    EXPECT_EQ(read(cache), "<news/>");
    write(cache, "<cached/>");
    EXPECT_EQ(readCacheOrPackageCopy(cache, shipped), "<cached/>");
}

} // namespace
} // namespace zephrun::test
