// Notification centre: a locked list of observations, snapshotted for each delivery.
#include "platform/notification_center.h"

#include "platform/run_loop.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace zplatform {

namespace {
struct Observation {
    NotificationCenter::ObserverId id;
    const void* target;
    std::string name;
    const void* object;
    NotificationCenter::Operation operation;
    std::atomic<bool> removed{false};
};
} // namespace

struct NotificationCenter::Impl {
    mutable std::mutex mutex;
    std::vector<std::shared_ptr<Observation>> observations;
    ObserverId nextId = 1;

    template <class Pred> void removeIf(Pred pred) {
        std::lock_guard lock(mutex);
        std::erase_if(observations, [&](const std::shared_ptr<Observation>& o) {
            if (!pred(*o)) return false;
            o->removed.store(true); // a delivery holding a snapshot skips it from now on
            return true;
        });
    }
};

NotificationCenter::NotificationCenter() : impl_(std::make_unique<Impl>()) {}
NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const void* target, std::string name,
                                                               Operation operation,
                                                               const void* object) {
    auto o = std::make_shared<Observation>();
    o->target = target;
    o->name = std::move(name);
    o->object = object;
    o->operation = std::move(operation);
    std::lock_guard lock(impl_->mutex);
    o->id = impl_->nextId++;
    impl_->observations.push_back(std::move(o));
    return impl_->observations.back()->id;
}

void NotificationCenter::removeObserver(const void* target) {
    impl_->removeIf([&](const Observation& o) { return o.target == target; });
}

void NotificationCenter::removeObserver(const void* target, const std::string& name,
                                        const void* object) {
    impl_->removeIf([&](const Observation& o) {
        return o.target == target && o.name == name && (object == nullptr || o.object == object);
    });
}

void NotificationCenter::removeObserver(ObserverId id) {
    impl_->removeIf([&](const Observation& o) { return o.id == id; });
}

void NotificationCenter::postNotification(const std::string& name, const void* object,
                                          const std::string& text) {
    std::vector<std::shared_ptr<Observation>> matching;
    {
        std::lock_guard lock(impl_->mutex);
        for (const auto& o : impl_->observations) {
            if ((o->name.empty() || o->name == name) &&
                (o->object == nullptr || o->object == object))
                matching.push_back(o);
        }
    }
    const Notification notice{name, object, text};
    // The lock is not held while observers run: they may post, add or remove in turn.
    for (const auto& o : matching) {
        if (!o->removed.load()) o->operation(notice);
    }
}

void NotificationCenter::postNotificationOnMainThread(const std::string& name, const void* object,
                                                      const std::string& text) {
    RunLoop::main().post([this, name, object, text] { postNotification(name, object, text); });
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->observations.size();
}

} // namespace zplatform
