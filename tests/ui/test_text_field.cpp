// Text fields: typing and UTF-8 deletion, secure entry, placeholder, clear button, return key,
// editing callbacks and focus moving between fields.
#include <gtest/gtest.h>

#include "input_test_support.h"
#include "platform/ui/text_field.h"
#include "platform/ui/text_input_traits.h"

using namespace ui;
using uitest::tap;

namespace {

// Records every delegate call and control event, in order.
struct Recorder : TextFieldDelegate {
    std::vector<std::string> calls;
    bool allowBegin = true;
    bool allowClear = true;
    std::function<bool(TextField&)> onReturn;
    std::function<bool(TextRange, const std::string&)> filter;

    bool textFieldShouldBeginEditing(TextField&) override {
        calls.push_back("shouldBegin");
        return allowBegin;
    }
    void textFieldDidBeginEditing(TextField&) override { calls.push_back("didBegin"); }
    bool textFieldShouldReturn(TextField& f) override {
        calls.push_back("shouldReturn");
        return onReturn ? onReturn(f) : true;
    }
    bool textFieldShouldClear(TextField&) override {
        calls.push_back("shouldClear");
        return allowClear;
    }
    void textFieldDidEndEditing(TextField&) override { calls.push_back("didEnd"); }
    bool shouldChangeCharactersInRange(TextField&, TextRange r, const std::string& s) override {
        return filter ? filter(r, s) : true;
    }

    void watch(TextField& field, const std::string& prefix = "") {
        field.setDelegate(this);
        auto add = [&](ControlEvent e, const char* name) {
            field.addTarget([this, n = prefix + name](Control&) { calls.push_back(n); }, e);
        };
        add(ControlEvent::EditingDidBegin, "EditingDidBegin");
        add(ControlEvent::EditingChanged, "EditingChanged");
        add(ControlEvent::EditingDidEnd, "EditingDidEnd");
        add(ControlEvent::EditingDidEndOnExit, "EditingDidEndOnExit");
    }
    int count(const std::string& name) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), name));
    }
};

struct TextFieldTest : ::testing::Test {
    std::shared_ptr<Window> window = uitest::makeWindow();
    std::shared_ptr<TextField> field = std::make_shared<TextField>(Rect(108, 116, 196, 44));
    Recorder rec;

    void SetUp() override {
        window->addSubview(field);
        field->setFont(Font::named("Trebuchet MS", 17));
        rec.watch(*field);
    }
};

} // namespace

TEST_F(TextFieldTest, TypingAndBackspaceWorkOnWholeCharacters) {
    window->handleText("ignored");
    EXPECT_EQ(field->text(), "") << "no text reaches a field without the keyboard";

    tap(*window, *field);
    ASSERT_TRUE(keyboardVisible(*window));
    for (const char* typed : {"Zé", "€", "\xF0\x9F\x98\x80"}) window->handleText(typed);
    for (const char* left : {"Zé€", "Zé", "Z", "", ""}) {
        window->handleBackspace(); // the last one on an empty field: no change, no event
        EXPECT_EQ(field->text(), left);
    }
    EXPECT_EQ(rec.count("EditingChanged"), 3 + 4);

    window->handleText("a\nb\r\xC3"); // one line only; malformed bytes become U+FFFD
    EXPECT_EQ(field->text(), "ab\xEF\xBF\xBD");
    field->setText("set by code");
    EXPECT_EQ(rec.count("EditingChanged"), 3 + 4 + 1) << "setText sends no event";
}

TEST_F(TextFieldTest, ChangeFilterSeesByteRangesAndCanRefuse) {
    std::vector<std::pair<TextRange, std::string>> seen;
    rec.filter = [&](TextRange r, const std::string& s) {
        seen.push_back({r, s});
        return s.find('9') == std::string::npos;
    };
    field->setText("ab");
    tap(*window, *field);
    window->handleText("é");
    window->handleText("9");
    window->handleBackspace();
    EXPECT_EQ(field->text(), "ab");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].first, (TextRange{2, 0}));
    EXPECT_EQ(seen[1].first, (TextRange{4, 0}));
    EXPECT_EQ(seen[2].first, (TextRange{2, 2})) << "é is two bytes";
    EXPECT_EQ(seen[2].second, "");
    EXPECT_EQ(rec.count("EditingChanged"), 2);
}

TEST_F(TextFieldTest, DrawsThePlaceholderInGreyOrTheTextInBullets) {
    field->setPlaceholder("Mot de passe");
    field->setSecureTextEntry(true);
    EXPECT_EQ(field->displayedText(), "Mot de passe");
    auto canvas = uitest::renderOf(*window);
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0].text, "Mot de passe");
    EXPECT_NE(canvas.texts[0].color, field->textColor());

    tap(*window, *field);
    window->handleText("pâss ");
    EXPECT_EQ(field->text(), "pâss ");
    EXPECT_EQ(field->displayedText(), "•••••");
    canvas = uitest::renderOf(*window);
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0].text, "•••••");
    EXPECT_EQ(canvas.texts[0].color, field->textColor());

    for (int i = 0; i < 5; ++i) window->handleBackspace();
    EXPECT_TRUE(uitest::renderOf(*window).drewText("Mot de passe"));
}

