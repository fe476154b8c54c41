// KT_webtools: protocol messages, transfers with their synchronous wait and completion notice,
// and the network test.
#include "client/kt_webtools.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <thread>

#include "client/base64.h"
#include "client/cipher.h"
#include "client/download_file.h"
#include "client/reply_parsers.h"
#include "client/request_envelope.h"
#include "client/url_escape.h"
#include "platform/bundle_info.h"
#include "platform/http/http_cookies.h"
#include "platform/notification_center.h"
#include "platform/reachability.h"
#include "platform/run_loop.h"
#include "platform/text_date.h"
#include "platform/user_defaults.h"

namespace kt {
namespace {

constexpr double kSlice = 0.2; // seconds per wait slice, synchronous and watchdog alike

void logLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

// Bytes in `encoding` as UTF-8 text; none when they are not valid in that encoding.
std::optional<std::string> toUTF8(std::string_view bytes, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::UTF8:
        if (!isValidUtf8(bytes)) return std::nullopt;
        return std::string(bytes);
    case TextEncoding::ASCII:
        if (std::any_of(bytes.begin(), bytes.end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            return std::nullopt;
        return std::string(bytes);
    case TextEncoding::ISOLatin1: {
        std::string out;
        for (char ch : bytes) {
            auto c = static_cast<unsigned char>(ch);
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    }
    }
    return std::nullopt;
}

} // namespace

// One transfer. The connection callbacks (owner thread) and the watchdog (its own thread) both
// end it; whichever takes `isFinish` first under the lock wins, so it ends and posts once.
struct KT_webtools::Transfer : zplatform::HttpConnectionDelegate,
                               std::enable_shared_from_this<KT_webtools::Transfer> {
    KT_webtools* client = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    bool isFinish = false;
    bool failedHere = false; // this transfer reported an error
    bool timedOut = false;   // ended by the wait or the watchdog
    bool tooLarge = false;
    bool notWritten = false;
    bool noticePending = false;
    bool stopWatchdog = false;
    bool watchdogDone = true;
    bool reportsProgress = true; // still the client's current transfer
    bool started = false;        // a request was sent (not just a KT_clear)
    std::string noticeName;
    std::optional<std::string> receivedData;
    std::optional<zplatform::HttpError> error; // Verror: kept from earlier transfers
    std::optional<long> statusCode;
    long long expectedLength = -1;
    long long received = 0;
    std::uint64_t cap = kMaxReplyBytes;
    std::unique_ptr<DownloadFile> download; // owner thread only
    bool downloadWritten = false;
    std::unique_ptr<zplatform::HttpConnection> connection;
    std::thread watchdogThread;

    bool running() {
        std::lock_guard lock(mutex);
        return !isFinish && connection != nullptr;
    }

    void didReceiveResponse(zplatform::HttpConnection& c,
                            const zplatform::HttpResponse& response) override {
        bool over = false;
        {
            std::lock_guard lock(mutex);
            if (isFinish) return;
            statusCode = response.statusCode;
            expectedLength = response.expectedLength;
            over = expectedLength > 0 && static_cast<std::uint64_t>(expectedLength) > cap;
            if (reportsProgress) {
                client->progressReceived_ = 0;
                client->progressTotal_ = expectedLength;
            }
        }
        // A length announced past the cap fails at once, before any byte is kept.
        if (over) return refuseTooLarge(c);
    }

    void didReceiveData(zplatform::HttpConnection& c, std::string_view data) override {
        bool over = false, spoiled = false, report = false;
        {
            std::lock_guard lock(mutex);
            if (isFinish) return;
            received += static_cast<long long>(data.size());
            // An error status's page is kept in memory, for whoever looks into the failure, and
            // capped as memory is.
            const bool toFile = download && statusCode.value_or(0) < 400;
            over = static_cast<std::uint64_t>(received) >
                   (toFile ? cap : std::min(cap, kMaxReplyBytes));
            if (!over && toFile) {
                spoiled = !download->write(data);
            } else if (!over) {
                if (!receivedData) receivedData.emplace();
                receivedData->append(data);
            }
            report = reportsProgress;
            if (report) client->progressReceived_ = received;
        }
        if (over) return refuseTooLarge(c);
        if (spoiled) return failWriting(c);
        if (report && client->progressHandler_) client->progressHandler_(received, expectedLength);
    }

    void connectionDidFinishLoading(zplatform::HttpConnection& c) override {
        if (download) {
            bool good;
            {
                std::lock_guard lock(mutex);
                good = !isFinish && statusCode.value_or(0) < 400;
            }
            // Only a finished download with a good status replaces the file.
            if (good && !download->commit()) return failWriting(c);
            downloadWritten = good;
        }
        end(std::nullopt);
    }

    void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError& e) override {
        logLine("didFailWithError " + std::to_string(e.code) + "  : " + e.domain + "   : " +
                e.description);
        end(e);
    }

    void refuseTooLarge(zplatform::HttpConnection& c) {
        c.cancel();
        {
            std::lock_guard lock(mutex);
            tooLarge = true;
        }
        zplatform::HttpError e;
        e.code = kReplyTooLarge;
        e.description = "The reply exceeds " + std::to_string(cap) + " bytes.";
        logLine("reply past its cap: " + e.description);
        end(e);
    }

    void failWriting(zplatform::HttpConnection& c) {
        c.cancel();
        {
            std::lock_guard lock(mutex);
            notWritten = true;
        }
        zplatform::HttpError e;
        e.description = "The download could not be written.";
        logLine(e.description);
        end(e);
    }

    void end(const std::optional<zplatform::HttpError>& failure) {
        // The notice's observer may start another transfer, which may release this one.
        std::shared_ptr<Transfer> self = shared_from_this();
        bool post = false;
        {
            std::lock_guard lock(mutex);
            if (isFinish) return;
            isFinish = true;
            if (failure) {
                error = failure;
                failedHere = true;
                receivedData.reset();
            }
            post = std::exchange(noticePending, false);
        }
        changed.notify_all();
        if (post) client->postNotice(*this);
    }
};

KT_webtools::KT_webtools() : KT_webtools(nullptr) {}

KT_webtools::KT_webtools(KT_webtoolsDelegate* appDelegate, KT_webtoolsEnvironment env)
    : appDelegate_(appDelegate), env_(std::move(env)) {
    defaults_ = env_.defaults ? env_.defaults : &zplatform::UserDefaults::standard();
    center_ = env_.center ? env_.center : &zplatform::NotificationCenter::defaultCenter();
    displayName_ = env_.displayName.empty() ? zplatform::bundleDisplayName() : env_.displayName;
    current_ = std::make_shared<Transfer>();
    current_->client = this;
    current_->isFinish = true;
    setDefault("_ApplicationID", "7");
}

KT_webtools::~KT_webtools() {
    detached_.push_back(current_);
    for (auto& transfer : detached_) {
        {
            std::lock_guard lock(transfer->mutex);
            transfer->stopWatchdog = true;
            transfer->noticePending = false;
        }
        transfer->changed.notify_all();
    }
    reapTransfers(true);
    std::lock_guard lock(observationMutex_);
    for (auto& [name, observation] : observations_) center_->removeObserver(observation.id);
}

// --- Defaults ---

std::string KT_webtools::key(std::string_view suffix) const {
    return displayName_ + std::string(suffix);
}

std::optional<std::string> KT_webtools::stringDefault(std::string_view suffix) const {
    return defaults_->stringForKey(key(suffix));
}

void KT_webtools::setDefault(std::string_view suffix, const std::string& value) {
    defaults_->setString(key(suffix), value);
}

// --- Message building ---

void KT_webtools::prepareRequestURL() {
    std::optional<std::string> base = appDelegate_ ? appDelegate_->url_omv() : std::nullopt;
    url_ = base.value_or("") + std::string(kRequestPage);
}

bool KT_webtools::KT_prepareWebRequest() {
    KT_checkSessionID();
    KT_clearAllAction();
    prepareRequestURL();
    KT_clear();
    return true;
}

bool KT_webtools::KT_addAction(const std::string& name, const std::optional<std::string>& id,
                               const std::vector<std::string>& listParamName,
                               const std::vector<std::string>& listParamData) {
    actionToSend_.push_back(actionFragment(name, id, listParamName, listParamData));
    return true;
}

bool KT_webtools::KT_finishWebRequest() {
    KT_addVariable("data", envelope(sessionElement(sessionID_), "", actionToSend_), "POST",
                   "CRYPT");
    return true;
}

void KT_webtools::KT_checkSessionID() {
    std::optional<std::string> token = appDelegate_ ? appDelegate_->myToken() : std::nullopt;
    if (!sessionID_) KT_startApplicationWithToken(token);
    if (sessionID_ && sessionID_->empty()) KT_startApplicationWithToken(token);
}

bool KT_webtools::KT_startApplicationWithToken(const std::optional<std::string>& token) {
    KT_clearAllAction();
    prepareRequestURL();
    KT_clear();

    zplatform::DeviceInfo device = env_.device ? *env_.device : zplatform::currentDevice();
    OpenFields fields;
    fields.applicationID = stringDefault("_ApplicationID").value_or("");
    fields.phoneID = device.uniqueIdentifier;
    fields.osName = device.systemName;
    fields.osVersion = device.systemVersion;
    fields.phoneName = device.name;
    fields.language = env_.language ? *env_.language : zplatform::preferredLanguages().front();
    fields.version = env_.bundleVersion ? *env_.bundleVersion : zplatform::bundleVersion();
    fields.lastConfig = stringDefault("_DateConfig");
    fields.lastNotification = stringDefault("_DateNotif");
    fields.token = token;
    fields.networkType = stringDefault("_NetworkType").value_or("");
    fields.networkDebit = stringDefault("_NetworkDebit").value_or("");

    KT_addAction("OPEN");
    KT_addVariable("data", envelope(openIdentity(fields), openElements(fields), actionToSend_),
                   "POST", "CRYPT");
    KT_setTimeout(15);
    KT_sendWithResponseNow();

    std::optional<std::string> reply = KT_getResponseDecrypted();
    if (!reply) return false;
    if (!KT_ParseResult(*reply).ok()) return false;

    NotificationHandlers handlers;
    if (appDelegate_) {
        handlers.showAlert = [this](const std::string& title, const std::string& message,
                                    const std::string& button) {
            appDelegate_->showNotification(title, message, button);
        };
    }
    handlers.storeNotificationDate = [this](const std::string& date) {
        setDefault("_DateNotif", date);
    };
    KT_ParseNotification(*reply).showNotification(handlers);
    sessionID_ = KT_ParseSessionID(*reply).getSessionID();
    if (appDelegate_)
        KT_ParseConfig(*reply).updateConfig(
            [this](std::string_view xml) { appDelegate_->updateConfig(xml); });
    return true;
}

bool KT_webtools::KT_closeApplication() {
    // Prepared like an event (without the session check) so that a download's URL or stale
    // actions and variables left by an earlier exchange never travel with the close.
    KT_clearAllAction();
    prepareRequestURL();
    KT_clear();
    KT_addAction("CLOSE");
    KT_addVariable("data", envelope(sessionElement(sessionID_), "", actionToSend_), "POST",
                   "CRYPT");
    KT_setTimeout(1);
    KT_webtoolsDelegate* d = appDelegate_;
    KT_sendWithNotif(
        [d] {
            if (d) d->returnToClose();
        },
        "CloseApplication");
    return true;
}

namespace {
// The value of attribute `name` in the first element of an XML fragment ("" when absent).
std::string attributeOf(const std::string& fragment, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const std::size_t end = fragment.find('>');
    std::size_t at = fragment.find(key);
    if (at == std::string::npos || at > end) return {};
    at += key.size();
    return fragment.substr(at, fragment.find('"', at) - at);
}
} // namespace

bool KT_webtools::sendEvent(const std::string& eventElement) {
    KT_checkSessionID();
    KT_clearAllAction();
    prepareRequestURL();
    KT_clear();
    eventSummary_ = "EVENT " + attributeOf(eventElement, "id");
    KT_addVariable("data", envelope(sessionElement(sessionID_), eventElement, actionToSend_),
                   "POST", "CRYPT");
    KT_setTimeout(3);
    KT_webtoolsDelegate* d = appDelegate_;
    KT_sendWithNotif(
        [d] {
            if (d) d->returnToSendEvent();
        },
        "returnToSendEvent");
    return true;
}

bool KT_webtools::KT_sendEventNumberHit(int hits, int identifiant, const std::string& cle) {
    return sendEvent(hitEventElement(identifiant, getCurrentDate(), hits, cle));
}

bool KT_webtools::KT_sendEventNumberHit(int hits, int identifiant) {
    return sendEvent(hitEventElement(identifiant, getCurrentDate(), hits, std::nullopt));
}

bool KT_webtools::KT_sendEventTo(const std::string& start, int identifiant,
                                 const std::string& cle) {
    return sendEvent(durationEventElement(identifiant, start, getCurrentDate(), cle));
}

bool KT_webtools::KT_sendEventTo(const std::string& start, int identifiant) {
    return sendEvent(durationEventElement(identifiant, start, getCurrentDate(), std::nullopt));
}

// --- Variables ---

void KT_webtools::KT_clear() {
    withNotif_ = false;
    eventSummary_.clear();
    // The observation of a notice still owed by a running transfer stays until that transfer
    // posts it; a finished one has already been withdrawn.
    supersedeCurrent();
    current_ = freshTransfer();
    downloadFile_.reset();
    variableName_.clear();
    variableValue_.clear();
    variableType_.clear();
    variableEncode_.clear();
}

void KT_webtools::KT_addVariable(const std::string& name, const std::string& value,
                                 const std::string& typeSend, const std::string& typeEncode) {
    auto it = std::find(variableName_.begin(), variableName_.end(), name);
    if (it != variableName_.end()) {
        auto i = static_cast<std::size_t>(it - variableName_.begin());
        variableValue_[i] = value;
        variableType_[i] = typeSend;
        variableEncode_[i] = typeEncode;
        return;
    }
    variableName_.push_back(name);
    variableValue_.push_back(value);
    variableType_.push_back(typeSend);
    variableEncode_.push_back(typeEncode);
}

void KT_webtools::KT_addVariable(const std::string& name, const std::string& value) {
    KT_addVariable(name, value, "POST", "NONE");
}

void KT_webtools::KT_addVariable(const std::string& name, std::string_view value,
                                 TextEncoding encodeData, const std::string& typeSend,
                                 const std::string& typeEncode) {
    // Bytes that are not text in the named encoding become "" rather than a missing value,
    // which would break the parallel lists.
    KT_addVariable(name, toUTF8(value, encodeData).value_or(""), typeSend, typeEncode);
}

void KT_webtools::KT_addVariable(const std::string& name, std::string_view value,
                                 TextEncoding encodeData) {
    KT_addVariable(name, value, encodeData, "POST", "NONE");
}

void KT_webtools::KT_removeVariable(const std::string& name) {
    auto it = std::find(variableName_.begin(), variableName_.end(), name);
    if (it == variableName_.end()) return;
    auto i = it - variableName_.begin();
    variableName_.erase(it);
    variableValue_.erase(variableValue_.begin() + i);
    variableType_.erase(variableType_.begin() + i);
    variableEncode_.erase(variableEncode_.begin() + i);
}

std::optional<std::string> KT_webtools::KT_getValueOf(const std::string& name) const {
    auto it = std::find(variableName_.begin(), variableName_.end(), name);
    if (it == variableName_.end()) return std::nullopt;
    return variableValue_[static_cast<std::size_t>(it - variableName_.begin())];
}

bool KT_webtools::KT_isVariable(const std::string& name) const {
    return std::find(variableName_.begin(), variableName_.end(), name) != variableName_.end();
}

zplatform::HttpRequest KT_webtools::KT_buildRequest() const {
    std::vector<RequestVariable> variables;
    for (std::size_t i = 0; i < variableName_.size(); ++i)
        variables.push_back(
            {variableName_[i], variableValue_[i], variableType_[i], variableEncode_[i]});
    return buildHttpRequest(url_, variables);
}

// --- Transfers ---

double KT_webtools::waitBudget() const {
    return timeoutOverride_ > 0 ? timeoutOverride_ : static_cast<double>(timeout_);
}

std::uint64_t KT_webtools::replyCap() const {
    if (maxResponseBytes_ > 0) return maxResponseBytes_;
    return downloadFile_ ? kMaxDownloadBytes : kMaxReplyBytes;
}

std::shared_ptr<KT_webtools::Transfer> KT_webtools::freshTransfer() {
    auto transfer = std::make_shared<Transfer>();
    transfer->client = this;
    std::lock_guard lock(current_->mutex);
    transfer->error = current_->error; // Verror lasts until the next error
    return transfer;
}

void KT_webtools::supersedeCurrent() {
    reapTransfers(false);
    std::shared_ptr<Transfer> old = current_;
    bool owesNotice;
    {
        std::lock_guard lock(old->mutex);
        owesNotice = old->noticePending && !old->isFinish;
        old->reportsProgress = false;
        if (!owesNotice && old->connection) {
            // A transfer nobody waits for any more: stop it, its reply is dropped anyway.
            old->connection->cancel();
            old->isFinish = true;
        }
    }
    // A notice transfer keeps going (an event still reaches the server) and posts its notice.
    if (owesNotice)
        detached_.push_back(old);
    else if (old->watchdogThread.joinable())
        detached_.push_back(old);
}


std::string KT_webtools::requestSummary(const zplatform::HttpRequest& request) const {
    std::string summary;
    for (const auto& action : actionToSend_) {
        if (!summary.empty()) summary += ", ";
        summary += attributeOf(action, "name");
        if (std::string id = attributeOf(action, "id"); !id.empty()) summary += " " + id;
    }
    if (!eventSummary_.empty()) summary = eventSummary_;
    if (summary.empty()) {
        const std::string& url = request.url;
        summary = (request.method.empty() ? "GET" : request.method) + " " +
                  url.substr(0, url.find('?'));
    }
    return summary;
}

void KT_webtools::startTransfer(bool cleanCookie, bool withNotif) {
    zplatform::HttpRequest request = KT_buildRequest();
    if (env_.onRequest) env_.onRequest(requestSummary(request));
    // libcurl gives up too, a moment after the wait: no transfer outlives its budget.
    request.totalTimeout = waitBudget() + 1.0;
    if (cleanCookie) zplatform::HttpCookieStore::shared().deleteAllCookies();
    supersedeCurrent();
    auto transfer = freshTransfer();
    transfer->noticePending = withNotif;
    transfer->noticeName = nameNotif_;
    transfer->cap = replyCap();
    transfer->started = true;
    progressReceived_ = 0;
    progressTotal_ = -1;
    if (downloadFile_) {
        transfer->download = std::make_unique<DownloadFile>(*downloadFile_);
        if (!transfer->download->ok()) {
            // Nothing can be written: the transfer ends at once, as a failure.
            transfer->notWritten = true;
            transfer->isFinish = true;
            transfer->failedHere = true;
            zplatform::HttpError e;
            e.description = "The download file cannot be created.";
            transfer->error = e;
            current_ = transfer;
            if (withNotif) {
                transfer->noticePending = false;
                postNotice(*transfer);
            }
            return;
        }
    }
    current_ = transfer;
    // Callbacks come later, from the run loop, never from inside the constructor.
    transfer->connection =
        std::make_unique<zplatform::HttpConnection>(std::move(request), *transfer);
}

void KT_webtools::KT_sendWithCleanCookie(bool cleanCookie) {
    startTransfer(cleanCookie, false);
}

void KT_webtools::KT_sendWithResponseNowWithCleanCookie(bool cleanCookie) {
    startTransfer(cleanCookie, false);
    std::shared_ptr<Transfer> transfer = current_;
    auto finished = [&transfer] {
        std::lock_guard lock(transfer->mutex);
        return transfer->isFinish;
    };
    // The budget is time, not a count of slices: a slice that runs long (a large reply being
    // handed over) still counts for what it took.
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::max(waitBudget(), kSlice)));
    zplatform::RunLoop& loop = zplatform::RunLoop::current();
    // Each slice returns as soon as the transfer ends; the end is checked after the last slice
    // too, so a reply completed during it is a reply.
    while (!finished()) {
        double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (left <= 0) break;
        loop.runUntil(finished, std::min(kSlice, left));
    }
    {
        std::lock_guard lock(transfer->mutex);
        if (!transfer->isFinish) {
            // Time-out: no reply and no error.
            if (transfer->connection) transfer->connection->cancel();
            transfer->receivedData.reset();
            transfer->isFinish = true;
            transfer->timedOut = true;
        }
    }
    transfer->connection.reset();
    transfer->download.reset();
}

