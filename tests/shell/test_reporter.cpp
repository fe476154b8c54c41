// The reporter: the picture sheet and chooser, the event picker, the checks and the upload.
#include "community_support.h"

#include <fstream>

#include "app/community/reporter_image_controller.h"
#include "app/community/reporter_view.h"
#include "feeds/album_photo.h"
#include "feeds/concerts.h"
#include "platform/atomic_file.h"
#include "platform/ui/button.h"
#include "platform/ui/image_picker.h"
#include "platform/ui/label.h"
#include "platform/ui/toolbar.h"

using namespace apptest;
using zephrun::ReporterView;

namespace {

using Choice = ReporterView::PictureChoice;

struct Reporter {
    explicit Reporter(RunOptions options = {}) : r(std::move(options)) {
        hub = &openCommunity(r, true);
        hub->showReporter();
        r.advance(0.4);
        view = hub->viewReporter();
        photo = fs::path(r.dir.path()) / "concert.jpg";
        std::vector<std::uint8_t> rgba(240 * 160 * 4, 200);
        std::ofstream(photo, std::ios::binary)
            << ui::Image::fromPixels(240, 160, std::move(rgba)).jpegData(0.9f);
        ui::ImagePickerController::clearScript();
    }
    std::string stored() { return zephrun::ReporterImageController::storedPicturePath(r.app()); }
    // Opens the picture sheet and answers it with the button titled `title`.
    std::vector<std::string> sheet(const std::string& title = {}) {
        r.driver->tap(&view->pictureButton());
        r.advance(0.4);
        ui::ActionSheet* s = shownSheet(r);
        if (!s) return {};
        auto titles = sheetTitles(*s);
        for (int i = 0; i < s->numberOfButtons(); ++i)
            if (s->buttonTitleAtIndex(i) == (title.empty() ? "Annuler" : title))
                r.driver->tap(s->buttonAtIndex(i));
        r.advance(0.5);
        return titles;
    }
    void choosePhoto() {
        ui::ImagePickerController::scriptPick(photo);
        sheet("Choisir une photo");
    }
    void send() {
        r.driver->tap(ui::Point{134 + 93, 62 + 156 + 17});
        r.advance(0.5);
    }

    AppRun r;
    zephrun::CommunityViewController* hub = nullptr;
    ReporterView* view = nullptr;
    fs::path photo;
};

} // namespace

TEST(Reporter, SheetFollowsThePictureAndCancellingTheChooserKeepsIt) {
    EXPECT_EQ(ReporterView::pictureChoices(false, true),
              (std::vector{Choice::New, Choice::Choose}));
    EXPECT_EQ(ReporterView::pictureChoices(true, true),
              (std::vector{Choice::New, Choice::Choose, Choice::Delete}));

    Reporter t;
    ASSERT_NE(t.view, nullptr);
    EXPECT_FALSE(t.view->hasPicture());
    EXPECT_EQ(t.sheet(), (std::vector<std::string>{"Choisir une photo", "Annuler"}));

    t.choosePhoto();
    ASSERT_TRUE(t.view->hasPicture());
    EXPECT_EQ(t.view->pictureButton().currentImage().size(), (ui::Size{90, 90}));
    const auto stored = zplatform::readWholeFile(t.stored());
    ASSERT_TRUE(stored);
    // The bars hidden for the chooser are back.
    EXPECT_TRUE(inFront(t.r.host->window(), t.r.app().viewTop(), &t.hub->view()));
    EXPECT_TRUE(inFront(t.r.host->window(), t.r.app().buttonBottom(), &t.hub->view()));

    ui::ImagePickerController::scriptCancel();
    EXPECT_EQ(t.sheet("Choisir une photo"),
              (std::vector<std::string>{"Choisir une photo", "Effacer la photo", "Annuler"}));
    EXPECT_TRUE(t.view->hasPicture());
    EXPECT_EQ(zplatform::readWholeFile(t.stored()), stored);

    t.sheet("Effacer la photo");
    EXPECT_FALSE(t.view->hasPicture());
    EXPECT_FALSE(fs::exists(t.stored()));

    // A picture whose file has gone cannot be sent.
    t.choosePhoto();
    t.view->showSaisi(ReporterView::kEvent);
    t.view->validSaisi(ReporterView::kEvent);
    fs::remove(t.stored());
    t.send();
    EXPECT_EQ(lastAlert(t.r), "Vous devez joindre une photo");
    EXPECT_FALSE(t.view->hasPicture());
}

