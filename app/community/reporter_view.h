// ReporterView: a member's photo report of a past concert — a picture taken or chosen, the
// concert picked from the past concerts, a comment — sent to the server in one request with the
// picture in Base64.
//
// The picture is chosen while the picture button shows something other than the default
// picture; it travels as the stored file, so a form whose file has gone falls back to the
// default picture and cannot be sent.
//
// Ownership: the community hub owns the view (and discards it on a language change); the view
// owns its picture controller and its input panel, which lies on the window while open.
// Threads: interface thread only; the upload blocks it behind the loading overlay.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/shell/localized.h"
#include "platform/ui/action_sheet.h"
#include "platform/ui/picker_view.h"
#include "platform/ui/text_view.h"

namespace ui {
class Button;
class Label;
class Toolbar;
} // namespace ui

namespace zephrun {

class ReporterImageController;
class ZephrunAppDelegate;
struct ConcertsDescription;

class ReporterView : public ui::View,
                     private ui::TextViewDelegate,
                     private ui::PickerViewDataSource,
                     private ui::PickerViewDelegate,
                     private ui::ActionSheetDelegate {
  public:
    enum SaisieMode { kComment = 1, kEvent = 2 };
    enum class PictureChoice { New, Choose, Delete };
    static constexpr int kEventZoneTag = 32;
    static constexpr float kRestY = 62;
    static constexpr float kLiftedY = -143;
    static constexpr float kPanelOpenY = 185;
    static constexpr float kPanelClosedY = 480;
    static constexpr int kUploadTimeout = 30;

    // `initWithFrame:andDelegate:`: no picture, no event, no comment.
    ReporterView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate);
    ~ReporterView() override;

    void clicOnPicture();
    // Shows the stored picture once the chooser has closed (`picked`: a new one was stored).
    void returnToImageController(bool picked);
    void clicOnEvent();
    void showSaisi(int mode);
    void validSaisi(int mode);
    void cancelSaisi(int mode);
    void hideSaisi();
    void destroySaisi();
    void clicOnMoreConcerts();
    void clicOnSend();

    // The sheet's choices for the picture state and the device.
    static std::vector<PictureChoice> pictureChoices(bool pictureChosen, bool cameraAvailable);
    // The server took the report: its answer holds "success" exactly once.
    static bool isReportAccepted(std::string_view answer);

    bool hasPicture() const;
    const std::string& myIDEvent() const { return myIDEvent_; }
    const std::string& myCommentaire() const { return myCommentaire_; }
    ui::Button& pictureButton() { return *myImageView; }
    ui::Label& eventLabel() { return *myLabelSelectEvent; }
    ui::TextView& commentEditor() { return *myTextViewCommentaire; }
    // The input panel while open (null otherwise), its picker in the event mode.
    ui::View* inputPanel() { return myViewSaisie.get(); }
    ui::PickerView* eventPicker() { return picker_.get(); }
    ui::Toolbar* inputToolbar() { return toolbar_.get(); }
    std::string_view className() const override { return "ReporterView"; }

  private:
    // ui::TextViewDelegate
    bool textViewShouldBeginEditing(ui::TextView& view) override;
    // ui::PickerViewDataSource / ui::PickerViewDelegate
    int numberOfRows(ui::PickerView& picker, int component) override;
    std::shared_ptr<ui::View> viewForRow(ui::PickerView& picker, int row, int component) override;
    void didSelectRow(ui::PickerView& picker, int row, int component) override;
    // ui::ActionSheetDelegate
    void clickedButtonAtIndex(ui::ActionSheet& sheet, int buttonIndex) override;

    void startPicker(bool camera);
    void deletePicture();
    void showDefaultPicture();
    bool sendReport(const std::string& photo);
    std::shared_ptr<const ConcertsDescription> concertWithID(const std::string& id) const;
    bool french() const;

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::Button> myImageView;
    std::shared_ptr<ui::Label> myLabelSelectEvent;
    std::shared_ptr<ui::TextView> myTextViewCommentaire;
    std::shared_ptr<ui::View> myViewSaisie;
    std::shared_ptr<ui::Toolbar> toolbar_;
    std::shared_ptr<ui::PickerView> picker_;
    std::shared_ptr<ui::ActionSheet> sheet_;
    std::vector<PictureChoice> sheetChoices_;
    std::unique_ptr<ReporterImageController> viewImageSelect;
    std::string myIDEvent_;
    std::string myCommentaire_;
    bool observing_ = false;
};

} // namespace zephrun
