// The ktclient tool run as a program: codec commands on known vectors, usage errors, and OPEN and
// WEBREQUEST against the reference content server on loopback.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

#ifdef KTCLIENT_TOOL
#include "server/content_server.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemoContent = fs::path(__FILE__).parent_path() / "../../resources/server";

struct ToolRun {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs ktclient with shell-quoted arguments, its data directory in a scratch folder.
ToolRun ktclient(const std::vector<std::string>& args) {
    ts::TempDir dir;
    const std::string errFile = dir.file("stderr");
    std::string cmd = "ZEPHRUN_DATA_DIR='" + dir.path() + "' '" KTCLIENT_TOOL "'";
    for (const std::string& a : args) cmd += " " + quoted(a);
    cmd += " 2>'" + errFile + "'";
    ToolRun r;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) r.out.append(buf, n);
    const int st = pclose(f);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::vector<uint8_t> err = ts::readBytes(errFile);
    r.err.assign(err.begin(), err.end());
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    return r;
}

// Recorded with `openssl enc -des-cbc -K 5765767133386e62 -iv 5765767133386e62` (legacy
// provider), then "+" written "_" and the "=" padding dropped.
constexpr const char* kPlain = "<Omnivale v=\"1.0\"/>";
constexpr const char* kCipher = "mm6Dmpk5thd2AybgYwf0KOPQAw/ciSd_";

TEST(KtclientCodecs, EncryptAndDecryptMatchTheRecordedVector) {
    ToolRun e = ktclient({"encrypt", kPlain});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.out, std::string(kCipher) + "\n");
    ToolRun d = ktclient({"decrypt", kCipher});
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.out, std::string(kPlain) + "\n");
}

TEST(KtclientCodecs, NonAsciiTextRoundTrips) {
    const std::string text = "tournée d'été — 2026 & plus";
    ToolRun e = ktclient({"encrypt", text});
    ASSERT_EQ(e.status, 0);
    ASSERT_FALSE(e.out.empty());
    ToolRun d = ktclient({"decrypt", e.out.substr(0, e.out.size() - 1)});
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.out, text + "\n");
}

TEST(KtclientCodecs, UndecipherableInputFailsWithAReason) {
    // Not a whole number of blocks, then whole blocks with a wrong padding.
    for (const char* bad : {"abc", "AAAAAAAAAAA", ""}) {
        ToolRun d = ktclient({"decrypt", bad});
        EXPECT_EQ(d.status, 1) << bad;
        EXPECT_TRUE(d.out.empty()) << bad;
        EXPECT_NE(d.err.find("cannot decipher"), std::string::npos) << d.err;
    }
}

TEST(KtclientCodecs, UnescapeDecodesKnownReferencesOnly) {
    ToolRun r = ktclient({"unescape", "&eacute;t&#233; &amp; caf&#xE9; &zz;"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "été & café &zz;\n");
}

TEST(KtclientUsage, BadInvocationsExitTwoWithUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"encrypt"},
        {"encrypt", "a", "b"},
        {"open"},
        {"request", "http://127.0.0.1:1/"},
        {"open", "ftp://127.0.0.1/"},
        {"request", "http://127.0.0.1:1/", "12x"},
        {"request", "http://127.0.0.1:1/", "105", "no_equals_sign"},
        {"request", "http://127.0.0.1:1/", "105", "=value"},
    };
    for (const auto& args : cases) {
        ToolRun r = ktclient(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("ktclient: "), std::string::npos) << r.err;
    }
}

class KtclientServer : public ::testing::Test {
  protected:
    void SetUp() override {
        zserver::ServerOptions o;
        o.contentDir = kDemoContent.string();
        server_ = std::make_unique<zserver::ContentServer>(o);
        ASSERT_TRUE(server_->start()) << server_->error();
    }
    std::unique_ptr<zserver::ContentServer> server_;
};

TEST_F(KtclientServer, OpenPrintsSessionNotificationAndConfiguration) {
    ToolRun r = ktclient({"open", server_->baseURL()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("session: ([0-9a-f]{32})\n"))) << r.out;
    EXPECT_TRUE(server_->store().isOpen(m[1]));
    EXPECT_NE(r.out.find("notification: title=\"Zephrun\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("configuration: yes"), std::string::npos) << r.out;
}

TEST_F(KtclientServer, OpenAcceptsAnAddressWithoutTrailingSlash) {
    std::string base = server_->baseURL();
    base.pop_back();
    ToolRun r = ktclient({"open", base});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(KtclientServer, RequestPrintsTheDecipheredFeed) {
    ToolRun r = ktclient({"request", server_->baseURL(), "105", "num_page=2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("<action name=\"WEBREQUEST\" id=\"105\" status=\"ok\""), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("<xmlpipe>"), std::string::npos) << r.out;
}

TEST_F(KtclientServer, UnknownRequestIdIsAFailure) {
    ToolRun r = ktclient({"request", server_->baseURL(), "999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("status=\"error\""), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("with an error"), std::string::npos) << r.err;
}

TEST(KtclientNoServer, RefusedConnectionFailsClearly) {
    std::string base;
    {
        zserver::ServerOptions o;
        o.contentDir = kDemoContent.string();
        zserver::ContentServer s(o);
        ASSERT_TRUE(s.start());
        base = s.baseURL();
    } // stopped: its port now refuses connections
    ToolRun open = ktclient({"open", base});
    EXPECT_EQ(open.status, 1);
    EXPECT_NE(open.err.find("OPEN failed"), std::string::npos) << open.err;
    ToolRun request = ktclient({"request", base, "105"});
    EXPECT_EQ(request.status, 1);
    EXPECT_NE(request.err.find("cannot open a session"), std::string::npos) << request.err;
}

} // namespace
#endif
