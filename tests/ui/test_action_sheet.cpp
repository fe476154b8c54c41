// Action sheets: the platform's button numbering, sliding up and away on the clock, one answer
// per showing, touches kept from the screen below.
#include <gtest/gtest.h>

#include "input_test_support.h"
#include "platform/ui/action_sheet.h"
#include "platform/ui/control.h"
#include "platform/ui/test_driver.h"

using namespace ui;

namespace {

struct Recorder : ActionSheetDelegate {
    std::vector<int> clicked;
    std::vector<int> dismissed;
    void clickedButtonAtIndex(ActionSheet&, int i) override { clicked.push_back(i); }
    void didDismissWithButtonIndex(ActionSheet&, int i) override { dismissed.push_back(i); }
};

struct ActionSheetTest : ::testing::Test {
    TestDriver driver;
    Window& window = driver.window();
    std::shared_ptr<View> screen = std::make_shared<View>(Rect(0, 62, 320, 418));
    Recorder rec;
    void SetUp() override { window.addSubview(screen); }

    // Shows `sheet`, taps the button showing `text` and lets the sheet leave.
    void choose(ActionSheet& sheet, const std::string& text) {
        ASSERT_TRUE(sheet.showInView(*screen));
        driver.advance(0.4);
        View* button = driver.findByText(text);
        ASSERT_NE(button, nullptr) << text;
        ASSERT_TRUE(driver.tap(button));
        driver.advance(0.4);
    }
    // Where the sheet's panel is drawn right now (mid-animation positions included).
    Rect panelOnScreen() {
        for (const auto& f : uitest::renderOf(window).fills)
            if (f.rect.width() == 320 && f.rect.height() < 400) return f.rect;
        return {};
    }
};

} // namespace

TEST_F(ActionSheetTest, ButtonsNumberedDestructiveFirstOthersThenCancel) {
    // The reporter's picture sheet with a picture chosen and a camera.
    auto sheet = std::make_shared<ActionSheet>(
        "", &rec, "Annuler", "",
        std::vector<std::string>{"Nouvelle photo", "Choisir une photo", "Effacer la photo"});
    sheet->setActionSheetStyle(ActionSheetStyle::BlackOpaque);
    EXPECT_EQ(sheet->numberOfButtons(), 4);
    EXPECT_EQ(sheet->cancelButtonIndex(), 3);
    EXPECT_EQ(sheet->destructiveButtonIndex(), -1);
    EXPECT_EQ(sheet->firstOtherButtonIndex(), 0);
    choose(*sheet, "Choisir une photo");
    choose(*sheet, "Annuler");
    EXPECT_EQ(rec.clicked, (std::vector<int>{1, 3}));
    EXPECT_EQ(rec.dismissed, rec.clicked);

    auto withDestructive = std::make_shared<ActionSheet>(
        "Photo", &rec, "Cancel", "Delete Picture", std::vector<std::string>{"Choose a Picture"});
    EXPECT_EQ(withDestructive->destructiveButtonIndex(), 0);
    EXPECT_EQ(withDestructive->firstOtherButtonIndex(), 1);
    EXPECT_EQ(withDestructive->cancelButtonIndex(), 2);
    EXPECT_EQ(withDestructive->addButtonWithTitle("Later"), 3);
    rec.clicked.clear();
    choose(*withDestructive, "Delete Picture");
    choose(*withDestructive, "Later");
    choose(*withDestructive, "Cancel");
    EXPECT_EQ(rec.clicked, (std::vector<int>{0, 3, 2}));

    // Stacked in index order, the cancel button at the bottom even when added before others.
    ASSERT_TRUE(withDestructive->showInView(*screen));
    driver.advance(0.4);
    float y = -1;
    for (int i : {0, 1, 3, 2}) {
        Rect f = driver.frameInWindow(withDestructive->buttonAtIndex(i));
        EXPECT_GT(f.minY(), y) << i;
        y = f.minY();
    }
    EXPECT_TRUE(driver.findByText("Photo") != nullptr) << "the title shows";
}

TEST_F(ActionSheetTest, SlidesUpFromTheBottomAndAwayOnTheClock) {
    auto sheet = std::make_shared<ActionSheet>("", &rec, "Cancel", "",
                                               std::vector<std::string>{"Choose a Picture"});
    ASSERT_TRUE(sheet->showInView(*screen));
    EXPECT_FALSE(sheet->showInView(*screen)) << "already shown";
    EXPECT_GE(panelOnScreen().minY(), 480);
    driver.advance(0.15);
    Rect mid = panelOnScreen();
    EXPECT_LT(mid.minY(), 480);
    EXPECT_GT(mid.maxY(), 480) << "still rising";
    driver.advance(0.2);
    Rect rest = panelOnScreen();
    EXPECT_NEAR(rest.maxY(), 480, 0.01);
    EXPECT_EQ(rest, sheet->panelFrame());
    EXPECT_TRUE(sheet->isVisible());

    sheet->dismissWithClickedButtonIndex(sheet->cancelButtonIndex(), true);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(window.modalViews().size(), 1u) << "still sliding away";
    driver.advance(0.15);
    EXPECT_GT(panelOnScreen().maxY(), 480);
    driver.advance(0.2);
    EXPECT_TRUE(window.modalViews().empty());
    EXPECT_TRUE(rec.clicked.empty()) << "dismissed by code: no click";
    EXPECT_EQ(rec.dismissed, (std::vector<int>{1}));

    // It can be shown again.
    choose(*sheet, "Choose a Picture");
    EXPECT_EQ(rec.clicked, (std::vector<int>{0}));
}

TEST_F(ActionSheetTest, ModalAndAnsweredOnce) {
    auto below = std::make_shared<Control>(Rect(0, 0, 320, 480));
    int taps = 0;
    below->addTarget([&](Control&) { ++taps; }, ControlEvent::TouchUpInside);
    screen->addSubview(below);

    auto sheet = std::make_shared<ActionSheet>("", &rec, "Annuler", "",
                                               std::vector<std::string>{"Choisir une photo"});
    ASSERT_TRUE(sheet->showInView(*screen));
    driver.advance(0.4);
    driver.tap({160, 100});                          // the dimmed screen above the sheet
    driver.tap({5, sheet->panelFrame().minY() + 3}); // the panel, away from the buttons
    EXPECT_EQ(taps, 0);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(rec.clicked.empty());

    View* choose = driver.findByText("Choisir une photo");
    ASSERT_NE(choose, nullptr);
    Point p = driver.frameInWindow(choose).center();
    driver.tap(p);
    driver.tap(p);
    driver.advance(0.5);
    EXPECT_EQ(rec.clicked, (std::vector<int>{0}));
    EXPECT_EQ(rec.dismissed, (std::vector<int>{0}));
    driver.tap({160, 100});
    EXPECT_EQ(taps, 1);

    // A view outside any window shows nothing.
    View loose(Rect(0, 0, 10, 10));
    EXPECT_FALSE(sheet->showInView(loose));
    EXPECT_TRUE(window.modalViews().empty());
}
