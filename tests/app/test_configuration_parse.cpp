// Configuration document: the shipped copy, cleaning and conversion of values, the reset table,
// malformed and hostile documents.
#include "test_configuration_fixture.h"

#include <climits>
#include <thread>

namespace zephrun::test {
namespace {

Color rgba(float r, float g, float b, float a) {
    return {r / 255.f, g / 255.f, b / 255.f, a / 255.f};
}

void expectColor(const Color& got, const Color& want) {
    EXPECT_FLOAT_EQ(got.red, want.red);
    EXPECT_FLOAT_EQ(got.green, want.green);
    EXPECT_FLOAT_EQ(got.blue, want.blue);
    EXPECT_FLOAT_EQ(got.alpha, want.alpha);
}

TEST_F(ConfigurationTest, ShippedDocumentGivesEveryField) {
    std::filesystem::copy_file(shippedConfigPath(), packageFile());
    auto config = make();
    const ConfigurationValues v = config->values();

    EXPECT_EQ(v.date_config, "2026-12-01 12:00:00");
    EXPECT_EQ(defaults_->stringForKey(key(keys::kDateConfig)), "2026-12-01 12:00:00");
    EXPECT_EQ(v.url_omv, "http://127.0.0.1:8642/");
    EXPECT_EQ(v.url_resize_image, "http://127.0.0.1:8642/resize.aspx?");
    EXPECT_EQ(v.url_site_web, "http://127.0.0.1:8642/site/");
    EXPECT_EQ(v.url_login_en, "http://127.0.0.1:8642/site/login_en.html");
    EXPECT_EQ(v.url_login_fr, "http://127.0.0.1:8642/site/login_fr.html");
    EXPECT_EQ(v.url_logout_en, "http://127.0.0.1:8642/site/logout_en.html");
    EXPECT_EQ(v.url_logout_fr, "http://127.0.0.1:8642/site/logout_fr.html");
    EXPECT_EQ(v.url_register_en, "http://127.0.0.1:8642/site/register_en.html");
    EXPECT_EQ(v.url_register_fr, "http://127.0.0.1:8642/site/register_fr.html");
    EXPECT_EQ(v.url_mentions_en, "http://127.0.0.1:8642/site/mentions_en.html");
    EXPECT_EQ(v.url_mentions_fr, "http://127.0.0.1:8642/site/mentions_fr.html");
    EXPECT_EQ(v.url_mix, "http://127.0.0.1:8642/mix/mxt.mxp4");
    EXPECT_EQ(v.url_mix_2010, "http://127.0.0.1:8642/mix/mxt_2010.mxp4");
    EXPECT_EQ(v.num_version_discographie, "1");
    expectColor(v.colorTeinte, rgba(1, 198, 241, 255));
    ASSERT_TRUE(v.colorTeinte2010.has_value());
    expectColor(*v.colorTeinte2010, rgba(230, 62, 38, 255));
    expectColor(config->tintColor(), *v.colorTeinte2010);
    EXPECT_EQ(v.time_change_bkg, 30);
    EXPECT_FLOAT_EQ(v.time_valid_select, 1.5f);
    EXPECT_FLOAT_EQ(v.home_delta_detect, 12.5f);
    EXPECT_TRUE(v.home_box_disco_aleatoire);
    EXPECT_TRUE(v.want_tuto_defil);

    // Request ids 101.., event ids 201.., in the order of the field list.
    std::int32_t nextRequest = 101, nextEvent = 201;
#define ZEPHRUN_X(n)                                                                               \
    if (std::string_view(#n) != "time_change_bkg") {                                               \
        const bool isEvent = std::string_view(#n).starts_with("id_event_");                        \
        EXPECT_EQ(v.n, isEvent ? nextEvent++ : nextRequest++) << #n;                               \
        EXPECT_EQ(config->n(), v.n) << #n;                                                         \
    }
    ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    EXPECT_EQ(nextRequest, 122);
    EXPECT_EQ(nextEvent, 207);
}

TEST_F(ConfigurationTest, ShippedDocumentNamesEveryFieldOnce) {
    const std::string doc = read(shippedConfigPath());
    auto count = [&](const std::string& name) {
        const std::string needle = "name=\"" + name + "\"";
        size_t n = 0;
        for (size_t p = doc.find(needle); p != std::string::npos; p = doc.find(needle, p + 1)) ++n;
        return n;
    };
#define ZEPHRUN_X(n) EXPECT_EQ(count(#n), 1u) << #n;
    ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
    ZEPHRUN_CONFIG_BOOLEAN_FIELDS(ZEPHRUN_X)
    ZEPHRUN_CONFIG_REAL_FIELDS(ZEPHRUN_X)
    ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
    ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(ZEPHRUN_X)
    ZEPHRUN_X(color)
    ZEPHRUN_X(color_2010)
#undef ZEPHRUN_X
}

TEST_F(ConfigurationTest, CleaningRemovesTheRightCharacters) {
    auto config = makeEmpty();
    ASSERT_TRUE(config->loadConfig(
        configDoc(var("time_change_bkg", " 3 0 ") + var("id_wr_twitter", "\n  4\n2\n") +
                  var("id_wr_disco", "\t17") + var("id_wr_photos", "5&#13;6") +
                  var("time_valid_select", " 1 .\n25 ") +
                  var("url_omv", "\n\thttp://127.0.0.1:86\n42/ a b&#13;\r\n") +
                  var("url_mix", "\t x&#9;y&#13;\n z") + var("num_version_discographie", " 1.2 ") +
                  var("url_login_fr", "http://h/?a=1&amp;b=\xC3\xA9t\xC3\xA9"))));
    EXPECT_EQ(config->time_change_bkg(), 30);
    EXPECT_EQ(config->id_wr_twitter(), 42);
    // Numbers keep tabs and carriage returns (a parser turns a literal carriage return into a
    // line feed, so the test writes a reference): a leading tab is skipped, a carriage return
    // ends the number.
    EXPECT_EQ(config->id_wr_disco(), 17);
    EXPECT_EQ(config->id_wr_photos(), 5);
    EXPECT_FLOAT_EQ(config->time_valid_select(), 1.25f);
    EXPECT_EQ(config->url_omv(), "http://127.0.0.1:8642/ab");
    EXPECT_EQ(config->url_mix(), "xyz");
    EXPECT_EQ(config->num_version_discographie(), "1.2");
    EXPECT_EQ(config->url_login_fr(), "http://h/?a=1&b=\xC3\xA9t\xC3\xA9");
}

TEST_F(ConfigurationTest, NumbersTakeTheLeadingValue) {
    auto config = makeEmpty();
    struct Case {
        const char* text;
        std::int32_t integer;
        float real;
    };
    const Case cases[] = {
        {"12abc", 12, 12.0f},
        {"abc", 0, 0.0f},
        {"", 0, 0.0f},
        {"-7", -7, -7.0f},
        {"+8", 8, 8.0f},
        {"3.7", 3, 3.7f},
        {".5", 0, 0.5f},
        {"2.5e1", 2, 25.0f},
        {"99999999999", INT_MAX, 99999999999.0f},
        {"-99999999999", INT_MIN, -99999999999.0f},
        {"nan", 0, 0.0f},
        {"inf", 0, 0.0f},
        {"1e999", 1, 0.0f},
        {"--3", 0, 0.0f},
        {"0x10", 0, 0.0f},
        {"1,5", 1, 1.0f},
    };
    for (const Case& c : cases) {
        config->loadConfig(
            configDoc(var("id_wr_news_en", c.text) + var("time_valid_select", c.text)));
        EXPECT_EQ(config->id_wr_news_en(), c.integer) << c.text;
        EXPECT_FLOAT_EQ(config->time_valid_select(), c.real) << c.text;
    }
}

TEST_F(ConfigurationTest, BooleansAreNonZeroIntegers) {
    auto config = makeEmpty();
    const std::pair<const char*, bool> cases[] = {{"1", true},    {"2", true},    {"-1", true},
                                                  {"0", false},   {"abc", false}, {"", false},
                                                  {"0.9", false}, {" 1 0", true}};
    for (auto [text, want] : cases) {
        config->loadConfig(
            configDoc(var("home_box_disco_aleatoire", text) + var("want_tuto_defil", text)));
        EXPECT_EQ(config->home_box_disco_aleatoire(), want) << text;
        EXPECT_EQ(config->want_tuto_defil(), want) << text;
    }
}

TEST_F(ConfigurationTest, ColoursNeedFourParts) {
    auto config = makeEmpty();
    expectColor(config->colorTeinte(), ZephrunConfiguration::kDefaultTint);
    EXPECT_FALSE(config->colorTeinte2010().has_value());

    config->loadConfig(
        configDoc(var("color", "255-255-255-255") + var("color_2010", " 10 -\n20-30-\t128")));
    expectColor(config->colorTeinte(), Color{1, 1, 1, 1});
    ASSERT_TRUE(config->colorTeinte2010());
    expectColor(*config->colorTeinte2010(), rgba(10, 20, 30, 128));

    // Five parts: the first four count. Out-of-range parts are clamped, garbage parts read 0.
    config->loadConfig(configDoc(var("color", "1-2-3-4-5") + var("color_2010", "300-x-0-255")));
    expectColor(config->colorTeinte(), rgba(1, 2, 3, 4));
    expectColor(*config->colorTeinte2010(), Color{1, 0, 0, 1});

    // Within one document a malformed colour keeps the value read before it.
    config->loadConfig(configDoc(var("color", "9-9-9-255") + var("color", "255-255-255") +
                                 var("color_2010", "5-5-5-255") + var("color_2010", "")));
    expectColor(config->colorTeinte(), rgba(9, 9, 9, 255));
    expectColor(*config->colorTeinte2010(), rgba(5, 5, 5, 255));

    // Across loads a malformed colour gives the reset value (the load reset it first).
    config->loadConfig(configDoc(var("color", "255-255-255") + var("color_2010", "1-2")));
    expectColor(config->colorTeinte(), ZephrunConfiguration::kDefaultTint);
    EXPECT_FALSE(config->colorTeinte2010().has_value());
    expectColor(config->tintColor(), ZephrunConfiguration::kDefaultTint);
}

TEST_F(ConfigurationTest, EmptyConfigurationHasResetValuesAndNoServer) {
    auto config = makeEmpty();
    const ConfigurationValues v = config->values();
    EXPECT_FALSE(v.url_omv.has_value());
    EXPECT_FALSE(v.url_resize_image.has_value());
    EXPECT_FALSE(v.num_version_discographie.has_value());
    EXPECT_FALSE(v.url_mix_2010.has_value());
    EXPECT_EQ(v.url_mix, "");
    EXPECT_EQ(v.id_wr_news_en, 0);
    EXPECT_EQ(v.id_event_mix, 0);
    EXPECT_FALSE(v.want_tuto_defil);
    expectColor(v.colorTeinte, ZephrunConfiguration::kDefaultTint);
    EXPECT_FALSE(defaults_->hasKey(key(keys::kDateConfig)));
}

TEST_F(ConfigurationTest, EachLoadAppliesTheResetTable) {
    std::filesystem::copy_file(shippedConfigPath(), packageFile());
    auto config = make();
    const ConfigurationValues before = config->values();

    ASSERT_TRUE(config->loadConfig(configDoc(var("id_wr_news_fr", "555"), "later")));
    const ConfigurationValues v = config->values();
    // Reset by every load.
#define ZEPHRUN_X(n) EXPECT_EQ(v.n, "") << #n;
    ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    EXPECT_FALSE(v.url_mix_2010.has_value());
    EXPECT_FALSE(v.colorTeinte2010.has_value());
    expectColor(v.colorTeinte, ZephrunConfiguration::kDefaultTint);
    EXPECT_FALSE(v.home_box_disco_aleatoire);
    EXPECT_FALSE(v.want_tuto_defil);
    EXPECT_EQ(v.time_change_bkg, 0);
    EXPECT_EQ(v.time_valid_select, 0.0f);
    EXPECT_EQ(v.home_delta_detect, 0.0f);
    // Kept from the previous load.
    EXPECT_EQ(v.id_wr_news_fr, 555);
    EXPECT_EQ(v.id_wr_news_en, before.id_wr_news_en);
    EXPECT_EQ(v.id_event_tour_tracker, before.id_event_tour_tracker);
    EXPECT_EQ(v.url_omv, before.url_omv);
    EXPECT_EQ(v.url_resize_image, before.url_resize_image);
    EXPECT_EQ(v.num_version_discographie, before.num_version_discographie);
    EXPECT_EQ(v.date_config, "later");
    EXPECT_EQ(defaults_->stringForKey(key(keys::kDateConfig)), "later");
}

TEST_F(ConfigurationTest, ElementsOutsideTheFormatAreIgnored) {
    auto config = makeEmpty();
    defaults_->setString(key(keys::kDateConfig), "old");
    ASSERT_TRUE(config->loadConfig(
        "<root><config><var name=\"unknown\">7</var><var>8</var>"
        "<other name=\"id_wr_disco\">9</other>"
        "<var name=\"id_wr_reporter\">1<b>2</b>3</var>"
        "<var name=\"id_wr_twitter\" extra=\"x\">4</var><var name=\"id_wr_twitter\">6</var>"
        "<var name=\"url_mix\"><![CDATA[ignored]]>kept</var></config></root>"));
    EXPECT_EQ(config->id_wr_disco(), 0);
    EXPECT_EQ(config->id_wr_reporter(), 123);
    EXPECT_EQ(config->id_wr_twitter(), 6);
    EXPECT_EQ(config->url_mix(), "kept");
    // A `config` without `date` removes the persisted date.
    EXPECT_FALSE(defaults_->hasKey(key(keys::kDateConfig)));
}

TEST_F(ConfigurationTest, MalformedDocumentKeepsWhatWasReadBeforeTheError) {
    auto config = makeEmpty();
    config->loadConfig(configDoc(var("id_wr_disco", "1") + var("url_mix", "a")));
    EXPECT_FALSE(config->loadConfig(
        "<config date=\"d\">" + var("id_wr_twitter", "2") + var("url_login_en", "b") +
        "<var name=\"id_wr_disco\">3</oops>" + var("id_wr_videos", "4") + "</config>"));
    EXPECT_EQ(config->id_wr_twitter(), 2);
    EXPECT_EQ(config->url_login_en(), "b");
    EXPECT_EQ(config->id_wr_disco(), 1);
    EXPECT_EQ(config->id_wr_videos(), 0);
    EXPECT_EQ(config->url_mix(), "");
    EXPECT_FALSE(config->loadConfig(""));
    EXPECT_FALSE(config->loadConfig(std::string("<config>\0</config>", 18)));
    EXPECT_FALSE(
        config->loadConfig("<config date=\"x\">" + var("url_mix", "\xff\xfe") + "</config>"));
}

TEST_F(ConfigurationTest, EntityExpansionIsRefused) {
    auto config = makeEmpty();
    config->loadConfig(configDoc(var("url_mix", "before")));
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE config [\n<!ENTITY l0 \"ha\">\n";
    for (int i = 1; i <= 10; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + [&] {
            std::string s;
            for (int k = 0; k < 10; ++k) s += "&l" + std::to_string(i - 1) + ";";
            return s;
        }() + "\">\n";
    laughs += "]>\n<config date=\"evil\"><var name=\"url_mix\">&l10;</var></config>";
    EXPECT_FALSE(config->loadConfig(laughs));
    EXPECT_EQ(config->url_mix(), "");
    EXPECT_EQ(config->date_config(), "2026-01-01");
    EXPECT_FALSE(config->applyServerUpdate(laughs));
}

TEST_F(ConfigurationTest, ExternalEntitiesAreNeverRead) {
    const std::filesystem::path secret = root_ / "secret.txt";
    write(secret, "SECRET");
    auto config = makeEmpty();
    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE config [<!ENTITY x SYSTEM \"file://" + secret.string() +
        "\">]>\n<config date=\"e\"><var name=\"url_mix\">&x;</var></config>";
    EXPECT_FALSE(config->loadConfig(external));
    EXPECT_EQ(config->url_mix(), "");
    // An external DTD is neither fetched nor read; the document itself stays usable.
    const std::string dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE config SYSTEM \"file://" +
                            secret.string() +
                            "\">\n<config date=\"e\"><var name=\"url_mix\">m</var></config>";
    config->loadConfig(dtd);
    EXPECT_EQ(config->url_mix(), "m");
    const std::string parameter =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE config [<!ENTITY % p SYSTEM \"file://" +
        secret.string() + "\"> %p;]>\n<config date=\"e\"><var name=\"url_mix\">n</var></config>";
    EXPECT_FALSE(config->loadConfig(parameter));
    EXPECT_NE(config->url_mix(), "SECRET");
}

TEST_F(ConfigurationTest, ReadersNeverSeeHalfAnUpdate) {
    auto config = makeEmpty();
    auto doc = [](int n) {
        const std::string s = std::to_string(n);
        return configDoc(var("id_wr_news_en", s) + var("id_wr_news_fr", s) + var("url_mix", s));
    };
    config->loadConfig(doc(0));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const ConfigurationValues v = config->values();
            if (v.id_wr_news_en != v.id_wr_news_fr || v.url_mix != std::to_string(v.id_wr_news_en))
                ++torn;
        }
    });
    for (int i = 1; i <= 300; ++i) config->loadConfig(doc(i));
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(config->id_wr_news_en(), 300);
}

} // namespace
} // namespace zephrun::test