void KT_webtools::KT_sendWithNotif(std::function<void()> operation, const std::string& name) {
    withNotif_ = true;
    nameNotif_ = name;
    observe(name, std::move(operation));
    startTransfer(false, true);
    Transfer* transfer = current_.get();
    int slices = std::max(1, static_cast<int>(std::lround(waitBudget() / kSlice)));
    transfer->watchdogDone = false;
    transfer->watchdogThread =
        std::thread([this, transfer, slices] { watchdog(transfer, slices); });
}

void KT_webtools::watchdog(Transfer* transfer, int slices) {
    std::unique_lock lock(transfer->mutex);
    auto deadline = std::chrono::steady_clock::now();
    for (int n = slices; n > 0; --n) {
        deadline += std::chrono::milliseconds(200);
        transfer->changed.wait_until(
            lock, deadline, [transfer] { return transfer->isFinish || transfer->stopWatchdog; });
        if (transfer->isFinish || transfer->stopWatchdog) break;
    }
    bool post = false;
    if (!transfer->isFinish && !transfer->stopWatchdog) {
        // cancel() is safe from this thread: the connection is torn down on its own.
        if (transfer->connection) transfer->connection->cancel();
        transfer->receivedData.reset();
        transfer->isFinish = true;
        transfer->timedOut = true;
        post = std::exchange(transfer->noticePending, false);
    }
    lock.unlock();
    if (post) postNotice(*transfer);
    lock.lock();
    transfer->watchdogDone = true;
}

