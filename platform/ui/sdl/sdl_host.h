// The desktop window that shows a ui::Window: 320 x 480 points at 1x or 2x, up to 60 frames
// per second, redrawn only when the window needs display.
//
// Input: the mouse is finger 0; holding Ctrl (or pressing the right button) adds finger 1,
// mirrored about the window's centre, for pinches. Text input, Backspace and Return go to the
// first responder. "S" (when no text has focus) or F2 shakes the accelerometer; a device
// accelerometer, where SDL finds one, feeds it continuously. F3 sends the application a memory
// warning. Escape or closing the window ends run().
//
// Time: each frame advances the window's clock by the wall time elapsed and turns
// zplatform::RunLoop::main() once, so posted calls, timers and HTTP callbacks run.
//
// Synchronous waits: input and the window's time are dispatched as a turn of the run loop, so
// a handler waiting for a request runs a nested run. Meanwhile the host keeps the window alive
// at frame rate: events are collected (input is delivered after the wait, never into the
// handler still on the stack), animations move by the wall time, and the window is redrawn;
// interface timers wait for the next frame after the wait.
//
// Screen saver: off while the application disables its idle timer (ApplicationServices).
//
// Threads: the process's initial thread (the interface thread) only.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/sdl/font_cache.h"
#include "platform/ui/sdl/sdl_canvas.h"
#include "platform/ui/sdl/sdl_handles.h"

namespace ui {
class Window;
}

namespace ui::sdl {

struct SdlHostOptions {
    float scale = 1; // pixels per point
    std::string title = "Zephrun";
    double framesPerSecond = 60;
};

class SdlHost {
  public:
    explicit SdlHost(std::shared_ptr<Window> window, SdlHostOptions options = {});
    ~SdlHost();
    SdlHost(const SdlHost&) = delete;
    SdlHost& operator=(const SdlHost&) = delete;

    // False when no window could be opened (no display); error() tells why.
    bool ok() const { return canvas_ != nullptr; }
    const std::string& error() const { return error_; }

    // Runs frames until the window is closed; returns 0, or 1 when the host is not ok().
    int run();
    // One frame: events, clock, run loop, redraw when needed. False once closing.
    bool frame();
    void requestClose() { closing_ = true; }
    // Frames actually drawn (a static screen draws none).
    long framesDrawn() const { return framesDrawn_; }

  private:
    void nestedFrame();
    double wallClock() const;
    void applyIdleTimer();
    void handle(const SDL_Event& event);
    void handleButton(const SDL_MouseButtonEvent& button, bool down);
    void handleKey(const SDL_KeyboardEvent& key, bool down);
    void setPinch(bool on);
    Point toPoints(int x, int y) const;
    Point mirrored(Point p) const;
    void openSensors();
    void draw();

    std::shared_ptr<Window> window_;
    SdlHostOptions options_;
    std::string error_;
    SdlSubsystems video_;
    std::unique_ptr<SdlSubsystems> sensors_;
    std::vector<SensorPtr> accelerometers_;
    std::shared_ptr<FontCache> fonts_;
    WindowPtr sdlWindow_;
    RendererPtr renderer_;
    std::unique_ptr<SdlCanvas> canvas_; // after the renderer: destroyed first
    std::chrono::steady_clock::time_point start_;
    double clockAtStart_ = 0;
    bool closing_ = false;
    bool mouseDown_ = false;
    bool pinch_ = false;
    Point lastMouse_;
    long framesDrawn_ = 0;
    int observer_ = 0;
    std::vector<SDL_Event> waiting_; // events collected during a synchronous wait
    int screenSaverOff_ = -1;        // as applied: -1 not yet, 0 on, 1 off
};

} // namespace ui::sdl
