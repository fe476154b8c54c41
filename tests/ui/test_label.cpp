// Label layout with the fixed metrics (0.55 em advances, 1.2 em lines): wrapping, truncation,
// line limits, shrinking, alignment, clear text and rotation.
#include <gtest/gtest.h>

#include <numbers>

#include "platform/ui/label.h"
#include "platform/ui/window.h"
#include "recording_canvas.h"

using namespace ui;

namespace {

using Lines = std::vector<std::string>;

std::shared_ptr<Label> makeLabel(const Rect& frame, std::string text, int lines = 1) {
    auto label = std::make_shared<Label>(frame);
    label->setFont(Font::named("Trebuchet MS", 10)); // 5.5 points a character, 12 a line
    label->setText(std::move(text));
    label->setNumberOfLines(lines);
    return label;
}

} // namespace

TEST(LabelLayout, OneLineFitsOrTruncatesAtTheTail) {
    auto label = makeLabel({0, 0, 55, 20}, "Hello");
    EXPECT_EQ(Lines{"Hello"}, label->layoutText().lines);
    EXPECT_FALSE(label->layoutText().truncated);
    label->setText("Hello world!");
    auto layout = label->layoutText();
    EXPECT_EQ(Lines{"Hello wor\xE2\x80\xA6"}, layout.lines);
    EXPECT_TRUE(layout.truncated);
    label->setText("First\nSecond");
    EXPECT_EQ(Lines{"First\xE2\x80\xA6"}, label->layoutText().lines);
    label->setLineBreakMode(LineBreakMode::Clip);
    label->setText("Hello world!");
    EXPECT_EQ(Lines{"Hello world!"}, label->layoutText().lines);
    label->setLineBreakMode(LineBreakMode::WordWrap);
    EXPECT_EQ(Lines{"Hello"}, label->layoutText().lines);
    // Characters, not bytes: "été" is three advances.
    FixedFontMetrics metrics;
    EXPECT_FLOAT_EQ(16.5f, metrics.width(Font::named("x", 10), "\xC3\xA9t\xC3\xA9"));
}

TEST(LabelLayout, WrapsWordsWithinLineAndHeightLimits) {
    auto label = makeLabel({0, 0, 40, 100}, "aaa bbb ccc", 0);
    EXPECT_EQ((Lines{"aaa bbb", "ccc"}), label->layoutText().lines);
    label->setText("aaa bbb ccc ddd eee");
    EXPECT_EQ((Lines{"aaa bbb", "ccc ddd", "eee"}), label->layoutText().lines);
    label->setNumberOfLines(2);
    auto two = label->layoutText();
    EXPECT_EQ((Lines{"aaa bbb", "ccc dd\xE2\x80\xA6"}), two.lines);
    EXPECT_TRUE(two.truncated);

    // Unlimited lines still stop at what the height holds.
    label->setNumberOfLines(0);
    label->setFrame({0, 0, 40, 25});
    EXPECT_EQ(2u, label->layoutText().lines.size());
    label->setFrame({0, 0, 40, 5}); // at least one line
    EXPECT_EQ(1u, label->layoutText().lines.size());

    // A word longer than a line breaks inside; line feeds always break.
    auto word = makeLabel({0, 0, 27.5f, 100}, "abcdefghijkl", 0);
    EXPECT_EQ((Lines{"abcde", "fghij", "kl"}), word->layoutText().lines);
    word->setText("ab\ncd ef");
    EXPECT_EQ((Lines{"ab", "cd ef"}), word->layoutText().lines);

    label->setFrame({0, 0, 40, 100});
    label->setText("aaa bbb ccc");
    label->sizeToFit();
    EXPECT_EQ((Size{39, 24}), label->bounds().size);
}

TEST(LabelLayout, ShrinksToFitDownToTheMinimumFontSize) {
    auto label = makeLabel({0, 0, 100, 20}, "12345678901234567890");
    label->setFont(Font::named("Trebuchet MS", 14));
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(8);
    auto layout = label->layoutText();
    EXPECT_FLOAT_EQ(9, layout.font.size);
    EXPECT_EQ(Lines{"12345678901234567890"}, layout.lines);
    label->setMinimumFontSize(12);
    layout = label->layoutText();
    EXPECT_FLOAT_EQ(12, layout.font.size);
    EXPECT_TRUE(layout.truncated);
    EXPECT_LE(FixedFontMetrics().width(layout.font, layout.lines[0]), 100);
    label->setText("short");
    EXPECT_FLOAT_EQ(14, label->layoutText().font.size);
}

TEST(LabelDrawing, AlignmentCentringClearTextAndRotation) {
    Window window;
    auto label = makeLabel({10, 20, 100, 40}, "abc");
    window.addSubview(label);
    auto drawn = [&] {
        uitest::RecordingCanvas canvas;
        window.renderWindow(canvas);
        return canvas.texts;
    };
    auto texts = drawn();
    ASSERT_EQ(1u, texts.size());
    EXPECT_FLOAT_EQ(10, texts[0].origin.x);
    EXPECT_FLOAT_EQ(34, texts[0].origin.y); // centred vertically
    EXPECT_EQ(Color::black(), texts[0].color);
    label->setTextAlignment(TextAlignment::Center);
    EXPECT_FLOAT_EQ(51.75f, drawn()[0].origin.x);
    label->setTextAlignment(TextAlignment::Right);
    EXPECT_FLOAT_EQ(93.5f, drawn()[0].origin.x);

    // A clear colour carries data: nothing drawn, nothing displayed, the text kept.
    label->setTextColor(Color::clear());
    EXPECT_TRUE(drawn().empty());
    EXPECT_EQ("", label->displayedText());
    EXPECT_EQ("abc", label->text());

    // Rotated a quarter turn about its centre, its text turns with it.
    auto rotated = makeLabel({100, 100, 200, 40}, "abc");
    window.addSubview(rotated);
    rotated->setTransform(Transform::rotation(std::numbers::pi_v<float> / 2));
    texts = drawn();
    ASSERT_EQ(1u, texts.size());
    EXPECT_NEAR(206, texts[0].origin.x, 1e-3f);
    EXPECT_NEAR(20, texts[0].origin.y, 1e-3f);
}
