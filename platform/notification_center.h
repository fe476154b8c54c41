// Notification centre: named notices carrying an object, delivered to registered observers.
//
// Delivery is synchronous, on the posting thread, in registration order (a watchdog thread that
// posts a notice runs its observers itself); postNotificationOnMainThread hands the delivery to
// the interface thread's run loop instead, for notices that interface code observes. Observers may
// add or remove observations, their own included, while a notice is being delivered: a removed
// observation is not called again, one added during a delivery first receives the next post.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zplatform {

struct Notification {
    std::string name;
    const void* object = nullptr; // the sender's object, e.g. the delegate; never dereferenced
    std::string text;             // a text payload, e.g. a volume written with "%f"
};

class NotificationCenter {
  public:
    using Operation = std::function<void(const Notification&)>;
    using ObserverId = std::uint64_t;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process's centre, as the platform has one.
    static NotificationCenter& defaultCenter();

    // Registers `target` (identity only) to run `operation` for notices named `name` (empty:
    // every name) whose object is `object` (null: any object). Thread-safe.
    ObserverId addObserver(const void* target, std::string name, Operation operation,
                           const void* object = nullptr);
    // Remove observations: every one of `target`; those of `target` for `name` (and `object`
    // when not null); or the single one returned by addObserver. Thread-safe. After removal
    // returns, no new delivery starts, but one already running on another thread may finish.
    void removeObserver(const void* target);
    void removeObserver(const void* target, const std::string& name, const void* object = nullptr);
    void removeObserver(ObserverId id);

    // Delivers the notice to the matching observers now, on the calling thread.
    void postNotification(const std::string& name, const void* object = nullptr,
                          const std::string& text = {});
    // Queues the delivery on the interface thread's run loop; any thread. The notice is delivered
    // when that loop next turns (also when posted from the interface thread itself).
    void postNotificationOnMainThread(const std::string& name, const void* object = nullptr,
                                      const std::string& text = {});

    // Number of observations registered (for diagnostics and tests).
    std::size_t observerCount() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zplatform
