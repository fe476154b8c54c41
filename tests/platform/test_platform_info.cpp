// Protocol date, text helpers, preferred languages, directories, bundle and device information.
#include "platform/app_directories.h"
#include "platform/bundle_info.h"
#include "platform/device_info.h"
#include "platform/text_date.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono;

TEST(ProtocolDate, FormatsUtcWithPaddedFields) {
    auto when = sys_days(year{2010} / 5 / 12) + hours(14) + minutes(30);
    EXPECT_EQ(zplatform::protocolDate(when), "2010-05-12 14:30:00");
    auto early = sys_days(year{2001} / 1 / 2) + hours(3) + minutes(4) + seconds(5) +
                 milliseconds(999); // fractions are cut, not rounded up
    EXPECT_EQ(zplatform::protocolDate(early), "2001-01-02 03:04:05");
    EXPECT_EQ(zplatform::protocolDate().size(), 19u);
}

TEST(ProtocolDate, ParsesBackAndRefusesMalformedText) {
    auto when = sys_days(year{2026} / 12 / 31) + hours(23) + minutes(59) + seconds(59);
    EXPECT_EQ(zplatform::parseProtocolDate(zplatform::protocolDate(when)), when);
    for (const char* bad :
         {"", "2010-05-12", "2010-05-12T14:30:00", "2010-02-30 10:00:00", "2010-05-12 24:00:00",
          "2010-05-12 14:30:0x", "2010-05-12 14:30:00 ", "2010-13-01 00:00:00"})
        EXPECT_EQ(zplatform::parseProtocolDate(bad), std::nullopt) << bad;
}

TEST(TextHelpers, RemovingAndReplacing) {
    EXPECT_EQ(zplatform::removingCharacters("\n\tNews\r title\n", "\n\t\r"), "News title");
    EXPECT_EQ(zplatform::removingCharacters(" a b ", " "), "ab");
    EXPECT_EQ(zplatform::replacingOccurrences("a+b+c", "+", "_"), "a_b_c");
    EXPECT_EQ(zplatform::replacingOccurrences("aaa", "aa", "b"), "ba");
    EXPECT_EQ(zplatform::replacingOccurrences("abc", "", "x"), "abc");
    EXPECT_EQ(zplatform::escapingXml("a&b <c> \"d\" é"), "a&amp;b &lt;c&gt; &quot;d&quot; é");
}

namespace {
std::vector<std::string> languagesWith(std::map<std::string, std::string> env) {
    return zplatform::preferredLanguagesFrom([&](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    });
}
} // namespace

TEST(PreferredLanguages, FromTheLocaleVariablesInPrecedenceOrder) {
    using V = std::vector<std::string>;
    EXPECT_EQ(languagesWith({{"LANG", "fr_FR.UTF-8"}}), V{"fr"});
    EXPECT_EQ(languagesWith({{"LANG", "fr_CA.UTF-8@euro"}}), V{"fr"});
    EXPECT_EQ(languagesWith({{"LANG", "fr_FR.UTF-8"}, {"LC_MESSAGES", "en_GB.UTF-8"}}), V{"en"});
    EXPECT_EQ(languagesWith({{"LC_MESSAGES", "de_DE"}, {"LC_ALL", "fr_BE"}}), V{"fr"});
    EXPECT_EQ(languagesWith({{"LANGUAGE", "fr:en_US:fr"}, {"LANG", "de_DE.UTF-8"}}),
              (V{"fr", "en", "de"}));
    // LANGUAGE does not apply to the C locale.
    EXPECT_EQ(languagesWith({{"LANGUAGE", "fr"}, {"LC_ALL", "C"}}), V{"en"});
    EXPECT_EQ(languagesWith({{"LANG", "C.UTF-8"}}), V{"en"});
    EXPECT_EQ(languagesWith({}), V{"en"});
    EXPECT_EQ(languagesWith({{"LANG", "FR_fr"}}), V{"fr"});
}

TEST(BundleInfo, DisplayNameAndVersion) {
    EXPECT_EQ(zplatform::bundleInfoValue("CFBundleDisplayName"),
              std::optional<std::string>("Zephrun"));
    auto version = zplatform::bundleInfoValue("CFBundleVersion");
    ASSERT_TRUE(version.has_value());
    EXPECT_FALSE(version->empty());
    EXPECT_EQ(zplatform::bundleInfoValue("NoSuchKey"), std::nullopt);
    EXPECT_FALSE(zplatform::preferredLanguages().empty());
}

class DirectoriesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/zdirs-XXXXXX";
        root_ = ::mkdtemp(templ);
        zplatform::setUserDataDirectory(root_);
    }
    void TearDown() override {
        zplatform::setUserDataDirectory({});
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path root_;
};

TEST_F(DirectoriesTest, DocumentsLiveUnderTheDataDirectoryAndAreCreated) {
    EXPECT_EQ(zplatform::userDataDirectory(), root_);
    fs::path docs = zplatform::documentsDirectory();
    EXPECT_EQ(docs, root_ / "Documents");
    EXPECT_TRUE(fs::is_directory(docs));
}

TEST_F(DirectoriesTest, PackageDirectoryHoldsTheShippedResources) {
    fs::path package = zplatform::applicationPackageDirectory();
    EXPECT_TRUE(fs::is_directory(package)) << package;
    ::setenv("ZEPHRUN_PACKAGE_DIR", root_.c_str(), 1);
    EXPECT_EQ(zplatform::applicationPackageDirectory(), root_);
    ::unsetenv("ZEPHRUN_PACKAGE_DIR");
}

TEST_F(DirectoriesTest, DeviceIdentifierIsStableAndRepairedWhenDamaged) {
    auto device = zplatform::currentDevice();
    EXPECT_EQ(device.uniqueIdentifier.size(), 40u);
    EXPECT_EQ(device.uniqueIdentifier.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(zplatform::currentDevice().uniqueIdentifier, device.uniqueIdentifier);
    EXPECT_FALSE(device.systemName.empty());
    EXPECT_FALSE(device.systemVersion.empty());
    EXPECT_FALSE(device.name.empty());

    std::ofstream(root_ / "device-id") << "not an identifier\n";
    std::string repaired = zplatform::currentDevice().uniqueIdentifier;
    EXPECT_EQ(repaired.size(), 40u);
    EXPECT_NE(repaired, device.uniqueIdentifier);
    EXPECT_EQ(zplatform::currentDevice().uniqueIdentifier, repaired);
}

TEST_F(DirectoriesTest, PackageFoundBesideInstalledOrBuiltProgramsAndOverridden) {
    fs::create_directories(root_ / "prefix/bin");
    fs::create_directories(root_ / "prefix/share/zephrun/Zephrun.app");
    EXPECT_EQ(zplatform::packageDirectoryBesideExecutable(root_ / "prefix/bin/zephrun"),
              root_ / "prefix/share/zephrun/Zephrun.app");
    fs::create_directories(root_ / "build/tests");
    EXPECT_EQ(zplatform::packageDirectoryBesideExecutable(root_ / "build/tests/t"), fs::path());
    fs::create_directories(root_ / "build/Zephrun.app");
    EXPECT_EQ(zplatform::packageDirectoryBesideExecutable(root_ / "build/tests/t"),
              root_ / "build/Zephrun.app");

    zplatform::setApplicationPackageDirectory(root_ / "mine");
    ::setenv("ZEPHRUN_PACKAGE_DIR", root_.c_str(), 1);
    EXPECT_EQ(zplatform::applicationPackageDirectory(), root_ / "mine");
    zplatform::setApplicationPackageDirectory({});
    ::unsetenv("ZEPHRUN_PACKAGE_DIR");
}

TEST(PicturesDirectory, ReadFromTheUserDirsFileAsTheShellWould) {
    const fs::path home = "/home/fan";
    EXPECT_EQ(
        zplatform::picturesDirectoryFromUserDirs(
            "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Images\"\n",
            home),
        home / "Images");
    EXPECT_EQ(zplatform::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"/srv/photos\"", home),
              fs::path("/srv/photos"));
    // The home itself means "disabled"; unquoted or relative values are not honoured.
    EXPECT_EQ(zplatform::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"$HOME/\"", home),
              fs::path());
    EXPECT_EQ(zplatform::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=Pictures\n", home),
              fs::path());
    EXPECT_EQ(zplatform::picturesDirectoryFromUserDirs("", home), fs::path());
}
