// The visible view tree of a window as JSON: each view an object with its class, its frame in
// window points, its text, picture, tag, alpha, hidden flag and children (the modal layer last,
// as it is drawn over the rest).
#pragma once

#include <string>

namespace ui {
class Window;
class TestDriver;
} // namespace ui

namespace zephrun {

std::string dumpViewTree(ui::Window& window, const ui::TestDriver& driver);

} // namespace zephrun
