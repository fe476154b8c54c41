// Window: the root of the view tree (320 x 480 points), with the clock that animations and
// interface timers run on, touch dispatch, the first responder for text input, the modal layer
// of alerts and action sheets, the accelerometer and the system services.
//
// The window knows nothing of how it is shown: a host (the SDL2 window, the headless test
// driver) feeds it input and time and asks it to render when needsDisplay() is true.
//
// Threads: interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/clock.h"
#include "platform/ui/font.h"
#include "platform/ui/view.h"

namespace ui {

class Animator;
class TouchDispatcher;
class Accelerometer;
class SystemServices;

class Window : public View {
  public:
    explicit Window(Size size = {320, 480});
    ~Window() override;

    Window* window() const override { return const_cast<Window*>(this); }
    std::string_view className() const override { return "Window"; }

    // --- Time ---
    Clock& clock() { return clock_; }
    double now() const { return clock_.now(); }
    // Advances the clock: timers fire and animations step up to `time`; finished animations
    // call their completions.
    void advanceTo(double time);
    // The same while the interface thread waits in a synchronous request (a nested run):
    // animations and animation timers move, interface timers and animation completions wait
    // for the next advanceTo(), so no application work runs under the waiting handler.
    void advanceAnimationsTo(double time);
    Animator& animator() { return *animator_; }

    // --- Display ---
    bool needsDisplay() const { return needsDisplay_; }
    void setNeedsDisplayInWindow() { needsDisplay_ = true; }
    // Lays out what needs it, draws the tree and then the modal layer; clears needsDisplay().
    void renderWindow(Canvas& canvas);
    // Text metrics for layout (labels sizing, shrink to fit); the host installs the renderer's.
    const FontMetrics& metrics() const { return *metrics_; }
    void setMetrics(std::shared_ptr<const FontMetrics> metrics);

    // --- Input (window coordinates; called by the host) ---
    // One finger's phase. Began hit-tests (the modal layer first); later phases go to the
    // view the touch began in. Tap counts follow the double-tap interval (0.35 s) and distance
    // (22 points).
    void handleTouch(int finger, TouchPhase phase, Point location);
    void cancelAllTouches();
    void handleText(std::string_view utf8);
    void handleBackspace();
    void handleReturn();
    View* firstResponder() const { return firstResponder_; }

    // --- Modal layer (alerts, action sheets, pickers shown over everything) ---
    void presentModal(const std::shared_ptr<View>& view);
    void dismissModal(const View* view);
    const std::vector<std::shared_ptr<View>>& modalViews() const { return modal_; }

    // --- Devices and services ---
    Accelerometer& accelerometer() { return *accelerometer_; }
    SystemServices& services() { return *services_; }

  private:
    friend class View;
    void setFirstResponder(View* view);
    void viewWillLeave(View* view); // drops touches and focus pointing into a removed subtree

    Clock clock_;
    std::unique_ptr<Animator> animator_;
    std::unique_ptr<TouchDispatcher> touches_;
    std::unique_ptr<Accelerometer> accelerometer_;
    std::unique_ptr<SystemServices> services_;
    std::shared_ptr<const FontMetrics> metrics_;
    std::vector<std::shared_ptr<View>> modal_;
    View* firstResponder_ = nullptr;
    bool needsDisplay_ = true;
};

} // namespace ui
