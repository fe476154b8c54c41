// The reference server's site as the application and a browser use it: the login in two
// requests with its cookie, logout, registration through the form, the static pages of every
// configured address, the video clips with byte ranges, and the mix package download.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "client/html_unescape.h"
#include "client/kt_webtools.h"
#include "client/url_escape.h"
#include "demo_server.h"
#include "mkcontent/video_clips.h"
#include "platform/http/http_cookies.h"
#include "platform/notification_center.h"
#include "platform/user_defaults.h"
#include "server/member_store.h"
#include "server/password_hash.h"

using namespace demo;

namespace {

const std::string kFirstMarker = "<dd class=\"profile-profile_first\">";

// The text between a profile marker and the next "</dd>", as the member account reads it, its
// character references decoded.
std::string profileField(const std::string& page, const std::string& key) {
    std::string marker = "<dd class=\"profile-profile_" + key + "\">";
    size_t at = page.find(marker);
    if (at == std::string::npos) return "<missing>";
    at += marker.size();
    return kt::stringByUnescapingHTML(page.substr(at, page.find("</dd>", at) - at));
}

class Site : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.start());
        defaults_ = std::make_unique<zplatform::UserDefaults>(fs::path(dir_.path()) / "defaults");
    }

    // One request of the member account: a fresh request client, the five variables posted,
    // cookies cleared first when asked. The reply as text, "" when none came.
    std::string accountRequest(const std::string& url, const std::string& name,
                               const std::string& pass, bool clearCookies) {
        kt::KT_webtoolsEnvironment e;
        e.defaults = defaults_.get();
        e.displayName = "Zephrun";
        e.center = &center_;
        kt::KT_webtools wt(nullptr, e);
        wt.KT_setURL(url);
        wt.KT_setTimeout(30);
        wt.KT_addVariable("name", kt::KT_urlencode(name));
        wt.KT_addVariable("pass", kt::KT_urlencode(pass));
        wt.KT_addVariable("form_id", "user_login");
        wt.KT_addVariable("form_build_id", "");
        wt.KT_addVariable("op", "Connexion");
        wt.KT_sendWithResponseNowWithCleanCookie(clearCookies);
        return wt.KT_getResponse().value_or("");
    }

    // The site login of the member account: the status check on the first reply, the profile
    // marker on the second. The second reply, or "" when the login failed.
    std::string siteLogin(const std::string& name, const std::string& pass,
                          const std::string& lang = "fr") {
        const std::string url = server_.base() + "site/login_" + lang + ".html";
        std::string first = accountRequest(url, name, pass, true);
        std::string squeezed;
        for (char c : first)
            if (!std::isspace(static_cast<unsigned char>(c)))
                squeezed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (squeezed.find("\"status\":true") == std::string::npos) return "";
        std::string second = accountRequest(url, name, pass, false);
        return second.find(kFirstMarker) == std::string::npos ? "" : second;
    }

    httplib::Result post(const std::string& path, const std::string& body,
                         const httplib::Headers& headers = {}) {
        return server_.client().Post(path, headers, body, "application/x-www-form-urlencoded");
    }

    ts::TempDir dir_;
    DemoServer server_{dir_};
    std::unique_ptr<zplatform::UserDefaults> defaults_;
    zplatform::NotificationCenter center_;
};

} // namespace

