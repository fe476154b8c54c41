// One request to the GeoClue location service, run on a thread of its own with its own GLib
// main context, so that D-Bus never blocks the interface thread (and a missing bus or service
// fails on that thread, quickly).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/location/location_manager.h"

namespace zplatform {

class GeoClueSession {
  public:
    using PositionFn = std::function<void(const Location&)>;
    // `denied`: the service refused this application; otherwise it is absent or failed.
    using FailureFn = std::function<void(bool denied, const std::string& reason)>;

    // Starts the request; the callbacks run on the session's thread, positions as they come
    // (the first one and each change), a failure at most once, nothing after cancel().
    static std::shared_ptr<GeoClueSession> start(PositionFn position, FailureFn failure);
    // Ends the request without waiting for its thread.
    void cancel();

    struct Impl;
    ~GeoClueSession();

  private:
    GeoClueSession() = default;
    std::unique_ptr<Impl> impl_;
};

} // namespace zplatform