void KT_webtools::postNotice(Transfer& transfer) {
    const std::string name = transfer.noticeName;
    center_->postNotification(name, observerTarget());
    releaseObservation(name);
}

const void* KT_webtools::observerTarget() const {
    return appDelegate_ ? static_cast<const void*>(appDelegate_) : static_cast<const void*>(this);
}

void KT_webtools::observe(const std::string& name, std::function<void()> operation) {
    std::lock_guard lock(observationMutex_);
    Observation& observation = observations_[name];
    if (observation.pending == 0)
        observation.id = center_->addObserver(
            observerTarget(), name,
            [op = std::move(operation)](const zplatform::Notification&) { op(); });
    ++observation.pending;
}

void KT_webtools::releaseObservation(const std::string& name) {
    std::lock_guard lock(observationMutex_);
    auto it = observations_.find(name);
    if (it == observations_.end()) return;
    if (--it->second.pending > 0) return;
    center_->removeObserver(it->second.id);
    observations_.erase(it);
}

void KT_webtools::reapTransfers(bool all) {
    auto done = [all](const std::shared_ptr<Transfer>& t) {
        std::lock_guard lock(t->mutex);
        return all || (t->isFinish && t->watchdogDone);
    };
    std::vector<std::shared_ptr<Transfer>> keep;
    for (auto& transfer : detached_) {
        if (!done(transfer)) {
            keep.push_back(transfer);
            continue;
        }
        if (transfer->watchdogThread.joinable()) transfer->watchdogThread.join();
        // Owner thread: the connection is destroyed where it was made.
        transfer->connection.reset();
        transfer->download.reset();
    }
    detached_ = std::move(keep);
}