TEST_F(Site, TheDemoMemberLogsInInTwoRequests) {
    std::string profile = siteLogin("demo", "zephrun");
    ASSERT_FALSE(profile.empty());
    EXPECT_EQ(profileField(profile, "first"), "Camille");
    EXPECT_EQ(profileField(profile, "last"), "Démo");
    EXPECT_EQ(profileField(profile, "gender"), "female");
    EXPECT_EQ(profileField(profile, "age"), "29");
    EXPECT_EQ(profileField(profile, "country"), "France");
    EXPECT_NE(profile.find("<html lang=\"fr\">"), std::string::npos);
    // Read as ASCII text by the member account: nothing past ASCII in it.
    EXPECT_TRUE(std::all_of(profile.begin(), profile.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_NE(siteLogin("demo", "zephrun", "en").find("<html lang=\"en\">"), std::string::npos);

    // Wrong credentials: no status, no cookie, and never the profile, cookie or not.
    auto& jar = zplatform::HttpCookieStore::shared();
    for (auto [name, pass] :
         {std::pair{"demo", "Zephrun"}, {"demo", ""}, {"nobody", "zephrun"}, {"luna_10", "x"}}) {
        std::string first = accountRequest(server_.base() + "site/login_fr.html", name, pass, true);
        EXPECT_NE(first.find("\"status\":false"), std::string::npos) << name << " " << pass;
        EXPECT_TRUE(jar.cookies().empty());
    }
    ASSERT_FALSE(siteLogin("demo", "zephrun").empty()); // leaves the session's cookie
    std::string second =
        accountRequest(server_.base() + "site/login_fr.html", "demo", "wrong", false);
    EXPECT_EQ(second.find(kFirstMarker), std::string::npos);
    // The form must be the login form.
    auto res = post("/site/login_fr.html", "name=demo&pass=zephrun&form_id=other");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("\"status\":false"), std::string::npos);
}

TEST_F(Site, RegistrationThroughTheFormThenLoginAndLogout) {
    auto form = server_.get("/site/register_fr.html");
    EXPECT_EQ(form.first, 200);
    for (const char* field : {"login", "pass", "firstname", "lastname", "gender", "age", "country"})
        EXPECT_NE(form.second.find(std::string("name=\"") + field + "\""), std::string::npos)
            << field;

    // A password with the characters the application escapes, and accented names.
    const std::string password = "a&b=c+d%e é";
    const std::string body = "login=ada_1815&pass=" + kt::KT_urlencode(password) +
                             "&firstname=H%C3%A9l%C3%A8ne&lastname=L%27Ov%C3%A9lace&gender=female"
                             "&age=36&country=Fran%C3%A7e";
    auto created = post("/site/register_en.html", body);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->status, 201) << created->body;
    auto member = server_.server().members().member("ada_1815");
    ASSERT_TRUE(member);
    EXPECT_EQ(member->firstName, "Hélène");
    EXPECT_EQ(member->country, "Françe");
    // The same login again, and malformed fields, are refused with the form.
    auto again = post("/site/register_en.html", body);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 409);
    for (std::string bad : {"login=ab&pass=secret&firstname=A&lastname=B&gender=male&age=30&"
                            "country=F",
                            "login=abc&pass=short&firstname=A&lastname=B&gender=male&age=30&"
                            "country=F",
                            "login=abc&pass=secret1&firstname=&lastname=B&gender=male&age=30&"
                            "country=F",
                            "login=abc&pass=secret1&firstname=A&lastname=B&gender=x&age=30&"
                            "country=F",
                            "login=abc&pass=secret1&firstname=A&lastname=B&gender=male&age=7&"
                            "country=F",
                            "login=a%3Cb&pass=secret1&firstname=A&lastname=B&gender=male&age=30&"
                            "country=F"}) {
        auto refused = post("/site/register_fr.html", bad);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 400) << bad;
        EXPECT_NE(refused->body.find("class=\"error\""), std::string::npos);
    }
    EXPECT_FALSE(server_.server().members().member("abc"));

    // The password is kept hashed, and the new member logs in as the application does.
    EXPECT_TRUE(server_.server().members().authenticate("ada_1815", password));
    EXPECT_FALSE(server_.server().members().authenticate("ada_1815", "a&b=c+d%e e"));
    std::string profile = siteLogin("ada_1815", password);
    ASSERT_FALSE(profile.empty());
    EXPECT_EQ(profileField(profile, "first"), "Hélène");
    EXPECT_EQ(profileField(profile, "last"), "L'Ovélace");
    EXPECT_EQ(profileField(profile, "age"), "36");

    // The web requests know the member: registering the position keeps the password.
    server_.webRequest(101, {{"country", "Françe"},
                             {"dateofbirth", "36"},
                             {"firstname", "Hélène"},
                             {"isvisible", "1"},
                             {"lastname", "L'Ovélace"},
                             {"latitude", "48.800000"},
                             {"login", "ada_1815"},
                             {"longitude", "2.300000"},
                             {"sexe", "female"}});
    EXPECT_TRUE(server_.server().members().member("ada_1815")->visible);
    EXPECT_FALSE(siteLogin("ada_1815", password).empty());

    // Logout ends the site session: its cookie no longer opens the profile.
    auto& jar = zplatform::HttpCookieStore::shared();
    ASSERT_EQ(jar.cookies().size(), 1u);
    std::string token = jar.cookies()[0].substr(jar.cookies()[0].rfind('\t') + 1);
    httplib::Headers cookie{{"Cookie", "ZSITE=" + token}};
    EXPECT_EQ(server_.client().Get("/site/profile_fr.html", cookie)->status, 200);
    auto out = server_.client().Get("/site/logout_fr.html", cookie);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->status, 200);
    EXPECT_NE(out->get_header_value("Set-Cookie").find("Max-Age=0"), std::string::npos);
    auto after = server_.client().Get("/site/profile_fr.html", cookie);
    EXPECT_EQ(after->status, 303);
    EXPECT_EQ(after->get_header_value("Location"), "/site/login_fr.html");
    EXPECT_NE(accountRequest(server_.base() + "site/login_fr.html", "ada_1815", password, false)
                  .find("\"status\":true"),
              std::string::npos)
        << "after a logout, a login starts over";
}

