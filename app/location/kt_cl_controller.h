// KT_CLController: the single owner of the location service. A requester resets the answer,
// makes itself the delegate and starts updating; the first location or failure after that is
// delivered once (sendInfoToKT), later ones are ignored until the next request.
//
// The shared instance lives for the whole run and owns the platform's location manager (the
// desktop's location service unless the host gives it another source, e.g. a script's).
// Threads: interface thread (the manager delivers its callbacks there).
#pragma once

#include <memory>
#include <string>

namespace zplatform {
class LocationManager;
class LocationSource;
} // namespace zplatform

namespace zephrun {

class KT_CLControllerDelegate {
  public:
    virtual ~KT_CLControllerDelegate() = default;
    // An answer arrived: read isLocated() and the coordinates.
    virtual void sendInfoToKT() = 0;
};

class KT_CLController {
  public:
    // Location service error domain and codes, as the platform reports them.
    static constexpr const char* kLocationErrorDomain = "kCLErrorDomain";
    static constexpr int kLocationUnknown = 0;
    static constexpr int kLocationDenied = 1;

    static KT_CLController& sharedInstance();

    KT_CLControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(KT_CLControllerDelegate* delegate) { delegate_ = delegate; }
    bool hasReponse() const { return hasReponse_; }
    void setHasReponse(bool value) { hasReponse_ = value; }
    bool isLocated() const { return isLocated_; }
    void setIsLocated(bool value) { isLocated_ = value; }
    float currentLatitude() const { return currentLatitude_; }
    float currentLongitude() const { return currentLongitude_; }

    // The platform's location manager, made on first use.
    zplatform::LocationManager& locationManager();
    // Asks the location service to start updating (the service keeps running afterwards).
    void startUpdatingLocation();
    // Replaces where positions come from (a script's source in headless runs).
    void setLocationSource(std::shared_ptr<zplatform::LocationSource> source);
    // Forgets a delegate that goes away.
    void forgetDelegate(const KT_CLControllerDelegate* delegate) {
        if (delegate_ == delegate) delegate_ = nullptr;
    }

    // The service's callbacks.
    void didUpdateToLocation(double latitude, double longitude, double horizontalAccuracy);
    void didFailWithError(const std::string& domain, int code);
    // The failure's kind as logged: "LocationUnknown", "LocationDenied", "GenericLocationError"
    // or "others".
    static std::string failureKind(const std::string& domain, int code);

  private:
    class ManagerDelegate;
    KT_CLController() = default;
    KT_CLControllerDelegate* delegate_ = nullptr;
    bool hasReponse_ = false;
    bool isLocated_ = false;
    float currentLatitude_ = 0;
    float currentLongitude_ = 0;
    std::unique_ptr<zplatform::LocationManager> manager_;
    std::unique_ptr<ManagerDelegate> managerDelegate_;
};

} // namespace zephrun