// --- Reply ---

bool KT_webtools::KT_responseIsPresent() const {
    std::lock_guard lock(current_->mutex);
    return current_->isFinish;
}

std::optional<long> KT_webtools::KT_getStatusCode() const {
    std::lock_guard lock(current_->mutex);
    return current_->statusCode;
}

long long KT_webtools::KT_getExpectedLength() const {
    std::lock_guard lock(current_->mutex);
    return current_->expectedLength;
}

bool KT_webtools::KT_downloadWritten() const {
    std::lock_guard lock(current_->mutex);
    return current_->isFinish && current_->downloadWritten;
}

KT_Outcome KT_webtools::KT_getOutcome() const {
    std::lock_guard lock(current_->mutex);
    const Transfer& t = *current_;
    if (!t.started) return KT_Outcome::None;
    if (!t.isFinish) return KT_Outcome::Running;
    if (t.tooLarge) return KT_Outcome::TooLarge;
    if (t.notWritten) return KT_Outcome::NotWritten;
    if (t.timedOut) return KT_Outcome::TimedOut;
    if (t.failedHere) {
        // A reply whose status was an error and that then broke is still an HTTP error.
        if (t.statusCode && *t.statusCode >= 400) return KT_Outcome::HttpError;
        return t.error && t.error->isTimeout() ? KT_Outcome::TimedOut : KT_Outcome::TransportError;
    }
    // Ended without even a status line: the connection closed in the reply's head.
    if (!t.statusCode) return KT_Outcome::TransportError;
    return *t.statusCode >= 400 ? KT_Outcome::HttpError : KT_Outcome::Reply;
}

