// Music volume: an atomic value, its observers, and the change notice for the interface.
#include "platform/audio/music_volume.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/notification_center.h"

namespace zplatform {

MusicVolume& MusicVolume::shared() {
    static MusicVolume volume;
    return volume;
}

bool MusicVolume::setVolume(float volume) {
    if (std::isnan(volume)) return false;
    volume = std::clamp(volume, 0.0f, 1.0f);
    std::vector<std::shared_ptr<std::function<void(float)>>> observers;
    {
        std::lock_guard lock(mutex_);
        if (volume == volume_.load(std::memory_order_relaxed)) return false;
        volume_.store(volume, std::memory_order_relaxed);
        for (auto& o : observers_) observers.push_back(o.second);
        // Posted under the lock, so that two threads changing the volume post in the order in
        // which the value changed: the last notice carries the volume in force.
        char text[32];
        std::snprintf(text, sizeof text, "%f", static_cast<double>(volume));
        NotificationCenter::defaultCenter().postNotificationOnMainThread(kChangeNotice, this, text);
    }
    for (auto& o : observers) {
        // An observer removed by an earlier one in this round is not called.
        bool present;
        {
            std::lock_guard lock(mutex_);
            present = std::any_of(observers_.begin(), observers_.end(),
                                  [&](const auto& p) { return p.second == o; });
        }
        if (present && *o) (*o)(volume);
    }
    return true;
}

int MusicVolume::addObserver(std::function<void(float)> observer) {
    std::lock_guard lock(mutex_);
    int token = nextToken_++;
    observers_.emplace_back(token,
                            std::make_shared<std::function<void(float)>>(std::move(observer)));
    return token;
}

void MusicVolume::removeObserver(int token) {
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [token](const auto& o) { return o.first == token; });
}

} // namespace zplatform
