// ApplicationServices: what the application object of the phone platform offers the program —
// the idle timer, the status bar, the push-notification registration and memory warnings —
// with the application delegate that receives the answers.
//
// There is no push service on this system: the registration answers at once that it failed,
// or, when a token was given (tests, scripted runs), with that token. Either way the answer is
// posted to the interface run loop and delivered from there, never inside the registration
// call, and also during a synchronous wait (the launch waits for it in a nested run).
//
// Memory warnings come from the host (a key in the desktop window) or a test, and are
// delivered from the outermost loop only, so that no handler still on the stack sees its views
// released.
//
// Threads: the setters and getters may be called from any thread; the delegate is called on
// the interface thread and must outlive its registration (setDelegate(nullptr) before it goes).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zplatform {

class ApplicationDelegate {
  public:
    virtual ~ApplicationDelegate() = default;
    // The push token as the service gives it (raw bytes, not yet hexadecimal).
    virtual void didRegisterForRemoteNotificationsWithDeviceToken(const std::string& /*token*/) {}
    // `error` is a readable reason.
    virtual void didFailToRegisterForRemoteNotificationsWithError(const std::string& /*error*/) {}
    virtual void applicationDidReceiveMemoryWarning() {}
};

// Bits of registerForRemoteNotificationTypes().
enum RemoteNotificationType : unsigned {
    kRemoteNotificationTypeBadge = 1,
    kRemoteNotificationTypeSound = 2,
    kRemoteNotificationTypeAlert = 4,
};

class ApplicationServices {
  public:
    ApplicationServices();
    ~ApplicationServices();
    ApplicationServices(const ApplicationServices&) = delete;
    ApplicationServices& operator=(const ApplicationServices&) = delete;

    // The application's services (`sharedApplication`).
    static ApplicationServices& shared();

    void setDelegate(ApplicationDelegate* delegate);
    ApplicationDelegate* delegate() const;

    // `idleTimerDisabled`: while true the desktop host keeps the screen saver off.
    void setIdleTimerDisabled(bool disabled);
    bool isIdleTimerDisabled() const;
    void setStatusBarHidden(bool hidden);
    bool isStatusBarHidden() const;

    // Asks for a push token; the answer is posted (see the file comment).
    void registerForRemoteNotificationTypes(unsigned types);
    unsigned registeredNotificationTypes() const;
    // The token later registrations answer with; none (the default): they fail.
    void setRemoteNotificationToken(std::optional<std::string> token);

    // Sends the delegate a memory warning from the outermost loop.
    void simulateMemoryWarning();

  private:
    struct State;
    // Runs `call` with the delegate on the interface thread, if both are still there by then.
    void deliver(bool outermostOnly, std::function<void(ApplicationDelegate&)> call);
    std::shared_ptr<State> state_;
};

} // namespace zplatform
