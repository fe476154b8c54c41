// KT_webtools: the application's HTTP client. It builds the enciphered "Omnivale" messages of the
// server protocol (OPEN, CLOSE, events, WEBREQUEST actions), posts them to "request.aspx", and
// downloads plain resources by URL, synchronously or with a completion notice.
//
// Ownership: the client keeps a non-owning reference to its delegate (the application delegate),
// which must outlive it. The client owns its transfers; destroying it cancels them and joins
// their watchdogs, so no notice is posted after the destructor returns.
//
// Threads: use one client from one thread that turns its run loop (the connection callbacks and
// the synchronous wait run there). The completion notice of KT_sendWithNotif may be posted on a
// watchdog thread; it is posted exactly once per send whichever of completion, failure and
// time-out comes first. Every field shared with a watchdog sits behind the transfer's lock.
//
// Failures are reported by results and flags, never by text: a missing reply (none), a false
// result, KT_getError, and KT_getOutcome, which tells an HTTP error status from a time-out.
//
// Replies: an exchange's reply is kept in memory up to a cap (past it the transfer fails with
// kReplyTooLarge); a long download is streamed to a file instead (KT_setDownloadFile). Its
// progress can be read from any thread (KT_getProgress) or followed on the client's thread
// (KT_setProgressHandler).
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/image_header.h"
#include "platform/device_info.h"
#include "platform/http/http_connection.h"

namespace zplatform {
class UserDefaults;
class NotificationCenter;
class InterfaceSource;
} // namespace zplatform

namespace kt {

// What the client reaches through its `appDelegate`. Every call runs on the client's thread,
// except the notice operations given to KT_sendWithNotif, which may run on a watchdog thread.
class KT_webtoolsDelegate {
  public:
    virtual ~KT_webtoolsDelegate() = default;
    // `myConfig.url_omv`: the server base address, ending in "/"; none when not configured.
    virtual std::optional<std::string> url_omv() const = 0;
    // `myToken`: the push token, or none.
    virtual std::optional<std::string> myToken() const = 0;
    // Shows the notification carried by an OPEN reply: title, message, one closing button.
    virtual void showNotification(const std::string& title, const std::string& message,
                                  const std::string& button) = 0;
    // Applies the configuration block cut out of an OPEN reply ("<config date"…"</config>").
    virtual void updateConfig(std::string_view configXML) = 0;
    // Completion of an event and of the session close; they do nothing by default.
    virtual void returnToSendEvent() {}
    virtual void returnToClose() {}
};

// Text encodings the byte-valued variables and string replies are read with.
enum class TextEncoding { UTF8, ASCII, ISOLatin1 };

// How the last transfer ended.
enum class KT_Outcome {
    None,           // nothing sent yet
    Running,        // not ended
    Reply,          // a reply with a status below 400
    HttpError,      // the server answered with a status of 400 or more (KT_getStatusCode)
    TimedOut,       // no complete reply within the time-out
    TransportError, // refused, unreachable, broken (KT_getError)
    TooLarge,       // the reply passed the cap (KT_getError: kReplyTooLarge)
    NotWritten,     // a download whose file could not be written
};

// Bytes of the current reply received so far, and the length the server announced (-1 when it
// announced none).
struct KT_Progress {
    long long received = 0;
    long long total = -1;
};

// The platform services the client reads; each unset member falls back to the real service.
struct KT_webtoolsEnvironment {
    zplatform::UserDefaults* defaults = nullptr;     // null: UserDefaults::standard()
    std::string displayName;                         // empty: bundleDisplayName()
    zplatform::NotificationCenter* center = nullptr; // null: NotificationCenter::defaultCenter()
    std::optional<zplatform::DeviceInfo> device;     // none: currentDevice()
    std::optional<std::string> language;             // none: first of preferredLanguages()
    std::optional<std::string> bundleVersion;        // none: bundleVersion()
    std::shared_ptr<const zplatform::InterfaceSource> interfaces; // null: the machine's
    // Told of every transfer the client starts, on the client's thread: the message's actions
    // ("OPEN", "WEBREQUEST 105", "EVENT 201", "CLOSE") or, for a plain page or download, the
    // method and the address. Never the form's values (a password travels there).
    std::function<void(const std::string& summary)> onRequest;
};

class KT_webtools {
  public:
    static constexpr int kDefaultTimeout = 10;
    static constexpr std::string_view kDefaultNotif = "defaultNotif";
    // Largest reply kept in memory, and largest download written to a file, unless set otherwise.
    static constexpr std::uint64_t kMaxReplyBytes = 32u << 20;
    static constexpr std::uint64_t kMaxDownloadBytes = 1ull << 30;
    // KT_getError's code for a reply past its cap (the platform's "data length exceeds maximum").
    static constexpr int kReplyTooLarge = -1103;

