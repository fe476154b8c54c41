// Alerts: button numbering and answers, tags, one answer per alert, touches blocked below,
// queueing, layout growing with the message.
#include <gtest/gtest.h>

#include "input_test_support.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/control.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/text_field.h"
#include "platform/ui/text_view.h"

using namespace ui;

namespace {

struct Answer {
    std::string title;
    int tag;
    int index;
    friend bool operator==(const Answer&, const Answer&) = default;
};

struct Recorder : AlertViewDelegate {
    std::vector<Answer> clicked;
    std::vector<Answer> dismissed;
    std::function<void(AlertView&, int)> onClick;
    void clickedButtonAtIndex(AlertView& a, int i) override {
        clicked.push_back({a.title(), a.tag(), i});
        if (onClick) onClick(a, i);
    }
    void didDismissWithButtonIndex(AlertView& a, int i) override {
        dismissed.push_back({a.title(), a.tag(), i});
    }
};

struct AlertTest : ::testing::Test {
    TestDriver driver;
    Window& window = driver.window();
    Recorder rec;

    std::shared_ptr<AlertView> alert(const std::string& title, const std::string& message,
                                     const std::string& cancel,
                                     const std::vector<std::string>& others = {}) {
        return std::make_shared<AlertView>(title, message, &rec, cancel, others);
    }
    // Taps the button showing `text` on the front alert and lets the alert leave.
    void answer(const std::string& text) {
        driver.advance(0.3);
        View* button = driver.findByText(text);
        ASSERT_NE(button, nullptr) << text;
        ASSERT_TRUE(driver.tap(button));
        driver.advance(0.3);
    }
    std::vector<AlertView*> shownAlerts() const {
        std::vector<AlertView*> out;
        for (const auto& m : window.modalViews())
            if (auto* a = dynamic_cast<AlertView*>(m.get())) out.push_back(a);
        return out;
    }
};

} // namespace

TEST_F(AlertTest, EachButtonAnswersItsIndexWithTheTag) {
    auto confirm = alert("Zephrun", "Êtes-vous sûr de vouloir vous déconnecter ?", "Non", {"Oui"});
    confirm->setTag(4567);
    EXPECT_EQ(confirm->cancelButtonIndex(), 0);
    EXPECT_EQ(confirm->firstOtherButtonIndex(), 1);
    confirm->show(window);
    answer("Oui");
    confirm->show(window);
    answer("Non");
    EXPECT_EQ(rec.clicked, (std::vector<Answer>{{"Zephrun", 4567, 1}, {"Zephrun", 4567, 0}}));
    EXPECT_EQ(rec.dismissed, rec.clicked);
    EXPECT_TRUE(window.modalViews().empty());

    // Without a cancel button the others count from 0; stacked buttons keep their indices and
    // the cancel button goes to the bottom.
    rec.clicked.clear();
    auto three = alert("Choix", "", "", {"Un", "Deux", "Trois"});
    EXPECT_EQ(three->cancelButtonIndex(), -1);
    three->show(window);
    answer("Trois");
    auto stacked = alert("Zephrun", "", "Annuler", {"A", "B"});
    EXPECT_EQ(stacked->addButtonWithTitle("C"), 3);
    stacked->show(window);
    driver.advance(0.3);
    EXPECT_GT(driver.frameInWindow(stacked->buttonAtIndex(0)).minY(),
              driver.frameInWindow(stacked->buttonAtIndex(3)).minY());
    answer("C");
    EXPECT_EQ(rec.clicked, (std::vector<Answer>{{"Choix", 0, 2}, {"Zephrun", 0, 3}}));

    // Two buttons sit side by side, cancel on the left.
    auto pair = alert("Zephrun", "Voulez-vous quitter l'application ?", "Non", {"Oui"});
    pair->show(window);
    driver.advance(0.3);
    Rect no = driver.frameInWindow(pair->buttonAtIndex(0));
    Rect yes = driver.frameInWindow(pair->buttonAtIndex(1));
    EXPECT_EQ(no.minY(), yes.minY());
    EXPECT_LT(no.maxX(), yes.minX());
}

