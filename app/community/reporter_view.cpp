#include "app/community/reporter_view.h"

#include <filesystem>

#include "app/account/connexion.h"
#include "app/community/community_texts.h"
#include "app/community/community_view_controller.h"
#include "app/community/reporter_image_controller.h"
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "client/base64.h"
#include "client/kt_webtools.h"
#include "feeds/concerts.h"
#include "feeds/text_width.h"
#include "platform/atomic_file.h"
#include "platform/notification_center.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/window.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

struct Frames {
    static constexpr ui::Rect back{230, 2, 90, 28};
    static constexpr ui::Rect picture{13, 56, 90, 136};
    static constexpr ui::Rect hint{117, 66, 203, 85};
    static constexpr ui::Rect sendImage{134, 156, 151, 34};
    static constexpr ui::Rect sendArrow{285, 156, 29, 34};
    static constexpr ui::Rect sendZone{134, 156, 186, 34};
    static constexpr ui::Rect eventLabel{15, 211, 275, 25};
    static constexpr ui::Rect eventZone{0, 206, 320, 35};
    static constexpr ui::Rect comment{10, 253, 300, 110};
    static constexpr ui::Rect panel{0, ReporterView::kPanelClosedY, 320, 297};
    static constexpr ui::Rect toolbar{0, 50, 320, 30};
    static constexpr ui::Rect picker{0, 80, 320, 217};
    static constexpr ui::Rect pickerRow{20, 0, 280, 44};
    static constexpr ui::Rect pickerDate{0, 0, 80, 44};
    static constexpr ui::Rect pickerTitle{90, 0, 170, 35};
    static constexpr float pictureWidth = 90;
};

constexpr double kPanelSeconds = 0.3;
// A picker row's title shrinks only while the estimate of its width stays under this.
constexpr int kShrinkBelowWidth = 50;

ui::Font trebuchet(float size) {
    return ui::Font::named("Trebuchet MS", size);
}

std::shared_ptr<ui::Label> label(const ui::Rect& frame, float size, const ui::Color& color) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setFont(trebuchet(size));
    l->setTextColor(color);
    l->setBackgroundColor(ui::Color::clear());
    return l;
}

std::shared_ptr<ui::Button> zone(const ui::Rect& frame, std::function<void()> action) {
    auto b = std::make_shared<ui::Button>(frame);
    b->addTarget([action = std::move(action)](ui::Control&) { action(); },
                 ui::ControlEvent::TouchUpInside);
    return b;
}

std::size_t occurrences(std::string_view text, std::string_view word) {
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + word.size()))
        ++n;
    return n;
}

} // namespace