    // `init` / `initWithDelegate:`: writes "7" under "_ApplicationID", every time.
    KT_webtools();
    explicit KT_webtools(KT_webtoolsDelegate* appDelegate, KT_webtoolsEnvironment env = {});
    ~KT_webtools();
    KT_webtools(const KT_webtools&) = delete;
    KT_webtools& operator=(const KT_webtools&) = delete;

    // --- Message building (each returns true) ---
    // KT_checkSessionID, KT_clearAllAction, url := url_omv + "request.aspx", KT_clear.
    bool KT_prepareWebRequest();
    // Appends `<action name="…"[ id="…"]><param …/>…</action>`; the id attribute only when `id`
    // is given and not empty. A missing value (shorter value list) is sent as "".
    bool KT_addAction(const std::string& name, const std::optional<std::string>& id = std::nullopt,
                      const std::vector<std::string>& listParamName = {},
                      const std::vector<std::string>& listParamData = {});
    // Envelope with the session and the pending actions, stored as "data", "POST", "CRYPT".
    bool KT_finishWebRequest();
    // Builds, sends (15 s, synchronous) and evaluates OPEN; true when the reply passes the
    // result check. Shows the notification, takes the session id, updates the configuration.
    bool KT_startApplicationWithToken(const std::optional<std::string>& token);
    // Sends CLOSE under the session (1 s); completion: delegate's returnToClose, notice
    // "CloseApplication".
    bool KT_closeApplication();
    // Events (3 s); completion: delegate's returnToSendEvent, notice "returnToSendEvent".
    bool KT_sendEventNumberHit(int hits, int identifiant, const std::string& cle);
    bool KT_sendEventNumberHit(int hits, int identifiant);
    bool KT_sendEventTo(const std::string& start, int identifiant, const std::string& cle);
    bool KT_sendEventTo(const std::string& start, int identifiant);
    // OPEN with the delegate's token when there is no session; once more when it is "".
    void KT_checkSessionID();

    const std::optional<std::string>& sessionID() const { return sessionID_; }
    void setSessionID(std::optional<std::string> sessionID) { sessionID_ = std::move(sessionID); }

    // --- Variables and transfers ---
    void KT_setURL(std::string url) { url_ = std::move(url); }
    const std::string& KT_getURL() const { return url_; }
    void KT_setTimeout(int seconds) { timeout_ = seconds; }
    int timeout() const { return timeout_; }
    // Tests only: the synchronous wait's and the watchdog's budget in seconds, overriding
    // `timeout` for every later transfer (0 restores the normal behaviour). Fractions allowed.
    void setTimeoutOverrideForTesting(double seconds) { timeoutOverride_ = seconds; }

    // withNotif := false, isFinish := false, reply dropped, variables emptied, the delegate's
    // observation of `nameNotif` withdrawn.
    void KT_clear();
    void KT_clearAllAction() { actionToSend_.clear(); }
    const std::vector<std::string>& actionToSend() const { return actionToSend_; }

    // Adds or replaces (in place) a variable. typeSend: "POST" or "GET"; typeEncode: "CRYPT",
    // "BASE64" or "NONE".
    void KT_addVariable(const std::string& name, const std::string& value,
                        const std::string& typeSend, const std::string& typeEncode);
    void KT_addVariable(const std::string& name, const std::string& value);
    // Value given as bytes in `encodeData`, converted to UTF-8 text first.
    void KT_addVariable(const std::string& name, std::string_view value, TextEncoding encodeData,
                        const std::string& typeSend, const std::string& typeEncode);
    void KT_addVariable(const std::string& name, std::string_view value, TextEncoding encodeData);
    void KT_removeVariable(const std::string& name);
    std::optional<std::string> KT_getValueOf(const std::string& name) const;
    bool KT_isVariable(const std::string& name) const;
    const std::vector<std::string>& KT_listOfVariables() const { return variableName_; }

    // The HTTP request the variables make now (URL with query, method, headers, body).
    zplatform::HttpRequest KT_buildRequest() const;

    // Starts the transfer and returns at once.
    void KT_send() { KT_sendWithCleanCookie(false); }
    void KT_sendWithCleanCookie(bool cleanCookie);
    // Starts the transfer and turns this thread's run loop in 0.2-second slices until it ends
    // or `timeout` runs out (then: cancelled, no reply, no error).
    void KT_sendWithResponseNow() { KT_sendWithResponseNowWithCleanCookie(false); }
    void KT_sendWithResponseNowWithCleanCookie(bool cleanCookie);
    // Registers the delegate (or this client when it has none) to run `operation` on notices
    // named `name`, starts the transfer and a watchdog; the notice is posted once at the end.
    void KT_sendWithNotif(std::function<void()> operation, const std::string& name);

