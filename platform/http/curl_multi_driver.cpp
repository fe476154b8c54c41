// One libcurl multi handle per run loop, driven by fd watches and a one-shot timer.
#include "curl_multi_driver.h"

#include <mutex>
#include <vector>

namespace zplatform {

void ensureCurlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {
// Weak, so that the driver goes away with the thread's last transfer.
thread_local std::weak_ptr<CurlMultiDriver> threadDriver;
} // namespace

std::shared_ptr<CurlMultiDriver> CurlMultiDriver::forCurrentThread() {
    auto driver = threadDriver.lock();
    if (!driver) {
        driver.reset(new CurlMultiDriver());
        threadDriver = driver;
    }
    return driver;
}

CurlMultiDriver::CurlMultiDriver() : loop_(RunLoop::currentHandle()) {
    ensureCurlGlobalInit();
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlMultiDriver::socketCallback);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlMultiDriver::timerCallback);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
}

CurlMultiDriver::~CurlMultiDriver() {
    if (timer_) timer_->invalidate();
    // Watches belong to the loop's thread; elsewhere their weak callbacks simply find us gone.
    if (onOwnerThread())
        for (auto& [socket, id] : watches_) loop_->unwatchFd(id);
    for (auto& [easy, transfer] : transfers_) curl_multi_remove_handle(multi_, easy);
    curl_multi_cleanup(multi_);
}

bool CurlMultiDriver::onOwnerThread() const {
    return loop_->threadId() == std::this_thread::get_id();
}

bool CurlMultiDriver::add(CURL* easy, std::weak_ptr<Transfer> transfer) {
    if (curl_multi_add_handle(multi_, easy) != CURLM_OK) return false;
    transfers_[easy] = std::move(transfer);
    return true;
}

void CurlMultiDriver::remove(CURL* easy) {
    if (transfers_.erase(easy)) curl_multi_remove_handle(multi_, easy);
}

int CurlMultiDriver::socketCallback(CURL*, curl_socket_t s, int what, void* userp, void*) {
    auto* self = static_cast<CurlMultiDriver*>(userp);
    auto it = self->watches_.find(s);
    if (what == CURL_POLL_REMOVE) {
        if (it != self->watches_.end()) {
            self->loop_->unwatchFd(it->second);
            self->watches_.erase(it);
        }
        return 0;
    }
    unsigned events = 0;
    if (what == CURL_POLL_IN || what == CURL_POLL_INOUT) events |= kFdReadable;
    if (what == CURL_POLL_OUT || what == CURL_POLL_INOUT) events |= kFdWritable;
    if (it != self->watches_.end()) {
        self->loop_->modifyWatch(it->second, events);
        return 0;
    }
    std::weak_ptr<CurlMultiDriver> weak = self->weak_from_this();
    self->watches_[s] = self->loop_->watchFd(s, events, [weak](int fd, unsigned occurred) {
        auto driver = weak.lock();
        if (!driver) return;
        int mask = 0;
        if (occurred & kFdReadable) mask |= CURL_CSELECT_IN;
        if (occurred & kFdWritable) mask |= CURL_CSELECT_OUT;
        if (occurred & kFdError) mask |= CURL_CSELECT_ERR;
        driver->drive(fd, mask);
    });
    return 0;
}

int CurlMultiDriver::timerCallback(CURLM*, long timeoutMs, void* userp) {
    auto* self = static_cast<CurlMultiDriver*>(userp);
    if (self->timer_) self->timer_->invalidate();
    self->timer_.reset();
    if (timeoutMs < 0) return 0;
    // libcurl forbids driving the multi handle from inside this callback: defer to the loop.
    std::weak_ptr<CurlMultiDriver> weak = self->weak_from_this();
    self->timer_ = self->loop_->performAfterDelay(timeoutMs / 1000.0, [weak] {
        if (auto driver = weak.lock()) driver->drive(CURL_SOCKET_TIMEOUT, 0);
    });
    return 0;
}

void CurlMultiDriver::drive(curl_socket_t s, int eventMask) {
    auto keep = shared_from_this(); // a delivered callback may drop the last transfer
    int running = 0;
    curl_multi_socket_action(multi_, s, eventMask, &running);
    finishTurn();
}

void CurlMultiDriver::finishTurn() {
    std::vector<std::pair<std::shared_ptr<Transfer>, CURLcode>> done;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
        if (msg->msg != CURLMSG_DONE) continue;
        CURL* easy = msg->easy_handle;
        CURLcode code = msg->data.result;
        auto it = transfers_.find(easy);
        std::shared_ptr<Transfer> transfer = it != transfers_.end() ? it->second.lock() : nullptr;
        // Removing invalidates msg, so everything needed was read above.
        remove(easy);
        if (transfer) done.emplace_back(std::move(transfer), code);
    }
    for (auto& [transfer, code] : done) transfer->transferDone(code);

    // Delegates may add, cancel or destroy transfers (and turn the loop) while we deliver.
    std::vector<std::shared_ptr<Transfer>> pending;
    pending.reserve(transfers_.size() + done.size());
    for (auto& [transfer, code] : done) pending.push_back(transfer);
    for (auto& [easy, weak] : transfers_)
        if (auto transfer = weak.lock()) pending.push_back(std::move(transfer));
    for (auto& transfer : pending) transfer->deliver();
}

} // namespace zplatform
