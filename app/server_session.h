// ServerSession: the shell's session with the content server — OPEN at launch, the session id
// shared with the event client, statistics events (plain and timed), CLOSE at the end, with the
// notification and the configuration update that an OPEN reply may carry.
//
// Ownership: owned by the application shell. It owns both request clients: `myWT` (session,
// feed requests, downloads; guarded by waitWT()/stopUseWT()) and `myWTEvent` (events only, no
// lock). It keeps non-owning references to the defaults store and the configuration, which must
// outlive it.
//
// Threads: every member runs on the interface thread (the thread that created the session),
// whose run loop delivers the transfers' callbacks. Events and CLOSE return at once; their
// exchanges progress while that run loop turns (finishPendingExchanges() turns it at exit).
//
// Failures are silent as the shell expects: open() reports NO, events and CLOSE are lost.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "client/kt_webtools.h"

namespace zplatform {
class UserDefaults;
class NotificationCenter;
} // namespace zplatform

namespace zephrun {

class ZephrunConfiguration;

// Shows a modal alert with one button that only closes it (title, message, button label). Runs
// on the interface thread, from inside open() or from an event that opened a session itself.
using SessionAlert = std::function<void(const std::string& title, const std::string& message,
                                        const std::string& button)>;

class ServerSession : private kt::KT_webtoolsDelegate {
  public:
    // Creates both clients (each writes "_ApplicationID"). `displayName` prefixes the persisted
    // keys; `showAlert` may be empty (the notification is then only recorded). `environment`
    // replaces platform services of the clients (its defaults and display name are these).
    ServerSession(zplatform::UserDefaults& defaults, std::string displayName,
                  ZephrunConfiguration& config, SessionAlert showAlert,
                  kt::KT_webtoolsEnvironment environment = {});
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // Launch step 2: the network test of `myWT` (no throughput probe); stores and returns
    // "_NetworkType" ("wifi", "cellular" or "").
    std::string testNetwork();

    // Launch steps 6 and 7. `networkType` is the network test's result; with "" nothing is sent
    // (no network: no session). The OPEN itself carries "_NetworkType" as the test stored it.
    // Otherwise OPEN on `myWT` with `token` (none or "": no token element), waiting at most
    // 15 s; on an accepted reply the notification is shown and "_DateNotif" stored, the
    // configuration update applied and cached, and the session id copied into `myWTEvent`.
    // Returns YES when the server accepted the OPEN.
    bool open(std::optional<std::string> token, std::string_view networkType);

    // Whether the launch OPEN succeeded and the session is not closed yet.
    bool isOpen() const { return open_ && !closed_; }
    // Session id of `myWT` (none before a successful OPEN).
    std::optional<std::string> sessionID() const;

    // `sendEventWithID:andKey:` — a counting event with hit count 1; key "" sends none. Keys
    // and dates are XML-escaped, so the server reads back exactly the caller's text.
    void sendEventWithID(int eventId, const std::string& key);
    // `sendEventWithID:andKey:andDateStart:` — a timed event from `dateStart` (protocol date) to
    // now; key "" sends none.
    void sendEventWithID(int eventId, const std::string& key, const std::string& dateStart);
    // The start date of a timed event (the mix table records it when the mix starts).
    static std::string eventDateNow();

    // `applicationWillTerminate:` step 4: CLOSE under the session id of `myWT`, 1 s time-out,
    // not waiting. Nothing is sent when no session was ever obtained, and nothing at all (events
    // included) after the close.
    void close();
    bool isClosed() const { return closed_; }

    // Turns the interface run loop until every event and CLOSE sent has posted its completion
    // notice and both clients are idle, or `maxSeconds` have passed, so that a process about to
    // exit lets them leave. Returns whether all have completed.
    bool finishPendingExchanges(double maxSeconds);

    // `waitWT` / `stopUseWT`: bracket every use of `myWT` outside the launch sequence.
    void waitWT() { mutexWT_.lock(); }
    void stopUseWT() { mutexWT_.unlock(); }
    // The same bracket as a scope: `auto hold = session.holdWT();`.
    std::unique_lock<std::mutex> holdWT() { return std::unique_lock<std::mutex>(mutexWT_); }

    kt::KT_webtools& myWT() { return *myWT_; }
    // A request client of its own (site pages, downloads) with the same delegate and platform
    // services as the session's clients.
    std::unique_ptr<kt::KT_webtools> newWebtools();
    kt::KT_webtools& myWTEvent() { return *myWTEvent_; }

  private:
    // The delegate side of both clients.
    std::optional<std::string> url_omv() const override;
    std::optional<std::string> myToken() const override { return token_; }
    void showNotification(const std::string& title, const std::string& message,
                          const std::string& button) override;
    void updateConfig(std::string_view configXML) override;

    zplatform::UserDefaults& defaults_;
    const std::string displayName_;
    ZephrunConfiguration& config_;
    SessionAlert showAlert_;
    std::optional<std::string> token_; // `myToken`: none or a non-empty hexadecimal text
    std::mutex mutexWT_;               // `myMutexWT`
    kt::KT_webtoolsEnvironment environment_;
    std::unique_ptr<kt::KT_webtools> myWT_;
    std::unique_ptr<kt::KT_webtools> myWTEvent_;
    bool open_ = false;
    bool closed_ = false;
    // Events and CLOSE whose completion notice has not been posted yet; notices may come from a
    // watchdog thread.
    std::atomic<int> pendingNotices_{0};
    zplatform::NotificationCenter* center_;
};

} // namespace zephrun
