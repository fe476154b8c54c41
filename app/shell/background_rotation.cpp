#include "app/shell/background_rotation.h"

#include <chrono>

#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "app/persisted_keys.h"
#include "platform/run_loop.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/user_defaults.h"

namespace zephrun {

namespace {
// A negative interval is taken as this many seconds.
constexpr int kFallbackInterval = 10;
} // namespace

BackgroundRotation::BackgroundRotation(ZephrunAppDelegate& appDelegate)
    : appDelegate(appDelegate), alive_(std::make_shared<bool>(true)) {}

BackgroundRotation::~BackgroundRotation() {
    stop();
    *alive_ = false;
}

std::string BackgroundRotation::imageName(int n) { return "bkg-ZR" + std::to_string(n) + ".jpg"; }

void BackgroundRotation::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
}

void BackgroundRotation::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool BackgroundRotation::sleepFor(double seconds) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return stopping_; });
}

void BackgroundRotation::run() {
    ZephrunConfiguration& config = appDelegate.myConfig();
    const std::string runningKey = persistedKey(appDelegate.displayName(), keys::kApplicationRunning);
    for (;;) {
        if (!appDelegate.defaults().boolForKey(runningKey)) return;
        int interval = config.time_change_bkg();
        if (interval != 0) {
            // The interval as configured, or 10 s for a negative one (which would otherwise
            // make the rotation spin without pause).
            if (interval < 0) {
                config.set_time_change_bkg(kFallbackInterval);
                interval = kFallbackInterval;
            }
            if (!sleepFor(interval)) return;
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        const int n = static_cast<int>(appDelegate.environment().random() % 11) + 1;
        std::shared_ptr<bool> alive = alive_;
        zplatform::RunLoop::main().post([this, alive, n] {
            if (!*alive) return;
            ui::ImageView* background = appDelegate.viewBackground();
            if (!background) return;
            ui::Image image = ui::imageNamed(imageName(n));
            background->setImage(image ? image : ui::imageNamed(imageName(1)));
        });
        if (config.time_change_bkg() == 0) return;
    }
}

} // namespace zephrun
