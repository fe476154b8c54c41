// The SDL2 window host: events to touches and text, wall time to the window clock, redraws.
#include "platform/ui/sdl/sdl_host.h"

#include <algorithm>
#include <cmath>

#include "platform/app_services.h"
#include "platform/run_loop.h"
#include "platform/ui/accelerometer.h"
#include "platform/ui/animator.h"
#include "platform/ui/window.h"

namespace ui::sdl {

SdlHost::SdlHost(std::shared_ptr<Window> window, SdlHostOptions options)
    : window_(std::move(window)), options_(std::move(options)),
      video_(SDL_INIT_VIDEO | SDL_INIT_EVENTS) {
    if (options_.scale <= 0) options_.scale = 1;
    if (options_.framesPerSecond <= 0) options_.framesPerSecond = 60;
    if (!video_.ok()) {
        error_ = SDL_GetError();
        return;
    }
    Size size = window_->bounds().size;
    int w = static_cast<int>(std::lround(size.width * options_.scale));
    int h = static_cast<int>(std::lround(size.height * options_.scale));
    sdlWindow_.reset(SDL_CreateWindow(options_.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, w, h, SDL_WINDOW_SHOWN));
    if (!sdlWindow_) {
        error_ = SDL_GetError();
        return;
    }
    renderer_.reset(SDL_CreateRenderer(sdlWindow_.get(), -1, SDL_RENDERER_ACCELERATED));
    if (!renderer_)
        renderer_.reset(SDL_CreateRenderer(sdlWindow_.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!renderer_) {
        error_ = SDL_GetError();
        return;
    }
    // A high-density display may give more pixels than asked: scale to what the output has.
    int ow = w, oh = h;
    SDL_GetRendererOutputSize(renderer_.get(), &ow, &oh);
    float pixelScale = size.width > 0 ? static_cast<float>(ow) / size.width : options_.scale;
    fonts_ = std::make_shared<FontCache>();
    auto metrics = std::make_shared<SdlFontMetrics>(fonts_, pixelScale);
    window_->setMetrics(metrics);
    canvas_ = std::make_unique<SdlCanvas>(renderer_.get(), metrics);
    openSensors();
    SDL_StartTextInput();
    start_ = std::chrono::steady_clock::now();
    clockAtStart_ = window_->now();
    window_->setNeedsDisplayInWindow();
    observer_ = zplatform::RunLoop::main().addNestedRunObserver([this] { nestedFrame(); });
}

SdlHost::~SdlHost() {
    if (observer_) zplatform::RunLoop::main().removeNestedRunObserver(observer_);
    if (ok()) SDL_StopTextInput();
}

double SdlHost::wallClock() const {
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    return std::max(window_->now(), clockAtStart_ + elapsed);
}

void SdlHost::applyIdleTimer() {
    int off = zplatform::ApplicationServices::shared().isIdleTimerDisabled() ? 1 : 0;
    if (off == screenSaverOff_) return;
    screenSaverOff_ = off;
    if (off)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
}

void SdlHost::nestedFrame() {
    // Everything that arrived waits for the end of the wait, in order; only what the picture
    // itself needs is looked at now.
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                              event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED))
            window_->setNeedsDisplayInWindow();
        waiting_.push_back(event);
    }
    window_->advanceAnimationsTo(wallClock());
    if (window_->needsDisplay() || window_->animator().isRunning()) draw();
}

void SdlHost::openSensors() {
    sensors_ = std::make_unique<SdlSubsystems>(SDL_INIT_SENSOR);
    if (!sensors_->ok()) return;
    for (int i = 0; i < SDL_NumSensors(); ++i) {
        if (SDL_SensorGetDeviceType(i) != SDL_SENSOR_ACCEL) continue;
        if (SensorPtr sensor{SDL_SensorOpen(i)}) accelerometers_.push_back(std::move(sensor));
    }
}

int SdlHost::run() {
    if (!ok()) return 1;
    using namespace std::chrono;
    const auto period =
        duration_cast<steady_clock::duration>(duration<double>(1.0 / options_.framesPerSecond));
    auto next = steady_clock::now();
    while (frame()) {
        next += period;
        auto now = steady_clock::now();
        if (next < now) next = now; // late frames are not made up for
        // Sleep until the next frame, waking early for input.
        int waitMs = static_cast<int>(duration_cast<milliseconds>(next - now).count());
        // Wakes early for input, which stays queued for the next frame.
        if (waitMs > 0) SDL_WaitEventTimeout(nullptr, waitMs);
    }
    return 0;
}

bool SdlHost::frame() {
    if (!ok()) return false;
    zplatform::RunLoop& loop = zplatform::RunLoop::main();
    {
        zplatform::RunLoop::Turn turn(loop);
        auto waited = std::move(waiting_);
        waiting_.clear();
        for (const SDL_Event& event : waited)
            if (!closing_) handle(event);
        SDL_Event event;
        while (!closing_ && SDL_PollEvent(&event)) handle(event);
        if (closing_) return false;
        applyIdleTimer();
        window_->advanceTo(wallClock());
    }
    loop.runOnce(0);
    if (window_->needsDisplay() || window_->animator().isRunning()) draw();
    return !closing_;
}

