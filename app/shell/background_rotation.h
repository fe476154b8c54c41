// The background rotation: one of the eleven background pictures drawn at random right after
// launch, then every `time_change_bkg` seconds while the application runs (never again when the
// interval is 0). The picture is chosen on a thread of its own and set on the interface thread.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace zephrun {

class ZephrunAppDelegate;

class BackgroundRotation {
  public:
    explicit BackgroundRotation(ZephrunAppDelegate& appDelegate);
    ~BackgroundRotation();
    void start();
    // Ends the thread at once (a sleep in progress is cut short) and joins it.
    void stop();
    // The picture name for a draw of n in 1 … 11.
    static std::string imageName(int n);

  private:
    void run();
    // Sleeps `seconds` unless stopped first; false when stopped.
    bool sleepFor(double seconds);

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<bool> alive_; // read and cleared on the interface thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace zephrun