TEST(Reporter, EventPanelChoosesTheFirstConcertAndAddsAPage) {
    Reporter t;
    const auto past = t.r.app().myConcertsPast().listConcerts();
    ASSERT_EQ(past.size(), 10u);
    t.r.driver->tap(ui::Point{160, 62 + 220});
    t.r.advance(0.4);
    ASSERT_NE(t.view->inputPanel(), nullptr);
    EXPECT_EQ(t.view->inputPanel()->frame().y(), 185);
    EXPECT_EQ(t.view->eventPicker()->numberOfRows(), 10);
    EXPECT_EQ(t.view->myIDEvent(), past[0]->cID);

    // Cancelled: the first concert stays chosen, the label keeps its placeholder.
    t.view->cancelSaisi(ReporterView::kEvent);
    t.r.advance(0.4);
    EXPECT_EQ(t.view->myIDEvent(), past[0]->cID);
    EXPECT_EQ(t.view->eventLabel().text(), "Événements");

    t.view->showSaisi(ReporterView::kEvent);
    t.r.advance(0.4);
    ui::Toolbar& bar = *t.view->inputToolbar();
    ASSERT_EQ(bar.items().size(), 4u);
    ASSERT_EQ(bar.items().back()->systemItemKind(), ui::BarButtonSystemItem::Add);
    t.r.driver->tap(bar.viewForItem(bar.items().back().get()));
    t.r.advance(0.5);
    EXPECT_EQ(t.view->eventPicker()->numberOfRows(), 20);
    EXPECT_EQ(t.view->eventPicker()->selectedRow(), 0);
    t.r.driver->tap(t.view->eventPicker()->viewForRow(1));
    t.r.advance(1);
    const auto more = t.r.app().myConcertsPast().listConcerts();
    EXPECT_EQ(t.view->myIDEvent(), more[1]->cID);
    t.view->validSaisi(ReporterView::kEvent);
    t.r.advance(0.4);
    EXPECT_EQ(t.view->eventLabel().text(), more[1]->cDate + more[1]->cTitle);
    EXPECT_EQ(t.view->inputPanel()->frame().y(), 480);
}

TEST(Reporter, ChecksThenUploadsAReportThatTheConcertAlbumShows) {
    Reporter t;
    t.send();
    EXPECT_EQ(lastAlert(t.r), "Vous devez selectionner un événement");
    t.r.answerAlert(0);
    t.view->showSaisi(ReporterView::kEvent);
    t.view->validSaisi(ReporterView::kEvent);
    t.send();
    EXPECT_EQ(lastAlert(t.r), "Vous devez joindre une photo");
    t.r.answerAlert(0);
    t.choosePhoto();

    // The comment: the view lifts over the keyboard; an empty comment is never the placeholder.
    t.r.driver->tap(&t.view->commentEditor());
    t.r.advance(0.4);
    EXPECT_EQ(t.view->frame().y(), -143);
    EXPECT_EQ(t.view->commentEditor().text(), "");
    t.r.driver->typeText("Super concert");
    t.view->validSaisi(ReporterView::kComment);
    t.r.advance(0.4);
    EXPECT_EQ(t.view->frame().y(), 62);
    EXPECT_EQ(t.view->myCommentaire(), "Super concert");

    t.send();
    auto alerts = t.r.alerts();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts.back(), "Zephrun : Merci | Votre reportage a été enregistré. Merci | OK");
    EXPECT_EQ(t.view->myCommentaire(), "Super concert"); // the form keeps its content

    zephrun::AlbumPhoto album(t.r.app(), t.view->myIDEvent());
    ASSERT_TRUE(album.refreshPhotos());
    for (int page = 0; page < 10 && static_cast<int>(album.listPhotos().size()) < album.nbItems();
         ++page)
        ASSERT_TRUE(album.completPhotos());
    const auto photos = album.listPhotos();
    ASSERT_FALSE(photos.empty());
    EXPECT_EQ(photos.back()->tAuteur, "fan42");
    EXPECT_EQ(photos.back()->tCommentaire, "Super concert");
}

TEST(Reporter, AnAnswerWithSuccessTwiceIsAFailure) {
    Reporter t({.serverSetup = [](zserver::ContentServer& s) {
        s.setWebRequest(
            118, [](const zserver::Action&) { return zserver::elementAnswer("success, success"); });
    }});
    t.choosePhoto();
    t.view->showSaisi(ReporterView::kEvent);
    t.view->validSaisi(ReporterView::kEvent);
    t.send();
    EXPECT_EQ(lastAlert(t.r), "Une erreur est survenue lors de l'envoi de votre reportage");
    EXPECT_TRUE(t.view->hasPicture());
}
