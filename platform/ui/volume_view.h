// VolumeView: the system volume slider, bound to the window's music volume
// (SystemServices::musicVolume): dragging the thumb sets the volume, and changes made elsewhere
// move the thumb.
//
// Threads: interface thread only.
#pragma once

#include <memory>

#include "platform/ui/view.h"

namespace ui {

class SystemServices;

class VolumeView : public View {
  public:
    explicit VolumeView(const Rect& frame = {});

    // The volume the thumb shows, 0..1.
    float value() const { return value_; }
    // The thumb's frame in this view's coordinates.
    Rect thumbRect() const;
    static constexpr float kThumbSize = 22;

    void draw(Canvas& canvas) const override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void didMoveToWindow() override;
    std::string_view className() const override { return "VolumeView"; }

  private:
    float trackLeft() const;
    float trackWidth() const;
    void setValueFromTouch(float x);

    float value_ = 1;
    bool tracking_ = false;
    float grabOffset_ = 0; // finger x minus thumb centre when the drag began
    SystemServices* services_ = nullptr;
    // Observers hold it weakly: services outliving the view never call into a dead view.
    std::shared_ptr<VolumeView*> self_;
};

} // namespace ui