void SdlHost::draw() {
    SDL_RenderSetClipRect(renderer_.get(), nullptr);
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    canvas_->beginFrame();
    window_->renderWindow(*canvas_);
    SDL_RenderPresent(renderer_.get());
    ++framesDrawn_;
}

Point SdlHost::toPoints(int x, int y) const {
    // Mouse coordinates are in window units, which may differ from pixels on dense displays.
    int w = 1, h = 1;
    SDL_GetWindowSize(sdlWindow_.get(), &w, &h);
    Size size = window_->bounds().size;
    return {static_cast<float>(x) * size.width / static_cast<float>(std::max(w, 1)),
            static_cast<float>(y) * size.height / static_cast<float>(std::max(h, 1))};
}

Point SdlHost::mirrored(Point p) const {
    Size size = window_->bounds().size;
    return {size.width - p.x, size.height - p.y};
}

void SdlHost::setPinch(bool on) {
    if (!mouseDown_) on = false; // the second finger only exists while the first is down
    if (on == pinch_) return;
    pinch_ = on;
    window_->handleTouch(1, on ? TouchPhase::Began : TouchPhase::Ended, mirrored(lastMouse_));
}

void SdlHost::handleButton(const SDL_MouseButtonEvent& button, bool down) {
    if (button.which == SDL_TOUCH_MOUSEID && button.button != SDL_BUTTON_LEFT) return;
    if (button.button != SDL_BUTTON_LEFT && button.button != SDL_BUTTON_RIGHT) return;
    Point p = toPoints(button.x, button.y);
    lastMouse_ = p;
    if (down) {
        if (mouseDown_) return; // the second button of a held mouse adds nothing
        mouseDown_ = true;
        window_->handleTouch(0, TouchPhase::Began, p);
        bool ctrl = (SDL_GetModState() & KMOD_CTRL) != 0;
        if (ctrl || button.button == SDL_BUTTON_RIGHT) setPinch(true);
    } else {
        if (!mouseDown_) return;
        setPinch(false);
        mouseDown_ = false;
        window_->handleTouch(0, TouchPhase::Ended, p);
    }
}

void SdlHost::handleKey(const SDL_KeyboardEvent& key, bool down) {
    SDL_Keycode code = key.keysym.sym;
    if (code == SDLK_LCTRL || code == SDLK_RCTRL) {
        if (mouseDown_) setPinch(down);
        return;
    }
    if (!down) return;
    switch (code) {
    case SDLK_ESCAPE:
        closing_ = true;
        break;
    case SDLK_BACKSPACE:
        window_->handleBackspace();
        break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        window_->handleReturn();
        break;
    case SDLK_F2:
        window_->accelerometer().shake();
        break;
    case SDLK_F3:
        zplatform::ApplicationServices::shared().simulateMemoryWarning();
        break;
    case SDLK_s:
        if (!window_->firstResponder()) window_->accelerometer().shake();
        break;
    default:
        break;
    }
}

void SdlHost::handle(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        closing_ = true;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) closing_ = true;
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
            event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            window_->setNeedsDisplayInWindow();
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && mouseDown_) {
            window_->cancelAllTouches();
            mouseDown_ = pinch_ = false;
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
        handleButton(event.button, true);
        break;
    case SDL_MOUSEBUTTONUP:
        handleButton(event.button, false);
        break;
    case SDL_MOUSEMOTION:
        if (mouseDown_) {
            lastMouse_ = toPoints(event.motion.x, event.motion.y);
            window_->handleTouch(0, TouchPhase::Moved, lastMouse_);
            if (pinch_) window_->handleTouch(1, TouchPhase::Moved, mirrored(lastMouse_));
        }
        break;
    case SDL_KEYDOWN:
        handleKey(event.key, true);
        break;
    case SDL_KEYUP:
        handleKey(event.key, false);
        break;
    case SDL_TEXTINPUT:
        window_->handleText(event.text.text);
        break;
    case SDL_SENSORUPDATE: {
        SDL_Sensor* sensor = SDL_SensorFromInstanceID(event.sensor.which);
        if (sensor && SDL_SensorGetType(sensor) == SDL_SENSOR_ACCEL) {
            // SDL reports m/s^2 with gravity pushing up from the screen; the toolkit reads g
            // with a device lying screen up at z = -1.
            const float* d = event.sensor.data;
            window_->accelerometer().setReading(-d[0] / SDL_STANDARD_GRAVITY,
                                                -d[1] / SDL_STANDARD_GRAVITY,
                                                -d[2] / SDL_STANDARD_GRAVITY);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace ui::sdl
