// The location manager: one generation per start, answers posted to the interface thread's
// outermost loop, a time-out that turns silence into "location unknown".
#include "platform/location/location_manager.h"

#include "platform/location/system_location_source.h"
#include "platform/run_loop.h"

namespace zplatform {

// What posted answers and the time-out reach; it outlives the manager if they are late.
struct LocationManager::Shared {
    LocationManager* owner = nullptr;
    unsigned generation = 0;
    bool updating = false;
    bool answered = false; // something was delivered since the last start
    std::shared_ptr<Timer> timeout;
};

LocationManager::LocationManager(std::shared_ptr<LocationSource> source)
    : source_(source ? std::move(source) : std::make_shared<SystemLocationSource>()),
      shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
}

LocationManager::~LocationManager() {
    stopUpdatingLocation();
    shared_->owner = nullptr;
}

void LocationManager::setSource(std::shared_ptr<LocationSource> source) {
    stopUpdatingLocation();
    if (source) source_ = std::move(source);
}

bool LocationManager::isUpdating() const {
    return shared_->updating;
}

void LocationManager::startUpdatingLocation() {
    if (shared_->updating) source_->stop();
    if (shared_->timeout) shared_->timeout->invalidate();
    const unsigned generation = ++shared_->generation;
    shared_->updating = true;
    shared_->answered = false;

    std::weak_ptr<Shared> weak = shared_;
    shared_->timeout = RunLoop::main().performAfterDelay(
        timeout_,
        [weak, generation] {
            auto s = weak.lock();
            if (!s || !s->owner || s->answered) return;
            s->owner->answered(generation, LocationAnswer{std::nullopt, LocationError{}});
        },
        RunDepth::Outermost);
    source_->start([weak, generation, loop = RunLoop::mainHandle()](const LocationAnswer& a) {
        loop->post(
            [weak, generation, a] {
                auto s = weak.lock();
                if (s && s->owner) s->owner->answered(generation, a);
            },
            RunDepth::Outermost);
    });
}

void LocationManager::stopUpdatingLocation() {
    if (shared_->timeout) shared_->timeout->invalidate();
    shared_->timeout.reset();
    if (!shared_->updating) return;
    shared_->updating = false;
    ++shared_->generation;
    source_->stop();
}

void LocationManager::answered(unsigned generation, const LocationAnswer& answer) {
    if (generation != shared_->generation || !shared_->updating) return;
    shared_->answered = true;
    if (shared_->timeout) shared_->timeout->invalidate();
    if (answer.location) {
        last_ = answer.location;
        if (delegate_) delegate_->didUpdateToLocation(*this, *answer.location);
    } else if (delegate_) {
        delegate_->didFailWithError(*this, answer.error);
    }
}

} // namespace zplatform
