// Base64 forms, URL escaping and the HTML character-reference decoder.
#include "client/base64.h"
#include "client/html_unescape.h"
#include "client/url_escape.h"

#include <gtest/gtest.h>

#include <set>

using namespace kt;

TEST(Base64, StandardForm) {
    // RFC 4648 section 10.
    const char* cases[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
    for (auto& c : cases) {
        EXPECT_EQ(encodeBase64(c[0]), c[1]);
        EXPECT_EQ(decodeBase64ForString(c[1]), c[0]);
    }
    EXPECT_EQ(encodeBase64(std::string("\xfb\xff\xbf", 3)), "+/+/");
    EXPECT_EQ(decodeBase64ForString("+/+/"), std::string("\xfb\xff\xbf", 3));
    // No line breaks, however long.
    EXPECT_EQ(encodeBase64(std::string(200, 'x')).find('\n'), std::string::npos);
}

TEST(Base64, LenientDecoder) {
    // Whitespace and characters outside the alphabet are skipped.
    EXPECT_EQ(decodeBase64ForString(" Zm\n9v\tYm\rFy "), "foobar");
    EXPECT_EQ(decodeBase64ForString("Z*m-9.v!"), "foo");
    EXPECT_EQ(decodeBase64ForString("Zm9v_Ym\xc3\xa9"
                                    "Fy"),
              "foobar");
    // "=" ends decoding, wherever it stands.
    EXPECT_EQ(decodeBase64ForString("Zm9v=YmFy"), "foo");
    EXPECT_EQ(decodeBase64ForString("=Zm9v"), "");
    // Incomplete final groups: 2 characters give 1 byte, 3 give 2, a lone one gives nothing.
    EXPECT_EQ(decodeBase64ForString("Zm9vYg"), "foob");
    EXPECT_EQ(decodeBase64ForString("Zm9vYmE"), "fooba");
    EXPECT_EQ(decodeBase64ForString("Zm9vY"), "foo");
    EXPECT_EQ(decodeBase64ForString("Z"), "");
    EXPECT_EQ(decodeBase64ForString("!!!"), "");
}

TEST(Base64, RequestForm) {
    EXPECT_EQ(KT_EncodeBase64(""), "");
    EXPECT_EQ(KT_EncodeBase64("f"), "Zg");
    EXPECT_EQ(KT_EncodeBase64("fo"), "Zm8");
    EXPECT_EQ(KT_EncodeBase64(std::string("\xfb\xff\xbf", 3)), "_/_/");
    EXPECT_EQ(KT_DecodeBase64("_/_/"), std::string("\xfb\xff\xbf", 3));
    EXPECT_EQ(KT_DecodeBase64("Zg"), "f");
    EXPECT_EQ(KT_DecodeBase64("Zm8"), "fo");
    // 4k+1 characters cannot come from the encoder: the last lone character is dropped.
    EXPECT_EQ(KT_DecodeBase64("Zm9vY"), "foo");
    EXPECT_EQ(KT_DecodeBase64("Z"), "");
    // Bad characters are skipped, but the padding is computed on the raw length.
    EXPECT_EQ(KT_DecodeBase64("Zm9v*YmFy"), "foobar");
    EXPECT_EQ(KT_DecodeBase64("Zm 9v"), "foo");

    // Every byte value and every length round-trips, and never shows "+" or "=".
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (std::size_t n = 0; n <= all.size(); n += 1) {
        const std::string bytes = all.substr(256 - n);
        const std::string text = KT_EncodeBase64(bytes);
        ASSERT_EQ(text.find_first_of("+="), std::string::npos);
        ASSERT_EQ(KT_DecodeBase64(text), bytes) << n;
    }
}

TEST(UrlEscape, EverySpecialCharacter) {
    EXPECT_EQ(KT_urlencode(";/?:@&=+$,"), "%3B%2F%3F%3A%40%26%3D%2B%24%2C");
    EXPECT_EQ(KT_urlencode(" \"<>#%{}|\\^[]`"), "%20%22%3C%3E%23%25%7B%7D%7C%5C%5E%5B%5D%60");
    EXPECT_EQ(KT_urlencode("AZaz09-_.!~*'()"), "AZaz09-_.!~*'()");
    EXPECT_EQ(KT_urlencode("caf\xc3\xa9 \xe2\x82\xac"), "caf%C3%A9%20%E2%82%AC");
    EXPECT_EQ(KT_urlencode(std::string("a\0\n\x7f", 4)), "a%00%0A%7F");
    EXPECT_EQ(KT_urlencode(""), "");
    // Every byte is either kept or escaped to exactly three characters.
    for (int c = 0; c < 256; ++c) {
        const std::string in(1, static_cast<char>(c));
        const std::string out = KT_urlencode(in);
        ASSERT_TRUE(out == in || out.size() == 3) << c;
    }
}

TEST(HtmlUnescape, Table) {
    ASSERT_EQ(kHtmlEntityCount, 253u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < kHtmlEntityCount; ++i) {
        if (i) {
            EXPECT_LT(kHtmlEntities[i - 1].unit, kHtmlEntities[i].unit);
        }
        names.insert(kHtmlEntities[i].text);
    }
    EXPECT_EQ(names.size(), 253u);
    const std::pair<const char*, int> head[] = {{"&quot;", 34},  {"&amp;", 38}, {"&apos;", 39},
                                                {"&lt;", 60},    {"&gt;", 62},  {" ", 160},
                                                {"&iexcl;", 161}};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_STREQ(kHtmlEntities[i].text, head[i].first);
        EXPECT_EQ(kHtmlEntities[i].unit, head[i].second);
    }
    EXPECT_STREQ(kHtmlEntities[251].text, "&hearts;");
    EXPECT_EQ(kHtmlEntities[251].unit, 9829);
    EXPECT_STREQ(kHtmlEntities[252].text, "&diams;");
    EXPECT_EQ(kHtmlEntities[252].unit, 9830);
}

