// Text views and word wrapping: wrapping rules, multi-line editing, read-only views,
// scrolling by drag and by typing.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "input_test_support.h"
#include "platform/ui/text_input_traits.h"
#include "platform/ui/text_view.h"
#include "platform/ui/text_wrap.h"
#include "platform/ui/utf8_edit.h"

using namespace ui;
using Lines = std::vector<std::string>;

namespace {

// 10-point fixed metrics: 5.5 points per character, so 55 points hold 10 characters.
Lines wrap10(std::string_view text) {
    return wrapText(FixedFontMetrics{}, Font::system(10), text, 55);
}

struct Recorder : TextViewDelegate {
    std::vector<std::string> calls;
    bool allowBegin = true;
    std::function<void(TextView&)> onShouldBegin;
    bool textViewShouldBeginEditing(TextView& v) override {
        calls.push_back("shouldBegin");
        if (onShouldBegin) onShouldBegin(v);
        return allowBegin;
    }
    void textViewDidBeginEditing(TextView&) override { calls.push_back("didBegin"); }
    void textViewDidChange(TextView& v) override { calls.push_back("change:" + v.text()); }
    void textViewDidEndEditing(TextView&) override { calls.push_back("didEnd"); }
};

struct TextViewTest : ::testing::Test {
    std::shared_ptr<Window> window = uitest::makeWindow();
    // The comment editor: 300 - 2 x 8 = 284 points of text, 36 characters of 7.7 points.
    std::shared_ptr<TextView> view = std::make_shared<TextView>(Rect(10, 253, 300, 110));
    Recorder rec;
    void SetUp() override {
        view->setFont(Font::named("Trebuchet MS", 14));
        view->setDelegate(&rec);
        window->addSubview(view);
    }
};

} // namespace

TEST(TextWrap, BreaksAtWordsLineFeedsAndInsideOverlongWords) {
    EXPECT_EQ(wrap10(""), (Lines{""}));
    EXPECT_EQ(wrap10("hello world again"), (Lines{"hello", "world", "again"}));
    EXPECT_EQ(wrap10("ab  cd"), (Lines{"ab  cd"})) << "blanks inside a line are kept";
    EXPECT_EQ(wrap10("one\n\ntwo\n"), (Lines{"one", "", "two", ""}));
    EXPECT_EQ(wrap10("line\r\nnext"), (Lines{"line", "next"}));
    EXPECT_EQ(wrap10("hi verylongwordthatbreaks"), (Lines{"hi", "verylongwo", "rdthatbrea", "ks"}));
    EXPECT_EQ(wrap10("word   "), (Lines{"word   "})) << "trailing blanks stay for the caret";
    EXPECT_EQ(wrap10("abcde fghij klm"), (Lines{"abcde", "fghij klm"}));

    // Multi-byte characters are never cut.
    Lines accents = wrap10("ééééééééééé");
    ASSERT_EQ(accents.size(), 2u);
    EXPECT_EQ(accents[1], "é");
    for (const auto& l : accents) EXPECT_EQ(sanitizeUtf8(l), l);
}