TEST_F(AlertTest, AnsweredOnceEvenWhenTappedAgainWhileLeaving) {
    auto ok = alert("Zephrun", "Login ou Mot de passe invalide", "OK");
    ok->show(window);
    driver.advance(0.3);
    View* button = driver.findByText("OK");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(driver.tap(button));
    driver.tap(driver.frameInWindow(button).center()); // still fading out
    driver.advance(1);
    EXPECT_EQ(rec.clicked.size(), 1u);
    EXPECT_EQ(rec.dismissed.size(), 1u);
    EXPECT_FALSE(ok->isVisible());
    EXPECT_EQ(driver.findByText("OK"), nullptr);

    // Dismissed by code: no click, one dismissal.
    ok->show(window);
    driver.advance(0.3);
    ok->dismissWithClickedButtonIndex(0, false);
    EXPECT_TRUE(window.modalViews().empty());
    EXPECT_EQ(rec.clicked.size(), 1u);
    EXPECT_EQ(rec.dismissed.size(), 2u);
}

TEST_F(AlertTest, OnlyTheAlertReceivesTouchesWhileShown) {
    auto below = std::make_shared<Control>(Rect(0, 0, 320, 480));
    int taps = 0;
    below->addTarget([&](Control&) { ++taps; }, ControlEvent::TouchUpInside);
    window.addSubview(below);
    auto field = std::make_shared<TextField>(Rect(20, 20, 200, 30));
    window.addSubview(field);
    field->becomeFirstResponder();
    ASSERT_TRUE(field->isFirstResponder());

    auto ok = alert("Zephrun", "Accès réservé aux membres", "OK");
    ok->show(window);
    driver.advance(0.3);
    EXPECT_FALSE(field->isFirstResponder()) << "the keyboard goes while the alert is up";
    driver.typeText("x");
    EXPECT_EQ(field->text(), "");
    driver.tap({10, 10});                            // dimmed screen
    driver.tap(ok->boxFrame().origin + Point{3, 3}); // the box, away from the button
    driver.drag({160, 20}, {160, 300});
    EXPECT_EQ(taps, 0);
    EXPECT_TRUE(ok->isVisible());

    ASSERT_TRUE(driver.tap(driver.findByText("OK")));
    driver.tap({10, 470});
    EXPECT_EQ(taps, 0) << "still fading out";
    driver.advance(0.3);
    driver.tap({10, 470});
    EXPECT_EQ(taps, 1) << "touches reach the screen again";
}

TEST_F(AlertTest, AlertsQueueInShowingOrder) {
    auto first = alert("Zephrun", "premier", "OK");
    auto second = alert("Zephrun", "second", "OK");
    first->show(window);
    second->show(window);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(second->isQueued());
    EXPECT_EQ(shownAlerts(), (std::vector<AlertView*>{first.get()}));

    // An alert shown from the first one's answer comes after the one already waiting.
    auto third = alert("Zephrun", "troisième", "OK");
    rec.onClick = [&](AlertView& a, int) {
        if (&a == first.get()) third->show(window);
    };
    answer("OK");
    EXPECT_EQ(shownAlerts(), (std::vector<AlertView*>{second.get()}));
    EXPECT_EQ(driver.text(driver.findByText("second")), "second");
    answer("OK");
    EXPECT_EQ(shownAlerts(), (std::vector<AlertView*>{third.get()}));
    answer("OK");
    EXPECT_TRUE(shownAlerts().empty());
    ASSERT_EQ(rec.clicked.size(), 3u);

    // A queued alert dismissed by code never shows.
    auto a = alert("A", "", "OK");
    auto b = alert("B", "", "OK");
    auto c = alert("C", "", "OK");
    a->show(window);
    b->show(window);
    c->show(window);
    b->dismissWithClickedButtonIndex(0, false);
    EXPECT_FALSE(b->isQueued());
    answer("OK");
    EXPECT_EQ(shownAlerts(), (std::vector<AlertView*>{c.get()}));
    answer("OK");
    EXPECT_EQ(rec.dismissed.back(), (Answer{"C", 0, 0}));
}

