#include "app/script/script_devices.h"

namespace zephrun {

void scriptNextLocation(std::optional<std::pair<double, double>> position) { (void)position; }

void scriptNextPick(std::optional<std::string> file) { (void)file; }

} // namespace zephrun