bool KT_webtools::KT_downloadToFile(const std::string& url, const std::filesystem::path& file,
                                    int timeoutSeconds) {
    KT_clear();
    KT_setURL(url);
    KT_setTimeout(timeoutSeconds);
    KT_setDownloadFile(file);
    KT_sendWithResponseNow();
    return KT_downloadWritten();
}

std::optional<std::string> KT_webtools::KT_getResponse() const {
    std::lock_guard lock(current_->mutex);
    return current_->receivedData;
}

std::optional<std::string>
KT_webtools::KT_getStringResponseWithEncode(TextEncoding encoding) const {
    std::optional<std::string> reply = KT_getResponse();
    if (!reply) return std::nullopt;
    return toUTF8(*reply, encoding);
}

std::optional<std::string> KT_webtools::KT_getResponseDecodeBase64() const {
    std::optional<std::string> text = KT_getStringResponseWithEncode(TextEncoding::ASCII);
    if (!text) return std::nullopt;
    return KT_DecodeBase64(*text);
}

std::optional<std::string>
KT_webtools::KT_getStringResponseDecodedBase64WithEncode(TextEncoding encoding) const {
    std::optional<std::string> bytes = KT_getResponseDecodeBase64();
    if (!bytes) return std::nullopt;
    return toUTF8(*bytes, encoding);
}

