// Defaults store: round trip, damaged files, atomic batches, and survival of kill -9 mid-write.
#include "platform/atomic_file.h"
#include "platform/user_defaults.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using zplatform::UserDefaults;

namespace {

class TempDir {
  public:
    TempDir() {
        char templ[] = "/tmp/zdefaults-XXXXXX";
        path_ = ::mkdtemp(templ);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void writeRaw(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

} // namespace

TEST(DefaultsStore, ValuesSurviveReopeningWithAwkwardCharacters) {
    TempDir dir;
    const fs::path file = dir.path() / "sub" / "defaults";
    const std::string tricky = "line\nfeed\ttab\r\\back\\nslash é 日本";
    {
        UserDefaults d(file);
        EXPECT_TRUE(d.setBool("Zephrun_IsFrench", true));
        EXPECT_TRUE(d.setBool("Zephrun_ApplicationRunning", false));
        EXPECT_TRUE(d.setString("Zephrun_NumVersionDiscographie", ""));
        EXPECT_TRUE(d.setString("key\twith\ntab", tricky));
    }
    UserDefaults d(file);
    EXPECT_TRUE(d.boolForKey("Zephrun_IsFrench"));
    EXPECT_TRUE(d.hasKey("Zephrun_ApplicationRunning"));
    EXPECT_FALSE(d.boolForKey("Zephrun_ApplicationRunning"));
    EXPECT_EQ(d.stringForKey("Zephrun_NumVersionDiscographie"), std::optional<std::string>(""));
    EXPECT_EQ(d.stringForKey("key\twith\ntab"), tricky);
    EXPECT_FALSE(d.hasKey("Zephrun_DateNotif"));
    EXPECT_EQ(d.stringForKey("Zephrun_DateNotif"), std::nullopt);

    EXPECT_TRUE(d.removeObject("Zephrun_IsFrench"));
    EXPECT_FALSE(UserDefaults(file).hasKey("Zephrun_IsFrench"));
}

TEST(DefaultsStore, ConversionsBetweenBoolAndString) {
    TempDir dir;
    UserDefaults d(dir.path() / "defaults");
    d.setValues({{"yes", std::string("YES")},
                 {"one", std::string("1")},
                 {"no", std::string("NO")},
                 {"word", std::string("abc")},
                 {"flag", true}});
    EXPECT_TRUE(d.boolForKey("yes"));
    EXPECT_TRUE(d.boolForKey("one"));
    EXPECT_FALSE(d.boolForKey("no"));
    EXPECT_FALSE(d.boolForKey("word"));
    EXPECT_FALSE(d.boolForKey("absent"));
    EXPECT_EQ(d.stringForKey("flag"), std::optional<std::string>("1"));
}

TEST(DefaultsFile, MissingCorruptOrTruncatedFilesReadAsEmpty) {
    TempDir dir;
    const fs::path file = dir.path() / "defaults";
    EXPECT_TRUE(UserDefaults(file).snapshot().empty());

    std::map<std::string, UserDefaults::Value> values{{"a", true}, {"b", std::string("x\ny")}};
    const std::string good = UserDefaults::serialize(values);
    ASSERT_EQ(UserDefaults::parse(good), values);
    // Every proper prefix of a valid file is refused, so a torn write can never pass for data.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(UserDefaults::parse(good.substr(0, n)), std::nullopt) << "prefix " << n;
    for (const std::string& bad :
         {std::string("garbage"), good + "s\tc\td\n", std::string("\0\0\0", 3),
          good.substr(0, good.size() - 1) + "7\n"}) {
        writeRaw(file, bad);
        UserDefaults d(file);
        EXPECT_TRUE(d.snapshot().empty());
        // A damaged store is replaced by a good one at the next change.
        EXPECT_TRUE(d.setBool("k", true));
        EXPECT_TRUE(UserDefaults(file).boolForKey("k"));
    }
}

TEST(DefaultsFile, UnwritableLocationReportsFailureAndKeepsValuesInMemory) {
    TempDir dir;
    writeRaw(dir.path() / "blocker", "a file where a directory should be");
    UserDefaults d(dir.path() / "blocker" / "defaults");
    EXPECT_FALSE(d.setString("k", "v"));
    EXPECT_EQ(d.stringForKey("k"), std::optional<std::string>("v"));
}

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryBehind) {
    TempDir dir;
    const fs::path file = dir.path() / "doc.xml";
    ASSERT_TRUE(zplatform::writeFileAtomically(file, "first"));
    ASSERT_TRUE(zplatform::writeFileAtomically(file, "second, longer"));
    EXPECT_EQ(zplatform::readWholeFile(file), std::optional<std::string>("second, longer"));
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
    EXPECT_EQ(zplatform::readWholeFile(dir.path() / "missing"), std::nullopt);
}

// A writer process stores generation g under every key (plus padding, so a write takes a
// while), g = 1, 2, 3, ... and is killed with SIGKILL at random moments. After each kill the
// store must read completely, with one generation in every key, never older than the last seen.
TEST(DefaultsCrash, SurvivesKillNineDuringWrites) {
    TempDir dir;
    const fs::path file = dir.path() / "defaults";
    constexpr int kKeys = 20;
    auto valuesFor = [](long gen) {
        std::vector<std::pair<std::string, UserDefaults::Value>> v;
        for (int k = 0; k < kKeys; ++k)
            v.emplace_back("Zephrun_Key" + std::to_string(k), std::to_string(gen));
        v.emplace_back("Zephrun_Padding", std::string(16384, char('a' + gen % 26)));
        v.emplace_back("Zephrun_Odd", gen % 2 == 1);
        return v;
    };
    ASSERT_TRUE(UserDefaults(file).setValues(valuesFor(0)));

    std::mt19937 random(12345);
    long lastGen = 0;
    int kills = 0;
    for (int round = 0; round < 50; ++round) {
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(started[0]);
            UserDefaults d(file);
            long gen = std::stol(d.stringForKey("Zephrun_Key0").value_or("0"));
            for (bool first = true;; first = false) {
                ++gen;
                if (!d.setValues(valuesFor(gen))) ::_exit(3);
                // Tells the parent that writing is under way, so that the kill lands among
                // writes even when starting the child is slow (sanitizer builds).
                if (first && ::write(started[1], "w", 1) != 1) ::_exit(4);
            }
        }
        ::close(started[1]);
        pollfd wait{started[0], POLLIN, 0};
        ASSERT_EQ(::poll(&wait, 1, 10000), 1) << "writer did not start";
        ::close(started[0]);
        ::usleep(std::uniform_int_distribution<unsigned>(0, 20000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself, status " << status;
        ++kills;

        auto text = zplatform::readWholeFile(file);
        ASSERT_TRUE(text.has_value());
        auto parsed = UserDefaults::parse(*text);
        ASSERT_TRUE(parsed.has_value()) << "torn store after kill " << kills;
        ASSERT_EQ(parsed->size(), size_t(kKeys + 2));
        long gen = std::stol(std::get<std::string>(parsed->at("Zephrun_Key0")));
        for (auto& [key, value] : valuesFor(gen)) ASSERT_EQ(parsed->at(key), value) << key;
        ASSERT_GE(gen, lastGen);
        lastGen = gen;
    }
    EXPECT_EQ(kills, 50);
    EXPECT_GE(lastGen, 50); // every writer completed at least one write
}

TEST(DefaultsFile, HoldsThePasswordPrivatelyAndNeverLogsIt) {
    TempDir dir;
    const fs::path home = dir.path() / "zephrun";
    const fs::path file = home / "defaults";
    auto mode = [](const fs::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 07777;
    };
    {
        UserDefaults d(file);
        ASSERT_TRUE(d.setString("Zephrun_ZephrunPassword", "s3cret pass"));
    }
    EXPECT_EQ(mode(home), 0700u);
    EXPECT_EQ(mode(file), 0600u);

    // Found looser (an older version, a copy, a leftover temporary): narrowed, at once for what
    // exists and from the first byte for what is written.
    ASSERT_EQ(::chmod(home.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    writeRaw(file.string() + ".tmp", "old");
    ASSERT_EQ(::chmod((file.string() + ".tmp").c_str(), 0666), 0);
    UserDefaults d(file);
    EXPECT_EQ(mode(home), 0700u);
    EXPECT_EQ(mode(file), 0600u);
    ASSERT_TRUE(d.setString("Zephrun_ZephrunLogin", "fan"));
    EXPECT_EQ(mode(file), 0600u);
    EXPECT_EQ(d.stringForKey("Zephrun_ZephrunPassword"), std::optional<std::string>("s3cret pass"));

    // A damaged store says so without showing what it held.
    writeRaw(file, "zephrun-defaults 1\ns\tZephrun_ZephrunPassword\ts3cret pass\n");
    testing::internal::CaptureStderr();
    UserDefaults damaged(file);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("unreadable"), std::string::npos);
    EXPECT_EQ(log.find("s3cret"), std::string::npos);
}
