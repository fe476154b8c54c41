// TestDriver: headless input, time and view lookup for a Window.
#include "platform/ui/test_driver.h"

#include <algorithm>
#include <cmath>

#include "platform/run_loop.h"
#include "platform/ui/accelerometer.h"

namespace ui {

namespace {

// Every view in drawing order: the tree, then the modal layer.
void collect(View* view, std::vector<View*>& out) {
    out.push_back(view);
    for (const auto& s : view->subviews()) collect(s.get(), out);
}

} // namespace

TestDriver::TestDriver() : TestDriver(*new Window()) {
    owned_.reset(window_);
}

TestDriver::TestDriver(Window& window)
    : window_(&window), loop_(zplatform::RunLoop::currentHandle()),
      lastWall_(std::chrono::steady_clock::now()) {
    observer_ = loop_->addNestedRunObserver([this] { nestedFrame(); });
}

TestDriver::~TestDriver() {
    loop_->removeNestedRunObserver(observer_);
}

// --- Time ---

void TestDriver::nestedFrame() {
    auto wall = std::chrono::steady_clock::now();
    double elapsed = std::chrono::duration<double>(wall - lastWall_).count();
    lastWall_ = wall;
    ++nestedFrames_;
    window_->advanceAnimationsTo(window_->now() + std::max(0.0, elapsed));
}

void TestDriver::step(double to) {
    lastWall_ = std::chrono::steady_clock::now();
    if (loop_->isNested()) {
        // Called from inside a wait: interface timers and queued input keep waiting too.
        window_->advanceAnimationsTo(to);
    } else {
        zplatform::RunLoop::Turn turn(*loop_);
        deliverQueued();
        window_->advanceTo(to);
    }
    loop_->runOnce(0);
    lastWall_ = std::chrono::steady_clock::now();
}

void TestDriver::deliver(std::function<void()> input) {
    if (loop_->isNested()) {
        queued_.push_back(std::move(input));
        return;
    }
    zplatform::RunLoop::Turn turn(*loop_);
    deliverQueued();
    input();
}

void TestDriver::deliverQueued() {
    while (!queued_.empty()) {
        auto batch = std::move(queued_);
        queued_.clear();
        for (auto& input : batch) input();
    }
}

void TestDriver::advance(double seconds) {
    double target = window_->now() + std::max(0.0, seconds);
    // Whole frames from the start, so rounding does not add up over many steps.
    double start = window_->now();
    for (long frame = 1;; ++frame) {
        double next = start + static_cast<double>(frame) * kFrame;
        if (next >= target - 1e-9) break;
        step(next);
    }
    step(target);
}

bool TestDriver::advanceUntil(const std::function<bool()>& pred, double timeout) {
    double end = window_->now() + timeout;
    while (!pred()) {
        if (window_->now() >= end) return pred();
        step(std::min(end, window_->now() + kFrame));
    }
    return true;
}

// --- Touches ---

Point TestDriver::lastLocation(int finger) const {
    for (const auto& [f, p] : fingers_)
        if (f == finger) return p;
    return {};
}

void TestDriver::touchDown(int finger, Point point) {
    fingers_.erase(std::remove_if(fingers_.begin(), fingers_.end(),
                                  [finger](const auto& f) { return f.first == finger; }),
                   fingers_.end());
    fingers_.emplace_back(finger, point);
    deliver([this, finger, point] { window_->handleTouch(finger, TouchPhase::Began, point); });
}

void TestDriver::touchMove(int finger, Point point) {
    for (auto& [f, p] : fingers_)
        if (f == finger) p = point;
    deliver([this, finger, point] { window_->handleTouch(finger, TouchPhase::Moved, point); });
}

void TestDriver::touchUp(int finger) {
    touchUp(finger, lastLocation(finger));
}

void TestDriver::touchUp(int finger, Point point) {
    fingers_.erase(std::remove_if(fingers_.begin(), fingers_.end(),
                                  [finger](const auto& f) { return f.first == finger; }),
                   fingers_.end());
    deliver([this, finger, point] { window_->handleTouch(finger, TouchPhase::Ended, point); });
}

void TestDriver::tap(Point point) {
    touchDown(0, point);
    advance(kTapHold);
    touchUp(0, point);
    advance(0);
}

bool TestDriver::tap(const View* view) {
    if (!view || view->window() != window_) return false;
    Rect b = view->bounds();
    tap(view->convertPointToView(b.center(), nullptr));
    return true;
}

void TestDriver::doubleTap(Point point) {
    tap(point);
    advance(0.1);
    tap(point);
}

void TestDriver::drag(Point from, Point to, double seconds, int steps) {
    steps = std::max(1, steps);
    touchDown(0, from);
    for (int i = 1; i <= steps; ++i) {
        advance(seconds / steps);
        float t = static_cast<float>(i) / static_cast<float>(steps);
        touchMove(0, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
    }
    touchUp(0, to);
    advance(0);
}

void TestDriver::pinch(Point center, float fromDistance, float toDistance, double seconds,
                       int steps) {
    steps = std::max(1, steps);
    auto place = [&](float distance, int finger) {
        float half = distance / 2;
        return Point{center.x + (finger == 0 ? -half : half), center.y};
    };
    touchDown(0, place(fromDistance, 0));
    touchDown(1, place(fromDistance, 1));
    for (int i = 1; i <= steps; ++i) {
        advance(seconds / steps);
        float d = fromDistance +
                  (toDistance - fromDistance) * static_cast<float>(i) / static_cast<float>(steps);
        touchMove(0, place(d, 0));
        touchMove(1, place(d, 1));
    }
    touchUp(0);
    touchUp(1);
    advance(0);
}

// --- Devices and keyboard ---

void TestDriver::shake() {
    constexpr double kShakeSeconds = 0.5;
    deliver([this] { window_->accelerometer().shake(kShakeSeconds); });
    advance(kShakeSeconds + 0.2);
}

void TestDriver::typeText(std::string_view utf8) {
    size_t i = 0;
    while (i < utf8.size()) {
        size_t next = i + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80)
            ++next;
        deliver(
            [this, piece = std::string(utf8.substr(i, next - i))] { window_->handleText(piece); });
        i = next;
    }
    advance(0);
}

void TestDriver::pressReturn() {
    deliver([this] { window_->handleReturn(); });
    advance(0);
}

void TestDriver::pressBackspace() {
    deliver([this] { window_->handleBackspace(); });
    advance(0);
}

// --- Finding views ---

std::vector<View*> TestDriver::findAll(const std::function<bool(const View&)>& predicate) const {
    std::vector<View*> all;
    collect(window_, all);
    for (const auto& m : window_->modalViews()) collect(m.get(), all);
    std::reverse(all.begin(), all.end()); // frontmost first
    std::vector<View*> out;
    for (View* v : all)
        if (predicate(*v)) out.push_back(v);
    return out;
}

View* TestDriver::findByTag(int tag) const {
    auto found = findAll([tag](const View& v) { return v.tag() == tag; });
    for (View* v : found)
        if (isVisible(v)) return v;
    return found.empty() ? nullptr : found.front();
}

View* TestDriver::findByText(std::string_view text) const {
    auto found = findAll([text](const View& v) { return v.displayedText() == text; });
    for (View* v : found)
        if (isVisible(v)) return v;
    return found.empty() ? nullptr : found.front();
}

View* TestDriver::findByImageName(std::string_view name) const {
    auto found = findAll([name](const View& v) { return v.displayedImageName() == name; });
    for (View* v : found)
        if (isVisible(v)) return v;
    return found.empty() ? nullptr : found.front();
}

// --- Inspecting ---

Rect TestDriver::frameInWindow(const View* view) const {
    if (!view) return {};
    return view->convertRectToView(view->bounds(), nullptr);
}

bool TestDriver::isVisible(const View* view) const {
    if (!view || view->window() != window_ || !view->isVisibleInWindow()) return false;
    Rect f = frameInWindow(view);
    if (f.size.width <= 0 || f.size.height <= 0) return false;
    return f.intersects(window_->bounds());
}

std::string TestDriver::text(const View* view) const {
    return view ? view->displayedText() : std::string();
}

std::string TestDriver::imageName(const View* view) const {
    return view ? view->displayedImageName() : std::string();
}

float TestDriver::alpha(const View* view) const {
    return view ? view->presentationAlpha() : 0;
}

bool TestDriver::screenshot(const std::string& path) {
    if (!screenshot_) return false;
    return screenshot_(*window_, path);
}

} // namespace ui