std::optional<std::string> KT_webtools::KT_getResponseDecrypted() const {
    std::optional<std::string> text = KT_getStringResponseWithEncode(TextEncoding::UTF8);
    if (!text) return std::nullopt;
    CipherStatus status = CipherStatus::Success;
    return KT_DecryptWithBase64(*text, kCipherKey, &status);
}

std::optional<zplatform::HttpError> KT_webtools::KT_getError() const {
    std::lock_guard lock(current_->mutex);
    return current_->error;
}

std::optional<KT_Image> KT_webtools::KT_loadImageFromURL(const std::string& url) {
    // A plain GET: variables left by an earlier message must not travel to an image address.
    KT_clear();
    KT_setURL(url);
    KT_setTimeout(7);
    KT_sendWithResponseNow();
    std::optional<std::string> reply = KT_getResponse();
    if (!reply) return std::nullopt;
    return imageFromData(*reply);
}

// --- Helpers ---

std::string KT_webtools::getCurrentDate() {
    return zplatform::protocolDate();
}

std::string KT_webtools::KT_urlencode(std::string_view text) {
    return kt::KT_urlencode(text);
}

std::string KT_webtools::KT_testNetwork(bool probe) {
    zplatform::Reachability reachability =
        env_.interfaces ? zplatform::Reachability(env_.interfaces) : zplatform::Reachability();
    zplatform::ReachabilityFlags flags = reachability.flags();
    std::string type, debit;
    if (!flags.readable || !flags.reachable) {
        logLine("pas de connexion");
    } else if (flags.isLocalAddress && !flags.isWWAN) {
        type = "wifi";
        logLine("Wifi");
    } else {
        type = "cellular";
        logLine("Cellular");
        if (probe) {
            KT_clear();
            std::optional<std::string> base = appDelegate_ ? appDelegate_->url_omv() : std::nullopt;
            KT_setURL(base.value_or("") + "test.jpg");
            KT_setTimeout(5);
            KT_sendWithResponseNow();
            bool failed, replied;
            {
                std::lock_guard lock(current_->mutex);
                // This probe's own failure, not an error kept from an earlier transfer.
                failed = current_->failedHere;
                replied = current_->receivedData.has_value();
            }
            if (failed) {
                type.clear();
                logLine("Simu pas de connexion");
            }
            debit = replied ? "3g" : "edge";
            logLine(replied ? "3G" : "Edge");
        }
    }
    setDefault("_NetworkType", type);
    setDefault("_NetworkDebit", debit);
    return type;
}

} // namespace kt
