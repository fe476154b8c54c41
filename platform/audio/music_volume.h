// The application music player's volume (0..1), one per process: the volume view and the system
// services set it, every audio output plays at it.
//
// Threads: volume() any thread (the audio callback included: a relaxed atomic read). setVolume()
// any thread; observers run on the setting thread; every change is also posted as the notice
// "Zephrun_mix_change_level" (text: the volume written with "%f") on the interface thread, as the
// platform's volume listener reports a change.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace zplatform {

class MusicVolume {
  public:
    static constexpr const char* kChangeNotice = "Zephrun_mix_change_level";

    static MusicVolume& shared();

    float volume() const { return volume_.load(std::memory_order_relaxed); }
    // Clamped to 0..1; NaN is ignored; an unchanged value notifies nobody. Returns true when the
    // volume changed.
    bool setVolume(float volume);

    int addObserver(std::function<void(float)> observer);
    void removeObserver(int token);

    MusicVolume() = default;
    MusicVolume(const MusicVolume&) = delete;
    MusicVolume& operator=(const MusicVolume&) = delete;

  private:
    std::atomic<float> volume_{1.0f};
    std::mutex mutex_; // observers, and the order of changes
    int nextToken_ = 1;
    std::vector<std::pair<int, std::shared_ptr<std::function<void(float)>>>> observers_;
};

} // namespace zplatform
