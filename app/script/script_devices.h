// The answers a script gives the devices that a person would operate: the next position of the
// location service and the next choice of the picture chooser.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zephrun {

// Makes the location service answer from the script (headless runs).
void useScriptedLocation();
// The location service's next answer: a position (latitude, longitude) or none (a failure).
void scriptNextLocation(std::optional<std::pair<double, double>> position);
// The picture chooser's next answer: the picture file picked, or none (cancelled).
void scriptNextPick(std::optional<std::string> file);

} // namespace zephrun