TEST(HtmlUnescape, NamedReferences) {
    EXPECT_EQ(stringByUnescapingHTML("caf&eacute; &amp; th&eacute;"), "caf\xc3\xa9 & th\xc3\xa9");
    EXPECT_EQ(stringByUnescapingHTML("&lt;b&gt; &quot;x&quot; &apos;"), "<b> \"x\" '");
    EXPECT_EQ(stringByUnescapingHTML("&euro;&hearts;&thetasym;"),
              "\xe2\x82\xac\xe2\x99\xa5\xcf\x91"); // "&thetasym;" is exactly 10 characters
    // The no-break space's name is not in the table.
    EXPECT_EQ(stringByUnescapingHTML("a&nbsp;b"), "a&nbsp;b");
    // One pass: a decoded "&" does not start a new reference.
    EXPECT_EQ(stringByUnescapingHTML("&amp;lt;"), "&lt;");
    EXPECT_EQ(stringByUnescapingHTML("&amp;amp;"), "&amp;");
    // Names are case-sensitive; unknown names stay.
    EXPECT_EQ(stringByUnescapingHTML("&Eacute;&EACUTE;&foo;"), "\xc3\x89&EACUTE;&foo;");
}

TEST(HtmlUnescape, NumericReferences) {
    EXPECT_EQ(stringByUnescapingHTML("&#65;&#x41;&#X41;&#x6a;"), "AAAj");
    EXPECT_EQ(stringByUnescapingHTML("&#233;&#8364;&#xFFFE;"), "\xc3\xa9\xe2\x82\xac\xef\xbf\xbe");
    EXPECT_EQ(stringByUnescapingHTML("&#0;&#65535;&#x0;&#xFFFF;"), "&#0;&#65535;&#x0;&#xFFFF;");
    // A lone surrogate has no UTF-8 form and stays as text.
    EXPECT_EQ(stringByUnescapingHTML("&#xD800;&#57343;"), "&#xD800;&#57343;");
    // Digits only, of the right base; a sign, a blank or nothing at all keeps the text.
    EXPECT_EQ(stringByUnescapingHTML("&#x4g;&#6a;&#-1;&# 65;&#;&#x;"),
              "&#x4g;&#6a;&#-1;&# 65;&#;&#x;");
    // Length bounds: "&#x;" is the shortest candidate (4), 11 characters are never decoded.
    EXPECT_EQ(stringByUnescapingHTML("&#0000065;"), "A");
    EXPECT_EQ(stringByUnescapingHTML("&#00000065;"), "&#00000065;");
    EXPECT_EQ(stringByUnescapingHTML("&#9;"), "\t");
}

TEST(HtmlUnescape, UnterminatedAndMixed) {
    EXPECT_EQ(stringByUnescapingHTML("no references"), "no references");
    EXPECT_EQ(stringByUnescapingHTML("fish & chips"), "fish & chips");
    EXPECT_EQ(stringByUnescapingHTML("&amp"), "&amp");
    EXPECT_EQ(stringByUnescapingHTML("a &amp b;"), "a &amp b;");
    // The first ";" after each "&" bounds its candidate.
    EXPECT_EQ(stringByUnescapingHTML("&a &lt;"), "&a <");
    EXPECT_EQ(stringByUnescapingHTML("&&lt;;"), "&<;");
    EXPECT_EQ(stringByUnescapingHTML("&lt;&gt;&amp;&"), "<>&&");
    EXPECT_EQ(stringByUnescapingHTML(""), "");
}
