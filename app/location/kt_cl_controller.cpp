#include "app/location/kt_cl_controller.h"

#include <cstdio>

namespace zephrun {

KT_CLController& KT_CLController::sharedInstance() {
    // A function-local static: created once, even when two threads ask at once, never destroyed
    // before the end of the process.
    static KT_CLController* instance = new KT_CLController();
    return *instance;
}

void KT_CLController::startUpdatingLocation() {
    if (starter_) starter_();
}

void KT_CLController::didUpdateToLocation(double latitude, double longitude,
                                          double horizontalAccuracy) {
    if (hasReponse_) return;
    hasReponse_ = true;
    if (horizontalAccuracy < 0) {
        isLocated_ = false;
    } else {
        isLocated_ = true;
        currentLatitude_ = static_cast<float>(latitude);
        currentLongitude_ = static_cast<float>(longitude);
    }
    if (delegate_) delegate_->sendInfoToKT();
}

std::string KT_CLController::failureKind(const std::string& domain, int code) {
    if (domain != kLocationErrorDomain) return "others";
    if (code == kLocationUnknown) return "LocationUnknown";
    if (code == kLocationDenied) return "LocationDenied";
    return "GenericLocationError";
}

void KT_CLController::didFailWithError(const std::string& domain, int code) {
    if (hasReponse_) return;
    hasReponse_ = true;
    std::fprintf(stderr, "location: %s\n", failureKind(domain, code).c_str());
    isLocated_ = false;
    if (delegate_) delegate_->sendInfoToKT();
}

} // namespace zephrun