TEST_F(TextFieldTest, ClearButtonEmptiesTheTextAndReportsTheChange) {
    field->setClearButtonMode(TextFieldViewMode::WhileEditing);
    field->setText("zephfan");
    EXPECT_FALSE(field->isClearButtonShown()) << "only while editing";

    tap(*window, *field);
    ASSERT_TRUE(field->isClearButtonShown());
    Point clear = field->convertPointToView(field->clearButtonRect().center(), nullptr);

    rec.allowClear = false;
    tap(*window, clear);
    EXPECT_EQ(field->text(), "zephfan") << "the delegate refused";

    rec.allowClear = true;
    rec.calls.clear();
    tap(*window, clear);
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"shouldClear", "EditingChanged"}));
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_FALSE(field->isClearButtonShown()) << "nothing left to clear";

    // Never: the same place is plain text area.
    field->setText("kept");
    field->setClearButtonMode(TextFieldViewMode::Never);
    tap(*window, clear);
    EXPECT_EQ(field->text(), "kept");
}

TEST_F(TextFieldTest, CallbacksInOrderAndReturnResignsThroughTheDelegate) {
    rec.onReturn = [](TextField& f) {
        f.resignFirstResponder();
        return false;
    };
    tap(*window, *field);
    window->handleText("x");
    window->handleReturn();
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"shouldBegin", "didBegin", "EditingDidBegin",
                                                   "EditingChanged", "shouldReturn", "didEnd",
                                                   "EditingDidEnd"}));
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_FALSE(keyboardVisible(*window));
    EXPECT_FALSE(field->isEditing());

    // A return the delegate allows sends EditingDidEndOnExit; the field stays focused.
    rec.onReturn = nullptr;
    rec.calls.clear();
    tap(*window, *field);
    window->handleReturn();
    EXPECT_EQ(rec.count("EditingDidEndOnExit"), 1);
    EXPECT_TRUE(field->isFirstResponder());

    // A refused beginning keeps the keyboard away.
    field->resignFirstResponder();
    rec.allowBegin = false;
    rec.calls.clear();
    tap(*window, *field);
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"shouldBegin"}));
    window->handleText("lost");
    EXPECT_EQ(field->text(), "x");
}

TEST_F(TextFieldTest, FocusMovesBetweenFields) {
    auto password = std::make_shared<TextField>(Rect(108, 161, 196, 44));
    password->setSecureTextEntry(true);
    window->addSubview(password);
    Recorder recPass;
    recPass.watch(*password, "pass.");
    // The login field's return moves the keyboard to the password field.
    rec.onReturn = [&](TextField&) {
        password->becomeFirstResponder();
        return true;
    };

    std::vector<std::string> order;
    field->addTarget([&](Control&) { order.push_back("login ends"); }, ControlEvent::EditingDidEnd);
    password->addTarget([&](Control&) { order.push_back("password begins"); },
                        ControlEvent::EditingDidBegin);

    tap(*window, *field);
    window->handleText("me");
    window->handleReturn();
    EXPECT_TRUE(password->isFirstResponder());
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(order, (std::vector<std::string>{"login ends", "password begins"}));
    window->handleText("pw");
    EXPECT_EQ(field->text(), "me");
    EXPECT_EQ(password->text(), "pw");

    // A tap on the first field takes the keyboard back.
    tap(*window, *field);
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_EQ(recPass.count("pass.EditingDidEnd"), 1);
    EXPECT_TRUE(keyboardVisible(*window));

    // Removed while editing: editing ends and the keyboard goes.
    field->removeFromSuperview();
    EXPECT_FALSE(field->isEditing());
    EXPECT_FALSE(keyboardVisible(*window));
    EXPECT_EQ(rec.count("didEnd"), 2);
}

TEST_F(TextFieldTest, CaretBlinksOnTheWindowClockWhileEditing) {
    auto caretDrawn = [&] {
        for (const auto& f : uitest::renderOf(*window).fills)
            if (f.rect.width() <= 2 && f.rect.height() > 10) return true;
        return false;
    };
    EXPECT_FALSE(caretDrawn());
    tap(*window, *field);
    EXPECT_TRUE(caretDrawn());
    window->advanceTo(0.55);
    EXPECT_FALSE(caretDrawn());
    window->advanceTo(1.05);
    EXPECT_TRUE(caretDrawn());
    window->advanceTo(1.55);
    window->handleText("a");
    EXPECT_TRUE(caretDrawn()) << "typing shows the caret at once";
    field->resignFirstResponder();
    window->advanceTo(3.2);
    EXPECT_FALSE(caretDrawn());
}
