// KT_webtools without a network: message texts, request building, variables, network type,
// picture headers.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "client/base64.h"
#include "client/cipher.h"
#include "client/image_header.h"
#include "client/kt_webtools.h"
#include "client/request_envelope.h"
#include "client/url_escape.h"
#include "platform/notification_center.h"
#include "platform/reachability.h"
#include "platform/user_defaults.h"

namespace fs = std::filesystem;
using namespace kt;

namespace {

std::string headerValue(const zplatform::HttpRequest& r, const std::string& name) {
    for (const auto& [key, value] : r.headers)
        if (key == name) return value;
    return "<absent>";
}

class FakeInterfaces : public zplatform::InterfaceSource {
  public:
    explicit FakeInterfaces(std::optional<std::vector<zplatform::NetInterface>> list)
        : list_(std::move(list)) {}
    std::optional<std::vector<zplatform::NetInterface>> interfaces() const override {
        return list_;
    }

  private:
    std::optional<std::vector<zplatform::NetInterface>> list_;
};

struct Delegate : KT_webtoolsDelegate {
    std::optional<std::string> base = "http://127.0.0.1:9/";
    std::optional<std::string> url_omv() const override { return base; }
    std::optional<std::string> myToken() const override { return std::nullopt; }
    void showNotification(const std::string&, const std::string&, const std::string&) override {}
    void updateConfig(std::string_view) override {}
};

class ClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kt_webtools_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        defaults_ = std::make_unique<zplatform::UserDefaults>(dir_ / "defaults");
    }
    void TearDown() override { fs::remove_all(dir_); }

    KT_webtoolsEnvironment env(std::shared_ptr<const zplatform::InterfaceSource> interfaces = {}) {
        KT_webtoolsEnvironment e;
        e.defaults = defaults_.get();
        e.displayName = "Zephrun";
        e.center = &center_;
        e.device = zplatform::DeviceInfo{"abc123", "Linux", "6.1", "pocket"};
        e.language = "fr";
        e.bundleVersion = "2.1";
        e.interfaces = std::move(interfaces);
        return e;
    }

    fs::path dir_;
    std::unique_ptr<zplatform::UserDefaults> defaults_;
    zplatform::NotificationCenter center_;
    Delegate delegate_;
};

zplatform::NetInterface iface(zplatform::NetInterface::Kind kind, bool route) {
    return {"x", kind, true, route};
}

} // namespace

TEST(RequestEnvelope, ActionFragments) {
    EXPECT_EQ(actionFragment("OPEN", std::nullopt, {}, {}), "<action name=\"OPEN\"></action>");
    EXPECT_EQ(actionFragment("CLOSE", std::string(""), {}, {}), "<action name=\"CLOSE\"></action>");
    EXPECT_EQ(actionFragment("WEBREQUEST", std::string("105"), {"num_page", "q"}, {"2", "a&b<c"}),
              "<action name=\"WEBREQUEST\" id=\"105\"><param name=\"num_page\"><![CDATA[2]]>"
              "</param><param name=\"q\"><![CDATA[a&b<c]]></param></action>");
    // The id is the integer value of its text; a shorter value list gives "" instead of a fault.
    EXPECT_EQ(actionFragment("WEBREQUEST", std::string(" 12abc"), {"a", "b"}, {"1"}),
              "<action name=\"WEBREQUEST\" id=\"12\"><param name=\"a\"><![CDATA[1]]></param>"
              "<param name=\"b\"><![CDATA[]]></param></action>");
    EXPECT_EQ(actionFragment("WEBREQUEST", std::string("x"), {}, {}),
              "<action name=\"WEBREQUEST\" id=\"0\"></action>");
}

TEST(RequestEnvelope, TextIntValue) {
    EXPECT_EQ(textIntValue("42"), 42);
    EXPECT_EQ(textIntValue("  -7z"), -7);
    EXPECT_EQ(textIntValue("+3"), 3);
    EXPECT_EQ(textIntValue(""), 0);
    EXPECT_EQ(textIntValue("99999999999999999999"), 2147483647);
    EXPECT_EQ(textIntValue("-99999999999999999999"), -2147483647 - 1);
}

