// Offscreen screenshots and text metrics for the headless test driver.
#include "platform/ui/sdl/headless.h"

#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"

namespace ui::sdl {

std::shared_ptr<OffscreenRenderer> installHeadlessRenderer(TestDriver& driver, float scale) {
    Window& window = driver.window();
    auto renderer = std::make_shared<OffscreenRenderer>(scale, window.bounds().size);
    if (!renderer->ok()) return nullptr;
    renderer->installMetrics(window);
    driver.setScreenshotHook([renderer](Window& w, const std::string& path) {
        renderer->render(w);
        return renderer->savePng(path);
    });
    return renderer;
}

} // namespace ui::sdl
