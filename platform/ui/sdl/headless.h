// Headless set-up of a test driver's window: the SDL_ttf metrics for layout and a screenshot
// hook that renders the window offscreen to a PNG file. No display is needed.
#pragma once

#include <memory>

#include "platform/ui/sdl/offscreen_renderer.h"

namespace ui {
class TestDriver;
}

namespace ui::sdl {

// Installs the renderer's metrics into the driver's window and makes driver.screenshot(path)
// render with it. The returned renderer (shared with the hook) also gives the pixels of the
// last screenshot. Null when no software renderer could be made.
std::shared_ptr<OffscreenRenderer> installHeadlessRenderer(TestDriver& driver, float scale = 1);

} // namespace ui::sdl