ReporterView::ReporterView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate)
    : ui::View(frame), appDelegate(appDelegate) {
    const bool fr = french();
    const ui::Color tint = appDelegate.tintColor();
    for (const char* name : {"cmn-bkg.png", "reporter-bkg.png"}) {
        auto background = std::make_shared<ui::ImageView>(ui::imageNamed(name));
        background->setFrame({0, 0, 320, 418});
        addSubview(background);
    }
    addSubview(std::make_shared<ui::ImageView>(
        ui::imageNamed("reporter-title.png").colorizeWithColor(tint)));

    auto back = zone(Frames::back, [delegate = &appDelegate] {
        if (CommunityViewController* hub = delegate->myCommunityView()) hub->hideReporter();
    });
    back->setImage(ui::imageNamed(community::kBackImage.in(fr)));
    addSubview(back);

    myImageView = zone(Frames::picture, [this] { clicOnPicture(); });
    myImageView->setImage(ui::imageNamed(community::kDefaultPicture));
    addSubview(myImageView);

    auto hint = label(Frames::hint, 15, ui::Color::white());
    hint->setNumberOfLines(4);
    hint->setLineBreakMode(ui::LineBreakMode::WordWrap);
    hint->setText(community::kReporterHint.in(fr));
    addSubview(hint);

    auto sendImage = std::make_shared<ui::ImageView>(
        ui::imageNamed(community::kSendImage.in(fr)).colorizeWithColor(tint));
    sendImage->setFrame(Frames::sendImage);
    addSubview(sendImage);
    auto sendArrow = std::make_shared<ui::ImageView>(ui::imageNamed("reporter-bt-send-arrow.png"));
    sendArrow->setFrame(Frames::sendArrow);
    addSubview(sendArrow);
    addSubview(zone(Frames::sendZone, [this] { clicOnSend(); }));

    myLabelSelectEvent = label(Frames::eventLabel, 15, ui::Color::black());
    myLabelSelectEvent->setText(community::kEventsPlaceholder.in(fr));
    addSubview(myLabelSelectEvent);
    auto eventZone = zone(Frames::eventZone, [this] { clicOnEvent(); });
    eventZone->setTag(kEventZoneTag);
    addSubview(eventZone);

    myTextViewCommentaire = std::make_shared<ui::TextView>(Frames::comment);
    myTextViewCommentaire->setFont(trebuchet(14));
    myTextViewCommentaire->setTextColor(ui::Color::black());
    myTextViewCommentaire->setEditable(true);
    myTextViewCommentaire->setText(community::kCommentsPlaceholder.in(fr));
    ui::TextInputTraits& traits = myTextViewCommentaire->traits();
    traits.keyboardAppearance = ui::KeyboardAppearance::Default;
    traits.keyboardType = ui::KeyboardType::ASCIICapable;
    traits.returnKeyType = ui::ReturnKeyType::Default;
    traits.autocapitalizationType = ui::AutocapitalizationType::Words;
    myTextViewCommentaire->setDelegate(this);
    addSubview(myTextViewCommentaire);
}

ReporterView::~ReporterView() {
    if (observing_) zplatform::NotificationCenter::defaultCenter().removeObserver(this);
    myTextViewCommentaire->setDelegate(nullptr);
    if (sheet_) {
        sheet_->setDelegate(nullptr);
        if (sheet_->isVisible())
            sheet_->dismissWithClickedButtonIndex(sheet_->cancelButtonIndex(), false);
    }
    if (picker_) {
        picker_->setDataSource(nullptr);
        picker_->setDelegate(nullptr);
    }
    if (myViewSaisie) myViewSaisie->removeFromSuperview();
}

bool ReporterView::french() const {
    return appDelegate.isFrench();
}

bool ReporterView::hasPicture() const {
    return myImageView->currentImage().name() != community::kDefaultPicture;
}

// --- Picture ---

std::vector<ReporterView::PictureChoice> ReporterView::pictureChoices(bool pictureChosen,
                                                                      bool cameraAvailable) {
    std::vector<PictureChoice> choices;
    if (cameraAvailable) choices.push_back(PictureChoice::New);
    choices.push_back(PictureChoice::Choose);
    if (pictureChosen) choices.push_back(PictureChoice::Delete);
    return choices;
}

void ReporterView::clicOnPicture() {
    const bool fr = french();
    sheetChoices_ = pictureChoices(hasPicture(), ReporterImageController::isCameraAvailable());
    std::vector<std::string> titles;
    for (PictureChoice c : sheetChoices_)
        titles.push_back(c == PictureChoice::New      ? community::kNewPicture.in(fr)
                         : c == PictureChoice::Choose ? community::kChoosePicture.in(fr)
                                                      : community::kDeletePicture.in(fr));
    if (sheet_) sheet_->setDelegate(nullptr);
    ui::ActionSheetDelegate* delegate = this;
    sheet_ = std::make_shared<ui::ActionSheet>("", delegate, community::kCancel.in(fr), "", titles);
    sheet_->setActionSheetStyle(ui::ActionSheetStyle::BlackOpaque);
    sheet_->showInView(*this);
}

void ReporterView::clickedButtonAtIndex(ui::ActionSheet& sheet, int index) {
    if (index == sheet.cancelButtonIndex() || index < 0 ||
        index >= static_cast<int>(sheetChoices_.size()))
        return;
    switch (sheetChoices_[static_cast<std::size_t>(index)]) {
    case PictureChoice::New:
        startPicker(true);
        break;
    case PictureChoice::Choose:
        startPicker(false);
        break;
    case PictureChoice::Delete:
        deletePicture();
        break;
    }
}