TEST(RequestEnvelope, EnvelopeAndEvents) {
    EXPECT_EQ(envelope(sessionElement(std::string("S1")), "",
                       {actionFragment("CLOSE", std::nullopt, {}, {})}),
              "<Omnivale v=\"1.0\"><id session=\"S1\"/><action name=\"CLOSE\"></action>"
              "</Omnivale>");
    EXPECT_EQ(envelope(sessionElement(std::nullopt), "", {}),
              "<Omnivale v=\"1.0\"><id session=\"\"/></Omnivale>");
    EXPECT_EQ(hitEventElement(4, "2010-05-12 14:30:00", 1, std::string("http://x/a.mp3")),
              "<event id=\"4\" date=\"2010-05-12 14:30:00\" hit=\"1\" cle=\"http://x/a.mp3\"/>");
    EXPECT_EQ(hitEventElement(-2, "D", 3, std::nullopt), "<event id=\"-2\" date=\"D\" hit=\"3\"/>");
    EXPECT_EQ(durationEventElement(9, "S", "T", std::string("mix")),
              "<event id=\"9\" start=\"S\" stop=\"T\" cle=\"mix\"/>");
    EXPECT_EQ(durationEventElement(9, "S", "T", std::nullopt),
              "<event id=\"9\" start=\"S\" stop=\"T\"/>");
}

TEST(RequestEnvelope, OpenMessage) {
    OpenFields f;
    f.applicationID = "7";
    f.phoneID = "dev";
    f.osName = "Linux";
    f.osVersion = "6.1";
    f.phoneName = "pocket";
    f.language = "fr";
    f.version = "2.1";
    f.lastConfig = "2010-01-01 00:00:00";
    f.lastNotification = "2010-02-02 00:00:00";
    f.token = "beef";
    f.networkType = "cellular";
    f.networkDebit = "3g";
    EXPECT_EQ(
        envelope(openIdentity(f), openElements(f), {actionFragment("OPEN", std::nullopt, {}, {})}),
        "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"dev\"/>"
        "<phone osname=\"Linux\" osversion=\"6.1\" phone_name=\"pocket\" />"
        "<application language=\"fr\" version=\"2.1\" last_config=\"2010-01-01 00:00:00\""
        " last_notification=\"2010-02-02 00:00:00\" token=\"beef\" />"
        "<network type=\"cellular\" debit=\"3g\"/><action name=\"OPEN\"></action>"
        "</Omnivale>");
    // No notification date: the configuration date stands in; no token: no attribute; wifi:
    // no throughput.
    f.lastNotification.reset();
    f.token.reset();
    f.networkType = "wifi";
    EXPECT_EQ(openElements(f),
              "<phone osname=\"Linux\" osversion=\"6.1\" phone_name=\"pocket\" />"
              "<application language=\"fr\" version=\"2.1\" last_config=\"2010-01-01 00:00:00\""
              " last_notification=\"2010-01-01 00:00:00\" />"
              "<network type=\"wifi\"/>");
}

