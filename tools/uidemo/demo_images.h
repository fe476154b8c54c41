// Pictures of the widget demo, drawn in code so the demo needs no package resources.
#pragma once

#include <vector>

#include "platform/ui/image.h"

namespace uidemo {

// A vertical gradient between two colours.
ui::Image gradient(int width, int height, const ui::Color& top, const ui::Color& bottom);
// A rounded button background with 12-pixel caps, for stretchableImage(12, 0).
ui::Image buttonBackground(const ui::Color& fill);
// `count` frames of a disc turning round a ring (the image view's frame animation).
std::vector<ui::Image> spinnerFrames(int count, int size, const ui::Color& color);
// A record sleeve: a coloured square with a disc, as album thumbnails.
ui::Image sleeve(int size, const ui::Color& color);

} // namespace uidemo