void ReporterView::startPicker(bool camera) {
    auto& center = zplatform::NotificationCenter::defaultCenter();
    if (!observing_) {
        center.addObserver(
            this, ReporterImageController::kReturnNotice,
            [this](const zplatform::Notification& n) {
                returnToImageController(n.text == ReporterImageController::kPickedText);
            },
            this);
        observing_ = true;
    }
    viewImageSelect = std::make_unique<ReporterImageController>(appDelegate, this);
    const auto source =
        camera ? ui::ImagePickerSourceType::Camera : ui::ImagePickerSourceType::PhotoLibrary;
    if (!viewImageSelect->startCameraPickerFromViewController(appDelegate.window(), source)) {
        center.removeObserver(this);
        observing_ = false;
        return;
    }
    appDelegate.hideTop();
    appDelegate.hideBottomCom();
    appDelegate.hideButtonBottom();
}

void ReporterView::returnToImageController(bool picked) {
    zplatform::NotificationCenter::defaultCenter().removeObserver(this);
    observing_ = false;
    const std::string path = ReporterImageController::storedPicturePath(appDelegate);
    if (picked) {
        const ui::Image myImage = ui::Image::fromFile(path);
        if (myImage && myImage.size().width > 0) {
            const ui::Size size = myImage.size();
            myImageView->setImage(myImage.scaledToSize(
                {Frames::pictureWidth, Frames::pictureWidth * size.height / size.width}));
            myImageView->setBackgroundColor(ui::Color::clear());
        }
    }
    // Whatever was chosen before must still be there to be sent.
    if (hasPicture() && !fs::is_regular_file(path)) showDefaultPicture();
    appDelegate.showTop();
    appDelegate.showBottomCom();
    appDelegate.showButtonBottom();
}

void ReporterView::showDefaultPicture() {
    myImageView->setImage(ui::imageNamed(community::kDefaultPicture));
    myImageView->setBackgroundColor(appDelegate.tintColor());
}

void ReporterView::deletePicture() {
    if (!hasPicture()) return;
    showDefaultPicture();
    std::error_code ec;
    fs::remove(ReporterImageController::storedPicturePath(appDelegate), ec);
}

// --- Input panel ---

void ReporterView::clicOnEvent() {
    showSaisi(kEvent);
}

bool ReporterView::textViewShouldBeginEditing(ui::TextView&) {
    showSaisi(kComment);
    return true;
}

void ReporterView::showSaisi(int mode) {
    if (myViewSaisie) {
        myViewSaisie->removeFromSuperview();
        myViewSaisie.reset();
    }
    if (picker_) {
        picker_->setDataSource(nullptr);
        picker_->setDelegate(nullptr);
        picker_.reset();
    }
    myViewSaisie = std::make_shared<ui::View>(Frames::panel);
    toolbar_ = std::make_shared<ui::Toolbar>(Frames::toolbar);
    toolbar_->setBarStyle(ui::BarStyle::Black);
    toolbar_->setTintColor(ui::Color::gray(0.5f));
    auto cancel =
        ui::BarButtonItem::systemItem(ui::BarButtonSystemItem::Cancel,
                                      [this](ui::BarButtonItem& item) { cancelSaisi(item.tag()); });
    cancel->setTag(mode);
    auto done = ui::BarButtonItem::systemItem(
        ui::BarButtonSystemItem::Done, [this](ui::BarButtonItem& item) { validSaisi(item.tag()); });
    done->setTag(mode);
    std::vector<std::shared_ptr<ui::BarButtonItem>> items{cancel,
                                                          ui::BarButtonItem::flexibleSpace(), done};
    Concerts& past = appDelegate.myConcertsPast();
    const auto concerts = past.listConcerts();
    if (mode == kEvent && past.nbItems() != static_cast<int>(concerts.size()))
        items.push_back(ui::BarButtonItem::systemItem(
            ui::BarButtonSystemItem::Add, [this](ui::BarButtonItem&) { clicOnMoreConcerts(); }));
    toolbar_->setItems(items);
    myViewSaisie->addSubview(toolbar_);
    appDelegate.window().addSubview(myViewSaisie);

    if (mode == kComment) {
        myTextViewCommentaire->becomeFirstResponder();
        if (myTextViewCommentaire->text() == community::kCommentsPlaceholder.in(french()))
            myTextViewCommentaire->setText("");
    } else {
        picker_ = std::make_shared<ui::PickerView>(Frames::picker);
        picker_->setShowsSelectionIndicator(true);
        picker_->setDataSource(this);
        picker_->setDelegate(this);
        myViewSaisie->addSubview(picker_);
        if (!concerts.empty()) {
            if (myIDEvent_.empty()) {
                picker_->selectRow(0, false);
                myIDEvent_ = concerts.front()->cID;
            } else {
                for (std::size_t i = 0; i < concerts.size(); ++i)
                    if (concerts[i]->cID == myIDEvent_)
                        picker_->selectRow(static_cast<int>(i), false);
            }
        }
        if (View* eventZone = viewWithTag(kEventZoneTag)) eventZone->setHidden(true);
    }
    std::shared_ptr<ui::View> panel = myViewSaisie;
    ui::View::animate(kPanelSeconds, [this, panel, mode] {
        if (mode == kComment) setFrame({frame().x(), kLiftedY, frame().width(), frame().height()});
        panel->setFrame({0, kPanelOpenY, 320, panel->frame().height()});
    });
}

