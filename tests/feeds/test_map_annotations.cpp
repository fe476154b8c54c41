// Map annotations: coordinates, and the member bubble sized from the login's character count.
#include <gtest/gtest.h>

#include "feeds/map_annotations.h"
#include "feeds/text_width.h"

using namespace zephrun;

namespace {

MembresBubble bubbleFor(const std::string& login, const std::string& type) {
    auto d = std::make_shared<MembresDescription>();
    d->tLogin = login;
    d->tType = type;
    return MembresAnnotation(d, 2.35, 48.85).bubble();
}

TEST(TextWidth, EstimateAndCharacterCount) {
    EXPECT_EQ(textWidthEstimate(0), 0);
    EXPECT_EQ(textWidthEstimate(1), 26);
    EXPECT_EQ(textWidthEstimate(20), 156); // 156.9 truncated
    EXPECT_EQ(textWidthEstimate(100), 412);
    EXPECT_EQ(utf8CharacterCount("abc"), 3u);
    EXPECT_EQ(utf8CharacterCount("\xC3\xA9t\xC3\xA9"), 3u); // "été"
    EXPECT_EQ(utf8CharacterCount("\xF0\x9F\x8E\xB5"), 1u);  // one musical note
}

TEST(MembresAnnotationTest, BubbleGeometryFromTheLogin) {
    MembresBubble empty = bubbleFor("", "male");
    EXPECT_EQ(empty.width, 10);
    EXPECT_FLOAT_EQ(empty.frame.width, 65);
    MembresBubble one = bubbleFor("a", "female");
    EXPECT_EQ(one.width, 26);
    EXPECT_FLOAT_EQ(one.frame.width, 81);
    MembresBubble twenty = bubbleFor("abcdefghijklmnopqrst", "other");
    EXPECT_EQ(twenty.width, 156);
    EXPECT_FLOAT_EQ(twenty.frame.x, 0);
    EXPECT_FLOAT_EQ(twenty.frame.y, -3);
    EXPECT_FLOAT_EQ(twenty.frame.height, 46);
    EXPECT_FLOAT_EQ(twenty.labelFrame.x, 55);
    EXPECT_FLOAT_EQ(twenty.labelFrame.width, 156);
    EXPECT_FLOAT_EQ(twenty.labelFrame.height, 46);
    EXPECT_EQ(twenty.text, "abcdefghijklmnopqrst");
    // Characters, not bytes: "Zoé" is three.
    EXPECT_EQ(bubbleFor("Zo\xC3\xA9", "male").width, textWidthEstimate(3));

    EXPECT_EQ(empty.backgroundImage, "tourtracker-bkg-member-m.png");
    EXPECT_EQ(one.backgroundImage, "tourtracker-bkg-member-f.png");
    EXPECT_EQ(twenty.backgroundImage, "tourtracker-bkg-member-o.png");
    EXPECT_EQ(bubbleFor("x", "Male").backgroundImage, "tourtracker-bkg-member-o.png");
    EXPECT_EQ(empty.fontName, "Trebuchet MS");
    EXPECT_FLOAT_EQ(empty.fontSize, 14);
    EXPECT_FLOAT_EQ(empty.backgroundLeftCap, 52);
}

TEST(MapAnnotations, Coordinates) {
    auto c = std::make_shared<ConcertsDescription>();
    c->cLatitude = 45.75f;
    c->cLongitude = 4.85f;
    ConcertsAnnotation a(c, 2);
    EXPECT_FLOAT_EQ(static_cast<float>(a.coordinate().latitude), 45.75f);
    EXPECT_FLOAT_EQ(static_cast<float>(a.coordinate().longitude), 4.85f);
    EXPECT_EQ(a.typeConcerts(), 2);
    EXPECT_EQ(a.description(), c);
    MembresAnnotation m(std::make_shared<MembresDescription>(), 2.5, 48.5);
    EXPECT_DOUBLE_EQ(m.coordinate().latitude, 48.5);
    EXPECT_DOUBLE_EQ(m.coordinate().longitude, 2.5);
}

} // namespace
