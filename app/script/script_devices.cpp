#include "app/script/script_devices.h"

#include "app/location/kt_cl_controller.h"
#include "platform/location/system_location_source.h"
#include "platform/ui/image_picker.h"

namespace zephrun {

namespace {
std::shared_ptr<zplatform::ScriptedLocationSource>& scriptedSource() {
    static auto source = std::make_shared<zplatform::ScriptedLocationSource>();
    return source;
}
} // namespace

void useScriptedLocation() { KT_CLController::sharedInstance().setLocationSource(scriptedSource()); }

void scriptNextLocation(std::optional<std::pair<double, double>> position) {
    if (position)
        scriptedSource()->answerLocation(position->first, position->second);
    else
        scriptedSource()->answerNone();
}

void scriptNextPick(std::optional<std::string> file) {
    if (file)
        ui::ImagePickerController::scriptPick(*file);
    else
        ui::ImagePickerController::scriptCancel();
}

} // namespace zephrun
