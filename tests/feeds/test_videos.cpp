// Videos: the duration text, the attribute cleaning of the video reader.
#include <gtest/gtest.h>

#include "feeds/videos.h"

using namespace zephrun;

namespace {

TEST(VideoDuration, MinutesAndTwoDigitSeconds) {
    EXPECT_EQ(videoDuration(125), "2:05");
    EXPECT_EQ(videoDuration(59), "0:59");
    EXPECT_EQ(videoDuration(600), "10:00");
    EXPECT_EQ(videoDuration(70), "1:10");
    EXPECT_EQ(videoDuration(0), "0:00");
    EXPECT_EQ(videoDuration(3601), "60:01");
}

TEST(VideoReader, AttributesAndTitle) {
    FeedContent<VideosDescription> content;
    ASSERT_TRUE(parseVideosDocument(
        "<xmlpipe><videos total=\"2\" page=\"1\" nbpage=\"1\">"
        "<video url=\" http://v.example/x1 \n\" src=\"http://img.example/x1.jpg?w=120&amp;h=90\" "
        "length=\"125\" note=\" 4.5\" vu=\"1 024\"><titre>Le\tclip\n</titre></video>"
        "<video><titre>bare</titre></video></videos>",
        content));
    ASSERT_TRUE(content.list);
    ASSERT_EQ(content.list->size(), 2u);
    const auto& v = *content.list->at(0);
    EXPECT_EQ(v.tURL, "http://v.example/x1");
    EXPECT_EQ(v.tURLImage, "http://img.example/x1.jpg");
    EXPECT_EQ(v.tDuree, "2:05");
    EXPECT_EQ(v.tNote, " 4.5"); // note and views as sent
    EXPECT_EQ(v.tVu, "1 024");
    EXPECT_EQ(v.tTitle, "Leclip");
    EXPECT_FALSE(v.tImage);
    // Missing attributes: empty texts, length 0.
    const auto& bare = *content.list->at(1);
    EXPECT_EQ(bare.tURL, "");
    EXPECT_EQ(bare.tURLImage, "");
    EXPECT_EQ(bare.tDuree, "0:00");
    EXPECT_EQ(bare.tTitle, "bare");
}

} // namespace
