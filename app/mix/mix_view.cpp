#include "app/mix/mix_view.h"

#include <algorithm>
#include <cmath>

#include "app/mix/mix_texts.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"

namespace zephrun {

namespace {
constexpr int kColors[MixView::kMaxVariants][3] = {
    {212, 41, 225}, {241, 210, 1}, {103, 241, 1}, {255, 40, 188}, {1, 198, 241}};
constexpr float kEqualizerX = 184;
constexpr float kEqualizerHeight = 480;
} // namespace

ui::Color MixView::variantColor(int variant) {
    if (variant < 0 || variant >= kMaxVariants) return ui::Color::clear();
    const int* c = kColors[variant];
    return ui::Color::rgb255(c[0], c[1], c[2]);
}

ui::Color MixView::boxAreaColor() {
    return ui::Color::rgb255(237, 237, 237);
}

MixView::MixView(std::function<std::uint32_t()> random)
    : ui::View(mixtexts::layout::kGrid), random_(std::move(random)) {
    setClipsToBounds(true);
    setBackgroundColor(ui::Color::black());
    lit_.fill(-1);
    viewBoxes_ = std::make_shared<ui::View>(ui::Rect(0, kBoxesTop, kBarX, kBox * kSlots));
    viewBoxes_->setBackgroundColor(boxAreaColor());
    addSubview(viewBoxes_);
    viewColor1_ = std::make_shared<ui::View>(ui::Rect(kBarX, 0, kBarWidth, kBarHeight));
    viewColor2_ = std::make_shared<ui::View>(ui::Rect(kBarX, kBarHeight, kBarWidth, kBarHeight));
    addSubview(viewColor1_);
    addSubview(viewColor2_);
    const ui::Image strip = ui::imageNamed(mixtexts::kEqualizerStrip);
    viewEqua1_ = std::make_shared<ui::ImageView>(strip);
    viewEqua1_->setFrame({kEqualizerX, 0, 26, kEqualizerHeight});
    viewEqua2_ = std::make_shared<ui::ImageView>(strip);
    viewEqua2_->setFrame({kEqualizerX, kEqualizerHeight, 26, kEqualizerHeight});
    addSubview(viewEqua1_);
    addSubview(viewEqua2_);
}

ui::View& MixView::viewEqua1() {
    return *viewEqua1_;
}
ui::View& MixView::viewEqua2() {
    return *viewEqua2_;
}

std::shared_ptr<ui::Button> MixView::makeBox(int variant, int slot) {
    auto b = std::make_shared<ui::Button>(ui::Rect(136 - kBox * static_cast<float>(variant),
                                                   kBox * static_cast<float>(slot), kBox, kBox));
    b->setBackgroundColor(ui::Color::clear());
    b->setImage(ui::imageNamed(mixtexts::kPad));
    b->addTarget([this](ui::Control& c) { clickOnBox(static_cast<ui::Button&>(c)); },
                 ui::ControlEvent::TouchUpInside);
    viewBoxes_->addSubview(b);
    return b;
}

void MixView::generateBoxWithTracksName(const std::vector<std::string>& names) {
    for (auto& column : listTracksBoxes_)
        for (auto& b : column) b->removeFromSuperview();
    listTracksBoxes_.clear();
    currentNBTracks = std::min(static_cast<int>(names.size()), kMaxVariants);
    for (int i = 0; i < currentNBTracks; ++i) {
        listTracksBoxes_.emplace_back();
        for (int j = 0; j < kSlots; ++j)
            listTracksBoxes_.back()[static_cast<size_t>(j)] = makeBox(i, j);
    }
    if (currentNBTracks <= 4) {
        const float width = 170 - kBox * static_cast<float>(currentNBTracks);
        auto cover = std::make_shared<ui::View>(ui::Rect(0, 0, width, kBarHeight));
        cover->setBackgroundColor(ui::Color::black());
        addSubview(cover);
    }
    generateShuffleBoxes();
}

ui::Button* MixView::box(int variant, int slot) const {
    if (variant < 0 || variant >= currentNBTracks || slot < 0 || slot >= kSlots) return nullptr;
    return listTracksBoxes_[static_cast<size_t>(variant)][static_cast<size_t>(slot)].get();
}

void MixView::light(int variant, int slot) {
    for (int i = 0; i < currentNBTracks; ++i)
        box(i, slot)->setBackgroundColor(i == variant ? variantColor(i) : ui::Color::clear());
    lit_[static_cast<size_t>(slot)] = variant;
}

void MixView::clickOnBox(ui::Button& tapped) {
    for (int i = 0; i < currentNBTracks; ++i)
        for (int j = 0; j < kSlots; ++j)
            if (box(i, j) == &tapped) {
                setBoxTracks(i, j);
                if (userChanged) userChanged();
                return;
            }
}

void MixView::setBoxTracks(int variant, int slot) {
    if (variant < 0 || variant >= currentNBTracks || slot < 0 || slot >= kSlots) return;
    light(variant, slot);
}

void MixView::setAllBoxesTracks(int variant) {
    for (int j = 1; j < kSlots; ++j) setBoxTracks(variant, j);
    updateColorEqua(*viewColor2_, getNextTrack());
}

void MixView::cleanAllBoxes() {
    for (int j = 0; j < kSlots; ++j) light(-1, j);
}

void MixView::shuffleOnCol(int slot) {
    // No variant, nothing to draw from (and nothing to divide by).
    if (currentNBTracks <= 0) return;
    int variant = plannedVariant ? plannedVariant(shifted_, slot) : -1;
    if (variant < 0 || variant >= currentNBTracks)
        variant = numVerrou >= 0
                      ? numVerrou
                      : static_cast<int>(random_() % static_cast<std::uint32_t>(currentNBTracks));
    setBoxTracks(variant, slot);
    if (slot == 0) currentActive = variant;
}

void MixView::generateShuffleBoxes() {
    for (int j = 0; j < kSlots; ++j) shuffleOnCol(j);
    updateColorEqua(*viewColor1_, currentActive);
    updateColorEqua(*viewColor2_, getNextTrack());
}

int MixView::getNextTrack() const {
    const int next = lit_[1];
    return next < 0 ? 0 : next;
}

void MixView::decalageBoxes() {
    for (int i = 0; i < currentNBTracks; ++i) {
        auto& column = listTracksBoxes_[static_cast<size_t>(i)];
        column[0]->removeFromSuperview();
        for (int j = 1; j < kSlots; ++j) {
            column[static_cast<size_t>(j - 1)] = column[static_cast<size_t>(j)];
            ui::Rect f = column[static_cast<size_t>(j - 1)]->frame();
            column[static_cast<size_t>(j - 1)]->setFrame(
                {f.x(), f.y() - kBox, f.width(), f.height()});
        }
        column[kSlots - 1] = makeBox(i, kSlots - 1);
    }
    for (int j = 1; j < kSlots; ++j)
        lit_[static_cast<size_t>(j - 1)] = lit_[static_cast<size_t>(j)];
    lit_[kSlots - 1] = -1;
    ++shifted_;
    shuffleOnCol(kSlots - 1);
}

void MixView::updateProgress(float p) {
    if (oldValueProgress > p) {
        oldValueProgress = 0;
        currentActive = getNextTrack();
        decalageBoxes();
        p = 0;
    }
    const float moved = kBox * std::fabs(oldValueProgress - p);
    oldValueProgress = p;
    ui::Rect f = viewBoxes_->frame();
    viewBoxes_->setFrame({f.x(), std::floor(kBoxesTop - kBox * p), f.width(), f.height()});
    for (ui::ImageView* eq : {viewEqua1_.get(), viewEqua2_.get()}) {
        ui::Rect e = eq->frame();
        float y = e.y() - moved;
        if (y < -kEqualizerHeight) y = kEqualizerHeight;
        eq->setFrame({e.x(), y, e.width(), e.height()});
    }
}

void MixView::returnToInit() {
    ui::Rect f = viewBoxes_->frame();
    viewBoxes_->setFrame({f.x(), kBoxesTop, f.width(), f.height()});
    viewColor1_->setFrame({kBarX, 0, kBarWidth, kBarHeight});
    viewColor2_->setFrame({kBarX, kBarHeight, kBarWidth, kBarHeight});
    viewEqua1_->setFrame({kEqualizerX, 0, 26, kEqualizerHeight});
    viewEqua2_->setFrame({kEqualizerX, kEqualizerHeight, 26, kEqualizerHeight});
    updateColorEqua(*viewColor1_, currentActive);
    updateColorEqua(*viewColor2_, getNextTrack());
    oldValueProgress = -1;
    shifted_ = 0;
}

void MixView::updateColorEqua(ui::View& bar, int variant) {
    bar.setBackgroundColor(variantColor(variant));
}

} // namespace zephrun