void ReporterView::validSaisi(int mode) {
    const bool fr = french();
    if (mode == kEvent) {
        auto concert = concertWithID(myIDEvent_);
        myLabelSelectEvent->setText(concert ? concert->cDate + concert->cTitle
                                            : community::kEventsPlaceholder.in(fr));
    } else {
        const std::string text = myTextViewCommentaire->text();
        if (text.empty() || text == community::kCommentsPlaceholder.in(fr)) {
            myTextViewCommentaire->setText(community::kCommentsPlaceholder.in(fr));
            myCommentaire_.clear();
        } else {
            myCommentaire_ = text;
        }
    }
    hideSaisi();
}

void ReporterView::cancelSaisi(int mode) {
    const bool fr = french();
    if (mode == kEvent) {
        if (myIDEvent_.empty()) myLabelSelectEvent->setText(community::kEventsPlaceholder.in(fr));
    } else {
        // The editor goes back to the comment that will be sent, so it never shows another.
        myTextViewCommentaire->setText(
            myCommentaire_.empty() ? community::kCommentsPlaceholder.in(fr) : myCommentaire_);
    }
    hideSaisi();
}

void ReporterView::hideSaisi() {
    std::shared_ptr<ui::View> panel = myViewSaisie;
    myTextViewCommentaire->resignFirstResponder();
    ui::View::animate(kPanelSeconds, [this, panel] {
        if (View* eventZone = viewWithTag(kEventZoneTag)) eventZone->setHidden(false);
        if (panel) panel->setFrame({0, kPanelClosedY, 320, panel->frame().height()});
        setFrame({frame().x(), kRestY, frame().width(), frame().height()});
    });
}

void ReporterView::destroySaisi() {
    setFrame({frame().x(), kRestY, frame().width(), frame().height()});
    myTextViewCommentaire->resignFirstResponder();
    if (View* eventZone = viewWithTag(kEventZoneTag)) eventZone->setHidden(false);
    if (picker_) {
        picker_->setDataSource(nullptr);
        picker_->setDelegate(nullptr);
        picker_.reset();
    }
    if (myViewSaisie) myViewSaisie->removeFromSuperview();
    myViewSaisie.reset();
    toolbar_.reset();
}

void ReporterView::clicOnMoreConcerts() {
    const bool fr = french();
    appDelegate.showLoading(texts::kUpdatingConcerts.in(fr));
    const bool ok = appDelegate.myConcertsPast().completConcerts();
    appDelegate.hideLoading();
    if (ok)
        showSaisi(kEvent);
    else
        appDelegate.showAlert(texts::kConcertsError.in(fr));
}

