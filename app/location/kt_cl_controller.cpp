#include "app/location/kt_cl_controller.h"

#include <cstdio>

#include "platform/location/location_manager.h"

namespace zephrun {

KT_CLController& KT_CLController::sharedInstance() {
    // A function-local static: created once, even when two threads ask at once, never destroyed
    // before the end of the process.
    static KT_CLController* instance = new KT_CLController();
    return *instance;
}

class KT_CLController::ManagerDelegate : public zplatform::LocationManagerDelegate {
  public:
    explicit ManagerDelegate(KT_CLController& controller) : controller_(controller) {}
    void didUpdateToLocation(zplatform::LocationManager&, const zplatform::Location& l) override {
        controller_.didUpdateToLocation(l.latitude, l.longitude, l.horizontalAccuracy);
    }
    void didFailWithError(zplatform::LocationManager&, const zplatform::LocationError& e) override {
        controller_.didFailWithError(e.domain, e.code);
    }

  private:
    KT_CLController& controller_;
};

zplatform::LocationManager& KT_CLController::locationManager() {
    if (!manager_) {
        manager_ = std::make_unique<zplatform::LocationManager>();
        managerDelegate_ = std::make_unique<ManagerDelegate>(*this);
        manager_->setDelegate(managerDelegate_.get());
    }
    return *manager_;
}

void KT_CLController::startUpdatingLocation() { locationManager().startUpdatingLocation(); }

void KT_CLController::setLocationSource(std::shared_ptr<zplatform::LocationSource> source) {
    locationManager().setSource(std::move(source));
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