TEST_F(Site, EveryConfiguredAddressAnswersAPage) {
    // The addresses of the shipped configuration, and the pages the feeds link to.
    std::vector<std::string> paths = {"/site/"};
    std::string config = readText(kRoot / "resources/ZephrunConfig.xml");
    std::regex var(R"re(<var name="(url_[a-z_]+)">http://127\.0\.0\.1:8642(/[^<]*)</var>)re");
    for (std::sregex_iterator it(config.begin(), config.end(), var), end; it != end; ++it) {
        std::string name = (*it)[1], path = (*it)[2];
        if (name == "url_omv" || name.rfind("url_mix", 0) == 0 || name == "url_resize_image")
            continue; // the protocol, the downloads and the service have tests of their own
        paths.push_back(path);
    }
    EXPECT_EQ(paths.size(), 10u); // the site, login, logout, register and legal notice x 2
    auto linksIn = [&](int id, int page, const std::string& pattern) {
        std::string reply = server_.page(id, page);
        std::regex link(pattern);
        std::vector<std::string> found;
        for (std::sregex_iterator it(reply.begin(), reply.end(), link), end; it != end; ++it)
            found.push_back("/" + (*it)[1].str());
        return found;
    };
    const std::string base = std::regex_replace(server_.base(), std::regex(R"([.])"), R"(\.)");
    for (auto& p : linksIn(105, 1, base + R"((site/news/\d+\.html))")) paths.push_back(p);
    for (auto& p : linksIn(111, 1, base + R"((videos/\d+\.html))")) paths.push_back(p);
    auto tracks = server_.webRequest(107, {{"name", "Grand Large"}});
    const std::regex store(base + R"re((store/[a-z_]+/\d+\.html))re");
    for (std::sregex_iterator it(tracks.begin(), tracks.end(), store), end; it != end; ++it)
        paths.push_back("/" + (*it)[1].str());
    EXPECT_GE(paths.size(), 10u + 3 + 8 + 10); // news, videos and tracks of page 1

    for (const std::string& path : paths) {
        auto [status, page] = server_.get(path);
        EXPECT_EQ(status, 200) << path;
        EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"", 0), 0u) << path;
        EXPECT_NE(page.find("</html>"), std::string::npos) << path;
        EXPECT_NE(page.find("/site/style.css"), std::string::npos) << path;
    }
    auto [cssStatus, css] = server_.get("/site/style.css");
    EXPECT_EQ(cssStatus, 200);
    // The service's own address leads to the site.
    auto root = server_.client().Get("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 303);
    EXPECT_EQ(root->get_header_value("Location"), "/site/");
}

