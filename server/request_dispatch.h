// Answers one deciphered envelope: OPEN, CLOSE, events and WEBREQUEST actions.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "server/content_directory.h"
#include "server/envelope.h"
#include "server/session_store.h"

namespace zserver {

struct WebRequestAnswer;
using WebRequestTable = std::map<int, std::function<WebRequestAnswer(const Action&)>>;

struct DispatchResult {
    std::string document; // the reply document, not yet enciphered
    bool ok = false;
    std::string summary; // what the message held, for the request log ("OPEN s=… notif config")
};

// Every message but OPEN must name an open session; OPEN creates one. The configuration block
// is sent when its date is newer than the device's last_config, the notification when its date
// is newer than the device's last_notification. In the served configuration, "@SERVER@" stands
// for `baseURL` so that a device keeps talking to the server that configured it.
DispatchResult dispatch(const Envelope& env, SessionStore& store, const ContentDirectory& content,
                        const WebRequestTable& webRequests, const std::string& baseURL);

} // namespace zserver