TEST(Utf8Edit, CleansMalformedInputAndFindsTheLastCharacter) {
    EXPECT_EQ(sanitizeUtf8("plain é € \xF0\x9F\x8E\xB5"), "plain é € \xF0\x9F\x8E\xB5");
    EXPECT_EQ(sanitizeUtf8("\x80x"), "\xEF\xBF\xBDx");           // stray continuation
    EXPECT_EQ(sanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD");         // overlong '/'
    EXPECT_EQ(sanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD");     // surrogate
    EXPECT_EQ(sanitizeUtf8("\xF4\x90\x80\x80"), "\xEF\xBF\xBD"); // above U+10FFFF
    EXPECT_EQ(sanitizeUtf8("ab\xE2\x82"), "ab\xEF\xBF\xBD");     // truncated at the end
    EXPECT_EQ(lastCharacterLength("a\xF0\x9F\x8E\xB5"), 4u);
    EXPECT_EQ(lastCharacterLength("aé"), 2u);
    EXPECT_EQ(lastCharacterLength(""), 0u);
    EXPECT_EQ(characterCount("aé€\xF0\x9F\x8E\xB5"), 4u);
}

TEST_F(TextViewTest, EditsSeveralLinesAndReportsEachChange) {
    uitest::tap(*window, *view);
    ASSERT_TRUE(view->isFirstResponder());
    for (const char* typed : {"Super", "\n", "concert à Lyon"}) window->handleText(typed);
    for (int i = 0; i < 4; ++i) window->handleBackspace();
    window->handleText("Là");
    window->handleBackspace();
    EXPECT_EQ(view->text(), "Super\nconcert à L");
    EXPECT_EQ(view->lines(), (Lines{"Super", "concert à L"}));
    ASSERT_EQ(rec.calls.size(), 2u + 9u);
    EXPECT_EQ(rec.calls[1], "didBegin");
    EXPECT_EQ(rec.calls[2], "change:Super");
    EXPECT_EQ(rec.calls.back(), "change:Super\nconcert à L");
    window->handleReturn();
    EXPECT_EQ(view->text(), "Super\nconcert à L\n") << "return is a line feed";
    auto canvas = uitest::renderOf(*window);
    EXPECT_TRUE(canvas.drewText("Super"));
    EXPECT_TRUE(canvas.drewText("concert à L"));

    view->resignFirstResponder();
    EXPECT_EQ(rec.calls.back(), "didEnd");
}

TEST_F(TextViewTest, ReadOnlyOrRefusedViewsTakeNoKeyboard) {
    rec.allowBegin = false;
    uitest::tap(*window, *view);
    EXPECT_FALSE(view->isFirstResponder());
    EXPECT_EQ(rec.calls, (Lines{"shouldBegin"}));

    rec.allowBegin = true;
    view->setEditable(false);
    rec.calls.clear();
    uitest::tap(*window, *view);
    EXPECT_FALSE(view->isFirstResponder());
    EXPECT_TRUE(rec.calls.empty()) << "a read-only view does not even ask";

    // Turning read-only while editing gives the keyboard up.
    view->setEditable(true);
    uitest::tap(*window, *view);
    ASSERT_TRUE(view->isFirstResponder());
    view->setEditable(false);
    EXPECT_FALSE(view->isFirstResponder());
    EXPECT_EQ(rec.calls.back(), "didEnd");
    window->handleText("x");
    EXPECT_EQ(view->text(), "");
}

TEST_F(TextViewTest, DelegateMayGiveTheKeyboardFromItsQuestion) {
    // The comment editor opens its input panel when asked, which focuses the editor again.
    int panels = 0;
    rec.onShouldBegin = [&](TextView& v) {
        ++panels;
        v.becomeFirstResponder();
    };
    uitest::tap(*window, *view);
    EXPECT_TRUE(view->isFirstResponder());
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(rec.calls, (Lines{"shouldBegin", "didBegin"}));
}

TEST_F(TextViewTest, ScrollsByDragWithinItsContentAndTypingShowsTheEnd) {
    std::string text;
    for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\n";
    text += "last";
    view->setText(text);
    view->setEditable(false);
    float lineHeight = 14 * 1.2f;
    EXPECT_FLOAT_EQ(view->contentHeight(), 21 * lineHeight + 2 * TextView::kInset);
    float maxOffset = view->contentHeight() - 110;
    EXPECT_EQ(view->contentOffset(), 0);

    uitest::drag(*window, {160, 350}, {160, 300});
    EXPECT_NEAR(view->contentOffset(), 50, 0.01);
    EXPECT_FALSE(view->isFirstResponder());
    auto canvas = uitest::renderOf(*window);
    EXPECT_FALSE(canvas.drewText("line 0")) << "scrolled out";
    EXPECT_TRUE(canvas.drewText("line 4"));

    uitest::drag(*window, {160, 360}, {160, 100});
    EXPECT_NEAR(view->contentOffset(), maxOffset, 0.01) << "clamped at the end";
    uitest::drag(*window, {160, 260}, {160, 470});
    uitest::drag(*window, {160, 260}, {160, 470});
    EXPECT_EQ(view->contentOffset(), 0) << "clamped at the top";

    // A short text does not scroll at all.
    view->setText("short");
    uitest::drag(*window, {160, 350}, {160, 300});
    EXPECT_EQ(view->contentOffset(), 0);

    // Typing at the end of a long text brings the end into view.
    view->setText(text);
    view->setEditable(true);
    uitest::tap(*window, *view);
    window->handleText("!");
    EXPECT_NEAR(view->contentOffset(), maxOffset, 0.01);
    EXPECT_TRUE(uitest::renderOf(*window).drewText("last!"));
}

TEST_F(TextViewTest, CaretFollowsTheEndOfTheLastLine) {
    uitest::tap(*window, *view);
    window->handleText("ab");
    window->handleReturn();
    auto caret = [&]() -> std::optional<Rect> {
        for (const auto& f : uitest::renderOf(*window).fills)
            if (f.rect.width() <= 2) return f.rect;
        return std::nullopt;
    };
    auto c = caret();
    ASSERT_TRUE(c);
    // Second line, at its start.
    EXPECT_NEAR(c->minX(), 10 + TextView::kInset, 0.01);
    EXPECT_NEAR(c->minY(), 253 + TextView::kInset + 14 * 1.2f, 0.01);
    window->handleText("xyz");
    c = caret();
    ASSERT_TRUE(c);
    EXPECT_NEAR(c->minX(), 10 + TextView::kInset + 3 * 14 * 0.55f, 0.01);
    window->advanceTo(0.6);
    EXPECT_FALSE(caret()) << "blinked off";
}