TEST_F(AlertTest, BoxGrowsWithTheMessageAndAlwaysKeepsItsButtonsOnScreen) {
    auto shortOne = alert("Zephrun", "Court", "OK");
    shortOne->show(window);
    driver.advance(0.3);
    Rect shortBox = shortOne->boxFrame();
    shortOne->dismissWithClickedButtonIndex(0, false);

    auto longer = alert("Zephrun",
                        "Le serveur d'identification est injoignable. Merci de réessayer plus "
                        "tard.",
                        "OK");
    longer->show(window);
    driver.advance(0.3);
    Rect longBox = longer->boxFrame();
    EXPECT_GT(longBox.height(), shortBox.height());
    EXPECT_EQ(longBox.width(), AlertView::kBoxWidth);
    EXPECT_NEAR(longBox.midX(), 160, 0.01);
    EXPECT_NEAR(longBox.midY(), 240, 0.01);
    Rect button = driver.frameInWindow(longer->buttonAtIndex(0));
    EXPECT_TRUE(longBox.contains(button.origin));
    EXPECT_LE(button.maxY(), longBox.maxY());
    longer->dismissWithClickedButtonIndex(0, false);

    std::string huge;
    for (int i = 0; i < 80; ++i) huge += "Une erreur est survenue. ";
    auto endless = alert("Zephrun", huge, "OK");
    endless->show(window);
    driver.advance(0.3);
    Rect box = endless->boxFrame();
    EXPECT_GE(box.minY(), 0);
    EXPECT_LE(box.maxY(), 480);
    button = driver.frameInWindow(endless->buttonAtIndex(0));
    EXPECT_LE(button.maxY(), 480);
    // The message that does not fit scrolls within the box.
    auto views = driver.findAll(
        [&](const View& v) { return v.className() == "TextView" && v.displayedText() == huge; });
    ASSERT_EQ(views.size(), 1u);
    auto* text = static_cast<TextView*>(views[0]);
    Rect area = driver.frameInWindow(text);
    driver.drag({160, area.maxY() - 5}, {160, area.minY() + 5});
    EXPECT_GT(text->contentOffset(), 0);
    answer("OK");
    EXPECT_EQ(rec.clicked.size(), 1u);
}

TEST_F(AlertTest, AlertWithoutButtonsCanStillBeClosed) {
    // A server notification whose button text is missing.
    auto notice = alert("Nouveau clip", "Regardez-le vite", "");
    notice->show(window);
    ASSERT_EQ(notice->numberOfButtons(), 1);
    EXPECT_EQ(notice->buttonTitleAtIndex(0), "OK");
    answer("OK");
    EXPECT_EQ(rec.clicked, (std::vector<Answer>{{"Nouveau clip", 0, 0}}));
    EXPECT_TRUE(window.modalViews().empty());
}

TEST_F(AlertTest, PopsInOverADimmedScreen) {
    auto ok = alert("Zephrun", "Envoi", "OK");
    ok->show(window);
    EXPECT_NEAR(driver.alpha(ok.get()), 0, 0.01);
    driver.advance(0.1);
    float mid = driver.alpha(ok.get());
    EXPECT_GT(mid, 0.05);
    EXPECT_LT(mid, 0.95);
    driver.advance(0.15);
    EXPECT_NEAR(driver.alpha(ok.get()), 1, 0.01);
    EXPECT_GT(ok->backgroundColor().a, 0.2f) << "dimmed, not hidden";
    EXPECT_LT(ok->backgroundColor().a, 0.8f);
}
