// HomeBoxView: one of the home screen's five boxes — its picture, the content drawn inside (a
// news item, a cover, a photo) and the state of a drag: the level last sent for its track, the
// slider's attenuation, where it was pressed and whether it moved.
#pragma once

#include <memory>

#include "platform/ui/image.h"
#include "platform/ui/view.h"

namespace ui {
class ImageView;
}

namespace zephrun {

class HomeBoxView : public ui::View {
  public:
    static constexpr float kWidth = 91;
    static constexpr float kHeight = 111;
    static constexpr int kImageTag = 11;
    static constexpr int kContentTag = 12;

    explicit HomeBoxView(const ui::Image& image);

    // Pressed: the picture grows in 0.2 s; the position is remembered, nothing moved yet.
    void boxSelected();
    // Released: the picture shrinks back in 0.2 s.
    void boxDeselected();
    // The veil shown while the content is prepared.
    void showLoading();
    void hideLoading();
    // Replaces the content view as a whole.
    void setContenu(const std::shared_ptr<ui::View>& content);
    void setImage(const ui::Image& image);

    int currentLevel = 125;
    float coefLevel = 1.0f;
    bool hasMove = false;
    ui::Point pInit;
    bool isDragging = false;

    std::string_view className() const override { return "HomeBoxView"; }

  private:
    std::shared_ptr<ui::ImageView> image_;
    std::shared_ptr<ui::View> viewLoading_;
};

} // namespace zephrun