TEST_F(Site, VideoPagesPlayTheirClipsWithByteRanges) {
    auto [status, page] = server_.get("/videos/01.html");
    ASSERT_EQ(status, 200);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        page, m, std::regex(R"re(<video [^>]*>\s*<source src="([^"]+)" type="video/webm">)re")));
    const std::string clip = m[1];
    EXPECT_EQ(clip, "/media/clips/clip_01.webm");
    if (mediaDir().empty()) GTEST_SKIP() << "no media directory in this build";

    const std::string bytes = readText(fs::path(mediaDir()) / "clips/clip_01.webm");
    ASSERT_GT(bytes.size(), 1000u);
    auto whole = server_.client().Get(clip);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->get_header_value("Content-Type"), "video/webm");
    EXPECT_EQ(whole->get_header_value("Accept-Ranges"), "bytes");
    EXPECT_EQ(whole->body, bytes);
    auto part = server_.client().Get(clip, {{"Range", "bytes=100-1099"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->get_header_value("Content-Range"),
              "bytes 100-1099/" + std::to_string(bytes.size()));
    EXPECT_EQ(part->body, bytes.substr(100, 1000));

    // The clip is a real one: picture and sound that FFmpeg decodes.
    auto info = mkcontent::probeClip((fs::path(mediaDir()) / "clips/clip_01.webm").string());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, mkcontent::kClipWidth);
    EXPECT_TRUE(info->hasAudio);
    EXPECT_GE(info->videoFrames, static_cast<int>(mkcontent::kClipSeconds * mkcontent::kClipFps));
}

TEST(SiteDownloads, TheMixPackageDownloadsWithItsLengthAndAMissingOneIs404) {
    ts::TempDir dir;
    fs::path packages = fs::path(dir.path()) / "packages";
    fs::create_directories(packages);
    std::string package(3'000'000, '\0');
    for (size_t i = 0; i < package.size(); ++i) package[i] = static_cast<char>(i * 7 + i / 991);
    std::ofstream(packages / "mxt_2010.mxp4", std::ios::binary) << package;
    std::ofstream(packages / "notes.txt") << "not a package";

    zserver::ServerOptions o;
    o.contentDir = (kRoot / "resources/server").string();
    o.packagesDir = packages.string();
    zserver::ContentServer server(o);
    ASSERT_TRUE(server.start()) << server.error();
    httplib::Client c("127.0.0.1", server.port());
    for (const char* path : {"/mix/mxt_2010.mxp4", "/mix/mxt.mxp4"}) {
        auto res = c.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(package.size()));
        EXPECT_TRUE(res->body == package) << path;
    }
    for (const char* path : {"/mix/missing.mxp4", "/mix/notes.txt", "/mix/../ZephrunConfig.xml"})
        EXPECT_EQ(c.Get(path)->status, 404) << path;

    // As the application downloads it: to a file, with its length known from the start.
    zplatform::UserDefaults defaults(fs::path(dir.path()) / "defaults");
    zplatform::NotificationCenter center;
    kt::KT_webtoolsEnvironment e;
    e.defaults = &defaults;
    e.displayName = "Zephrun";
    e.center = &center;
    kt::KT_webtools wt(nullptr, e);
    const fs::path file = fs::path(dir.path()) / "mix" / "mxt_2010.mxp4";
    ASSERT_TRUE(wt.KT_downloadToFile(server.baseURL() + "mix/mxt_2010.mxp4", file, 480));
    EXPECT_EQ(wt.KT_getExpectedLength(), static_cast<long long>(package.size()));
    EXPECT_TRUE(readText(file) == package);
    EXPECT_FALSE(wt.KT_downloadToFile(server.baseURL() + "mix/missing.mxp4", file, 480));
    EXPECT_EQ(wt.KT_getOutcome(), kt::KT_Outcome::HttpError);
    EXPECT_EQ(wt.KT_getStatusCode(), 404);
    EXPECT_TRUE(readText(file) == package);
}

TEST(PasswordHashes, VerifyOnlyTheirPassword) {
    const std::string stored = zserver::hashPassword("é&=+%");
    EXPECT_EQ(stored.rfind("pbkdf2-sha256$", 0), 0u);
    EXPECT_EQ(stored.find("é&=+%"), std::string::npos);
    EXPECT_TRUE(zserver::verifyPassword("é&=+%", stored));
    EXPECT_FALSE(zserver::verifyPassword("e&=+%", stored));
    EXPECT_NE(zserver::hashPassword("é&=+%"), stored) << "each hash has its own salt";
    const std::vector<std::string> malformed = {"", "pbkdf2-sha256$0$00$00", "md5$1$00$00",
                                                stored.substr(0, stored.size() - 2),
                                                "pbkdf2-sha256$x$aa$" + std::string(64, '0')};
    for (const std::string& bad : malformed)
        EXPECT_FALSE(zserver::verifyPassword("é&=+%", bad)) << bad;
}