    // --- Downloads ---
    // The body of the next transfer goes to `file` instead of memory (KT_getResponse then has
    // none). It is written under a temporary name beside `file` and replaces it, fsynced, only
    // when the transfer completes with a status below 400; otherwise `file` is left as it was.
    // Reset by KT_clear, like the variables.
    void KT_setDownloadFile(std::optional<std::filesystem::path> file) {
        downloadFile_ = std::move(file);
    }
    // True when the last transfer replaced its download file.
    bool KT_downloadWritten() const;
    // KT_clear, url, time-out, download file, synchronous send: true when `file` was written.
    bool KT_downloadToFile(const std::string& url, const std::filesystem::path& file,
                           int timeoutSeconds);
    // Cap of the replies (memory) and downloads (file); 0: kMaxReplyBytes / kMaxDownloadBytes.
    void KT_setMaxResponseBytes(std::uint64_t bytes) { maxResponseBytes_ = bytes; }
    // Progress of the current transfer; safe from any thread.
    KT_Progress KT_getProgress() const { return {progressReceived_.load(), progressTotal_.load()}; }
    // Called on the client's thread after each part of a reply arrives (received, total).
    void KT_setProgressHandler(std::function<void(long long, long long)> handler) {
        progressHandler_ = std::move(handler);
    }

    // `isFinish`: true when no transfer is running.
    bool KT_responseIsPresent() const;
    // The HTTP status of the last transfer's reply; none when no reply head came.
    std::optional<long> KT_getStatusCode() const;
    // The reply's announced length (Content-Length), -1 when unknown or no reply came.
    long long KT_getExpectedLength() const;
    KT_Outcome KT_getOutcome() const;
    std::optional<std::string> KT_getResponse() const;
    std::optional<std::string> KT_getStringResponseWithEncode(TextEncoding encoding) const;
    std::optional<std::string> KT_getResponseDecodeBase64() const;
    std::optional<std::string>
    KT_getStringResponseDecodedBase64WithEncode(TextEncoding encoding) const;
    // The reply deciphered; none when there is no reply or it does not decipher.
    std::optional<std::string> KT_getResponseDecrypted() const;
    std::optional<zplatform::HttpError> KT_getError() const;

    // url := `url`, time-out 7 s, synchronous send; the picture the reply holds, or none.
    std::optional<KT_Image> KT_loadImageFromURL(const std::string& url);

    static std::string getCurrentDate();
    // Stores "_NetworkType" and "_NetworkDebit" (see the network test); returns the type.
    std::string KT_testNetwork(bool probe);
    static std::string KT_urlencode(std::string_view text);

  private:
    struct Transfer;
    struct Observation {
        std::uint64_t id = 0;
        int pending = 0; // notice transfers still owing this notice
    };
    std::string key(std::string_view suffix) const;
    std::optional<std::string> stringDefault(std::string_view suffix) const;
    void setDefault(std::string_view suffix, const std::string& value);
    void prepareRequestURL();
    std::shared_ptr<Transfer> freshTransfer();
    void supersedeCurrent();
    void startTransfer(bool cleanCookie, bool withNotif);
    void postNotice(Transfer& transfer);
    void observe(const std::string& name, std::function<void()> operation);
    void releaseObservation(const std::string& name);
    void watchdog(Transfer* transfer, int slices);
    void reapTransfers(bool all);
    double waitBudget() const;
    std::uint64_t replyCap() const;
    bool sendEvent(const std::string& eventElement);
    const void* observerTarget() const;
    std::string requestSummary(const zplatform::HttpRequest& request) const;

    KT_webtoolsDelegate* appDelegate_;
    KT_webtoolsEnvironment env_;
    zplatform::UserDefaults* defaults_;
    zplatform::NotificationCenter* center_;
    std::string displayName_;
    std::string url_;
    std::vector<std::string> variableName_;
    std::vector<std::string> variableValue_;
    std::vector<std::string> variableType_;
    std::vector<std::string> variableEncode_;
    bool withNotif_ = false;
    std::string nameNotif_{kDefaultNotif};
    int timeout_ = kDefaultTimeout;
    double timeoutOverride_ = 0;
    std::optional<std::string> sessionID_;
    std::vector<std::string> actionToSend_;
    std::string eventSummary_; // "EVENT id" while an event is being sent
    std::optional<std::filesystem::path> downloadFile_;
    std::uint64_t maxResponseBytes_ = 0;
    std::function<void(long long, long long)> progressHandler_;
    std::atomic<long long> progressReceived_{0}, progressTotal_{-1};
    // The current transfer (reply, error and isFinish live there, under its lock) and earlier
    // notice transfers still finishing on their own. current_ is never null.
    std::shared_ptr<Transfer> current_;
    std::vector<std::shared_ptr<Transfer>> detached_;
    // The delegate's notice observations, shared by the transfers that owe the same notice so
    // that each completion runs the operation once. Touched by watchdogs: under the lock.
    std::mutex observationMutex_;
    std::map<std::string, Observation> observations_;
};

} // namespace kt