TEST(RequestBuilding, NoVariablesIsAnEmptyGet) {
    auto r = buildHttpRequest("http://127.0.0.1/x.jpg", {});
    EXPECT_EQ(r.url, "http://127.0.0.1/x.jpg");
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(headerValue(r, "Content-Length"), "0");
    EXPECT_EQ(headerValue(r, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(headerValue(r, "User-agent"), "Application KT (iPhone; U; CPU like Mac OS X; fr)");
    EXPECT_DOUBLE_EQ(r.timeoutInterval, 10.0);
}

TEST(RequestBuilding, EncipheredPostVariables) {
    auto r = buildHttpRequest("http://h/request.aspx",
                              {{"a", "<x>1</x>", "POST", "CRYPT"}, {"b", "deux", "POST", "CRYPT"}});
    std::string ca = KT_EncryptWithBase64("<x>1</x>", kCipherKey);
    std::string cb = KT_EncryptWithBase64("deux", kCipherKey);
    EXPECT_EQ(r.body, "a=" + ca + "&b=" + cb + "&listVarCrypt=a,b");
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.url, "http://h/request.aspx");
    EXPECT_EQ(headerValue(r, "Content-Length"), std::to_string(r.body.size()));
    EXPECT_EQ(KT_DecryptWithBase64(ca, kCipherKey).value_or(""), "<x>1</x>");
}

TEST(RequestBuilding, GetEscapedPostNot) {
    auto r = buildHttpRequest("http://h/p", {{"q", "a&b=c/d e", "GET", "NONE"},
                                             {"r", "é", "GET", "NONE"},
                                             {"p", "a&b=c/d e", "POST", "NONE"}});
    EXPECT_EQ(r.url, "http://h/p?q=a%26b%3Dc%2Fd%20e&r=%C3%A9");
    EXPECT_EQ(r.body, "p=a&b=c/d e");
    EXPECT_EQ(r.method, "POST");

    auto onlyQuery = buildHttpRequest("http://h/p", {{"q", "1", "GET", "NONE"}});
    EXPECT_EQ(onlyQuery.method, "GET");
    EXPECT_EQ(onlyQuery.body, "");
}

TEST(RequestBuilding, Base64LineFeedsAndNonAscii) {
    auto r = buildHttpRequest("u", {{"b", "hi?>", "POST", "BASE64"},
                                    {"n", "l1\nl2", "POST", "NONE"},
                                    {"t", "café€", "POST", "NONE"}});
    EXPECT_EQ(r.body, "b=" + KT_EncodeBase64("hi?>") + "&n=l1l2&t=caf??");
    EXPECT_EQ(lossyASCII(std::string("a\xff\xc3", 3)), "a??");
}

TEST_F(ClientTest, ConstructionStoresApplicationIdAndDefaults) {
    defaults_->setString("Zephrun_ApplicationID", "9");
    KT_webtools wt(&delegate_, env());
    EXPECT_EQ(defaults_->stringForKey("Zephrun_ApplicationID").value_or(""), "7");
    EXPECT_TRUE(wt.KT_responseIsPresent());
    EXPECT_EQ(wt.timeout(), 10);
    EXPECT_FALSE(wt.KT_getResponse());
    EXPECT_FALSE(wt.KT_getError());
    EXPECT_FALSE(wt.sessionID());
}

TEST_F(ClientTest, VariablesStayParallelAndReplaceInPlace) {
    KT_webtools wt(&delegate_, env());
    wt.KT_addVariable("a", "1");
    wt.KT_addVariable("b", "2", "GET", "BASE64");
    wt.KT_addVariable("a", "3", "GET", "NONE");
    EXPECT_EQ(wt.KT_listOfVariables(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(wt.KT_getValueOf("a").value_or(""), "3");
    wt.KT_setURL("http://h/p");
    EXPECT_EQ(wt.KT_buildRequest().url, "http://h/p?a=3&b=" + KT_urlencode(KT_EncodeBase64("2")));
    wt.KT_removeVariable("a");
    EXPECT_FALSE(wt.KT_isVariable("a"));
    EXPECT_EQ(wt.KT_buildRequest().url, "http://h/p?b=" + KT_urlencode(KT_EncodeBase64("2")));
    wt.KT_removeVariable("missing");

    // Byte values: converted from their encoding; bytes that are no text there become "".
    wt.KT_addVariable("l", std::string_view("caf\xe9", 4), TextEncoding::ISOLatin1);
    EXPECT_EQ(wt.KT_getValueOf("l").value_or(""), "café");
    wt.KT_addVariable("u", std::string_view("\xff", 1), TextEncoding::UTF8);
    EXPECT_EQ(wt.KT_getValueOf("u").value_or("<none>"), "");

    wt.KT_clear();
    EXPECT_TRUE(wt.KT_listOfVariables().empty());
    EXPECT_FALSE(wt.KT_responseIsPresent()); // cleared: a transfer is expected
}

TEST_F(ClientTest, PreparedWebRequestUnderTheSession) {
    KT_webtools wt(&delegate_, env());
    wt.setSessionID(std::string("SID9"));
    wt.KT_addAction("stale");
    EXPECT_TRUE(wt.KT_prepareWebRequest());
    EXPECT_EQ(wt.KT_getURL(), "http://127.0.0.1:9/request.aspx");
    EXPECT_TRUE(wt.actionToSend().empty());
    wt.KT_addAction("WEBREQUEST", std::string("105"), {"num_page"}, {"1"});
    wt.KT_finishWebRequest();
    EXPECT_EQ(wt.KT_getValueOf("data").value_or(""),
              "<Omnivale v=\"1.0\"><id session=\"SID9\"/><action name=\"WEBREQUEST\" id=\"105\">"
              "<param name=\"num_page\"><![CDATA[1]]></param></action></Omnivale>");
    auto request = wt.KT_buildRequest();
    EXPECT_EQ(request.body, "data=" + KT_EncryptWithBase64(*wt.KT_getValueOf("data"), kCipherKey) +
                                "&listVarCrypt=data");
}

TEST_F(ClientTest, NetworkTypeFromReachability) {
    using K = zplatform::NetInterface::Kind;
    struct Case {
        std::optional<std::vector<zplatform::NetInterface>> list;
        std::string type;
    } cases[] = {
        {std::nullopt, ""},
        {std::vector<zplatform::NetInterface>{}, ""},
        {std::vector{iface(K::Wireless, false)}, ""},
        {std::vector{iface(K::Wireless, true)}, "wifi"},
        {std::vector{iface(K::Wired, true), iface(K::MobileBroadband, true)}, "wifi"},
        {std::vector{iface(K::MobileBroadband, true)}, "cellular"},
    };
    for (const auto& c : cases) {
        defaults_->setString("Zephrun_NetworkDebit", "stale");
        KT_webtools wt(&delegate_, env(std::make_shared<FakeInterfaces>(c.list)));
        EXPECT_EQ(wt.KT_testNetwork(false), c.type);
        EXPECT_EQ(defaults_->stringForKey("Zephrun_NetworkType").value_or("<none>"), c.type);
        EXPECT_EQ(defaults_->stringForKey("Zephrun_NetworkDebit").value_or("<none>"), "");
    }
}

TEST(ImageHeader, FormatsAndSizes) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x00\0\0\0\x43", 24);
    auto p = imageFromData(png);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, KT_Image::Format::PNG);
    EXPECT_EQ(p->width, 256);
    EXPECT_EQ(p->height, 67);
    EXPECT_EQ(p->bytes, png);

    auto g = imageFromData(std::string("GIF89a\x01\x00\x01\x00", 10));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, 1);
    EXPECT_EQ(g->height, 1);

    // SOI, an APP0 segment, then a baseline frame header of 67 x 40.
    std::string jpeg("\xff\xd8\xff\xe0\x00\x04xx\xff\xc0\x00\x11\x08\x00\x28\x00\x43\x03", 18);
    auto j = imageFromData(jpeg);
    ASSERT_TRUE(j);
    EXPECT_EQ(j->width, 67);
    EXPECT_EQ(j->height, 40);

    EXPECT_FALSE(imageFromData(""));
    EXPECT_FALSE(imageFromData("<html>not found</html>"));
    EXPECT_FALSE(imageFromData(std::string("GIF89a\x00\x00\x01\x00", 10)));    // 0 wide
    EXPECT_FALSE(imageFromData(std::string("\xff\xd8\xff\xe0\x00\x40xx", 8))); // cut short
    EXPECT_FALSE(imageFromData(std::string("\xff\xd8\xff\xe0\x00\x01", 6)));   // bad length
}
