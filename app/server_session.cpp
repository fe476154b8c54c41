// The shell's server session: OPEN, the shared session id, events and CLOSE.
#include "app/server_session.h"

#include "app/persisted_keys.h"
#include "app/zephrun_configuration.h"
#include "platform/notification_center.h"
#include "platform/run_loop.h"
#include "platform/text_date.h"
#include "platform/user_defaults.h"

namespace zephrun {
namespace {

// The client writes attribute values as they are; a key such as a stream address with a query
// ("…?a=1&b=2") would make the whole event document malformed and the server drop it. Escaped
// here, the server's XML reader gives back the caller's text; plain keys are unchanged.
std::string attributeText(std::string_view text) {
    return zplatform::escapingXml(text);
}

} // namespace

ServerSession::ServerSession(zplatform::UserDefaults& defaults, std::string displayName,
                             ZephrunConfiguration& config, SessionAlert showAlert,
                             kt::KT_webtoolsEnvironment environment)
    : defaults_(defaults), displayName_(std::move(displayName)), config_(config),
      showAlert_(std::move(showAlert)) {
    environment.defaults = &defaults_;
    environment.displayName = displayName_;
    center_ =
        environment.center ? environment.center : &zplatform::NotificationCenter::defaultCenter();
    kt::KT_webtoolsDelegate* delegate = this;
    // Each event and CLOSE posts its notice exactly once, with the delegate as its object.
    for (const char* name : {"returnToSendEvent", "CloseApplication"})
        center_->addObserver(
            &pendingNotices_, name, [this](const zplatform::Notification&) { --pendingNotices_; },
            delegate);
    environment_ = environment;
    myWT_ = std::make_unique<kt::KT_webtools>(delegate, environment);
    myWTEvent_ = std::make_unique<kt::KT_webtools>(delegate, environment);
}

std::unique_ptr<kt::KT_webtools> ServerSession::newWebtools() {
    kt::KT_webtoolsDelegate* delegate = this;
    return std::make_unique<kt::KT_webtools>(delegate, environment_);
}

// The clients go first: their destructors cancel transfers that still call back into this
// delegate.
ServerSession::~ServerSession() {
    myWTEvent_.reset();
    myWT_.reset();
    center_->removeObserver(&pendingNotices_);
}

std::string ServerSession::testNetwork() {
    return myWT_->KT_testNetwork(false);
}

bool ServerSession::open(std::optional<std::string> token, std::string_view networkType) {
    if (closed_) return false;
    token_ = token && !token->empty() ? std::move(token) : std::nullopt;
    open_ = false;
    if (!networkType.empty()) open_ = myWT_->KT_startApplicationWithToken(token_);
    // Launch step 7 copies the id whatever the outcome: without a session the event client keeps
    // none and opens its own on first use.
    myWTEvent_->setSessionID(myWT_->sessionID());
    return open_;
}

std::optional<std::string> ServerSession::sessionID() const {
    return myWT_->sessionID();
}

void ServerSession::sendEventWithID(int eventId, const std::string& key) {
    if (closed_) return;
    ++pendingNotices_;
    if (key.empty())
        myWTEvent_->KT_sendEventNumberHit(1, eventId);
    else
        myWTEvent_->KT_sendEventNumberHit(1, eventId, attributeText(key));
}

void ServerSession::sendEventWithID(int eventId, const std::string& key,
                                    const std::string& dateStart) {
    if (closed_) return;
    const std::string start = attributeText(dateStart);
    ++pendingNotices_;
    if (key.empty())
        myWTEvent_->KT_sendEventTo(start, eventId);
    else
        myWTEvent_->KT_sendEventTo(start, eventId, attributeText(key));
}

std::string ServerSession::eventDateNow() {
    return zplatform::protocolDate();
}

void ServerSession::close() {
    if (closed_) return;
    closed_ = true;
    // A CLOSE without a session would name none; the server has nothing to close then.
    const auto& id = myWT_->sessionID();
    if (id && !id->empty()) myWT_->KT_closeApplication();
}

bool ServerSession::finishPendingExchanges(double maxSeconds) {
    auto idle = [this] {
        return pendingNotices_ <= 0 && myWT_->KT_responseIsPresent() &&
               myWTEvent_->KT_responseIsPresent();
    };
    return zplatform::RunLoop::current().runUntil(idle, maxSeconds);
}

std::optional<std::string> ServerSession::url_omv() const {
    return config_.url_omv();
}

void ServerSession::showNotification(const std::string& title, const std::string& message,
                                     const std::string& button) {
    if (showAlert_) showAlert_(title, message, button);
}

void ServerSession::updateConfig(std::string_view configXML) {
    config_.applyServerUpdate(configXML);
}

} // namespace zephrun