std::shared_ptr<const ConcertsDescription>
ReporterView::concertWithID(const std::string& id) const {
    if (id.empty()) return nullptr;
    for (const auto& c : appDelegate.myConcertsPast().listConcerts())
        if (c->cID == id) return c;
    return nullptr;
}

int ReporterView::numberOfRows(ui::PickerView&, int) {
    Concerts& past = appDelegate.myConcertsPast();
    return past.hasList() ? static_cast<int>(past.listConcerts().size()) : 1;
}

std::shared_ptr<ui::View> ReporterView::viewForRow(ui::PickerView&, int row, int) {
    auto view = std::make_shared<ui::View>(Frames::pickerRow);
    const auto concerts = appDelegate.myConcertsPast().listConcerts();
    if (row < 0 || row >= static_cast<int>(concerts.size())) return view;
    const ConcertsDescription& c = *concerts[static_cast<std::size_t>(row)];
    auto date = label(Frames::pickerDate, 16, ui::Color::black());
    date->setText(c.cDate);
    // The date must stay whole in its 80 points whatever the font's width.
    date->setAdjustsFontSizeToFitWidth(true);
    date->setMinimumFontSize(10);
    view->addSubview(date);
    auto title = label(Frames::pickerTitle, 15, ui::Color::black());
    title->setText(c.cTitle + c.cAdresse);
    title->setAdjustsFontSizeToFitWidth(textWidthEstimate(utf8CharacterCount(title->text())) <
                                        kShrinkBelowWidth);
    view->addSubview(title);
    return view;
}

void ReporterView::didSelectRow(ui::PickerView&, int row, int) {
    const auto concerts = appDelegate.myConcertsPast().listConcerts();
    if (row >= 0 && row < static_cast<int>(concerts.size()))
        myIDEvent_ = concerts[static_cast<std::size_t>(row)]->cID;
}

// --- Sending ---

bool ReporterView::isReportAccepted(std::string_view answer) {
    return occurrences(answer, "success") == 1;
}

void ReporterView::clicOnSend() {
    const bool fr = french();
    if (myIDEvent_.empty()) {
        appDelegate.showAlert(community::kNoEvent.in(fr));
        return;
    }
    std::optional<std::string> photo;
    if (hasPicture()) {
        photo = zplatform::readWholeFile(ReporterImageController::storedPicturePath(appDelegate));
        if (!photo || photo->empty()) {
            showDefaultPicture();
            photo.reset();
        }
    }
    if (!photo) {
        appDelegate.showAlert(community::kNoPicture.in(fr));
        return;
    }
    if (!appDelegate.myConnexion().isConnected()) {
        appDelegate.showAlert(texts::kMembersOnly.in(fr));
        return;
    }
    appDelegate.showLoading(community::kSending.in(fr));
    const bool ok = sendReport(*photo);
    appDelegate.log().record("reporter", ok ? "sent " + myIDEvent_ : "refused " + myIDEvent_);
    appDelegate.hideLoading();
    if (ok)
        appDelegate.showAlert(community::kThanksTitle.in(fr), community::kThanks.in(fr), 0,
                              texts::kOK, {});
    else
        appDelegate.showAlert(community::kSendError.in(fr));
}

bool ReporterView::sendReport(const std::string& photo) {
    RequestLock lock(appDelegate);
    kt::KT_webtools& wt = appDelegate.myWT();
    wt.KT_prepareWebRequest();
    wt.KT_addAction(
        "WEBREQUEST", std::to_string(appDelegate.myConfig().id_wr_reporter()),
        {"auteur", "commentaire", "id_concert", "photo"},
        {appDelegate.myConnexion().myLogin(), myCommentaire_, myIDEvent_, kt::encodeBase64(photo)});
    wt.KT_finishWebRequest();
    wt.KT_setTimeout(kUploadTimeout);
    wt.KT_sendWithResponseNow();
    const std::optional<std::string> answer = wt.KT_getResponseDecrypted();
    return answer && isReportAccepted(*answer);
}

} // namespace zephrun
