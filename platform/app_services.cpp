// The application object's services: flags, the push registration and memory warnings, all
// answered through the interface run loop.
#include "platform/app_services.h"

#include <mutex>

#include "platform/run_loop.h"

namespace zplatform {

struct ApplicationServices::State {
    mutable std::mutex mutex;
    ApplicationDelegate* delegate = nullptr;
    bool idleTimerDisabled = false;
    bool statusBarHidden = false;
    unsigned types = 0;
    std::optional<std::string> token;

    ApplicationDelegate* currentDelegate() const {
        std::lock_guard lock(mutex);
        return delegate;
    }
};

ApplicationServices::ApplicationServices() : state_(std::make_shared<State>()) {}

ApplicationServices::~ApplicationServices() = default;

ApplicationServices& ApplicationServices::shared() {
    static ApplicationServices services;
    return services;
}

void ApplicationServices::setDelegate(ApplicationDelegate* delegate) {
    std::lock_guard lock(state_->mutex);
    state_->delegate = delegate;
}

ApplicationDelegate* ApplicationServices::delegate() const {
    return state_->currentDelegate();
}

void ApplicationServices::setIdleTimerDisabled(bool disabled) {
    std::lock_guard lock(state_->mutex);
    state_->idleTimerDisabled = disabled;
}

bool ApplicationServices::isIdleTimerDisabled() const {
    std::lock_guard lock(state_->mutex);
    return state_->idleTimerDisabled;
}

void ApplicationServices::setStatusBarHidden(bool hidden) {
    std::lock_guard lock(state_->mutex);
    state_->statusBarHidden = hidden;
}

bool ApplicationServices::isStatusBarHidden() const {
    std::lock_guard lock(state_->mutex);
    return state_->statusBarHidden;
}

void ApplicationServices::setRemoteNotificationToken(std::optional<std::string> token) {
    std::lock_guard lock(state_->mutex);
    state_->token = std::move(token);
}

unsigned ApplicationServices::registeredNotificationTypes() const {
    std::lock_guard lock(state_->mutex);
    return state_->types;
}

void ApplicationServices::deliver(bool outermostOnly,
                                  std::function<void(ApplicationDelegate&)> call) {
    std::weak_ptr<State> weak = state_;
    RunLoop::main().post(
        [weak, call = std::move(call)] {
            auto s = weak.lock();
            if (!s) return;
            if (ApplicationDelegate* d = s->currentDelegate()) call(*d);
        },
        outermostOnly ? RunDepth::Outermost : RunDepth::Any);
}

void ApplicationServices::registerForRemoteNotificationTypes(unsigned types) {
    std::optional<std::string> token;
    {
        std::lock_guard lock(state_->mutex);
        state_->types = types;
        token = state_->token;
    }
    if (token) {
        deliver(false, [token = *token](ApplicationDelegate& d) {
            d.didRegisterForRemoteNotificationsWithDeviceToken(token);
        });
    } else {
        deliver(false, [](ApplicationDelegate& d) {
            d.didFailToRegisterForRemoteNotificationsWithError(
                "no push notification service on this system");
        });
    }
}

void ApplicationServices::simulateMemoryWarning() {
    deliver(true, [](ApplicationDelegate& d) { d.applicationDidReceiveMemoryWarning(); });
}

} // namespace zplatform
