// Message dispatch: the session rules, then each event and action in document order.
#include "server/request_dispatch.h"

#include <exception>

#include "server/content_server.h"
#include "server/reply_builder.h"

namespace zserver {
namespace {

bool hasAction(const Envelope& env, std::string_view name) {
    for (auto& a : env.actions)
        if (a.name == name) return true;
    return false;
}

} // namespace

DispatchResult dispatch(const Envelope& env, SessionStore& store, const ContentDirectory& content,
                        const WebRequestTable& webRequests, const std::string& baseURL) {
    ReplyBuilder reply;
    DispatchResult out;
    auto note = [&](const std::string& s) {
        if (!out.summary.empty()) out.summary += ' ';
        out.summary += s;
    };

    std::string session;
    if (hasAction(env, "OPEN")) {
        if (!env.hasDevice) {
            reply.fail("OPEN without the device identification");
            note("OPEN refused");
        } else if (auto id = store.openSession(env.device)) {
            session = *id;
            reply.sessionID(session);
            note("OPEN s=" + session);
            // The device never shown a notification sends its configuration date instead.
            if (auto n = content.notification();
                n && isNewer(n->date, env.device.lastNotification)) {
                reply.notification(*n);
                note("notification");
            }
            if (auto c = content.config(); c && isNewer(c->date, env.device.lastConfig)) {
                reply.config(withServerAddress(c->block, baseURL));
                note("config");
            }
        } else {
            reply.fail("the session store refused the session");
            note("OPEN failed");
        }
    } else if (!env.session || !store.isOpen(*env.session)) {
        reply.fail("unknown or closed session");
        note("session refused");
        out.document = reply.document();
        return out;
    } else {
        session = *env.session;
        note("s=" + session);
    }

    if (!session.empty() && !env.events.empty()) {
        if (store.addEvents(session, env.events)) {
            note(env.events.size() == 1 ? "event " + std::to_string(env.events[0].id)
                                        : std::to_string(env.events.size()) + " events");
        } else {
            reply.fail("events not stored");
            note("events failed");
        }
    }

    for (auto& a : env.actions) {
        if (a.name == "OPEN") {
            reply.action("OPEN", std::nullopt, !session.empty());
        } else if (session.empty()) {
            reply.action(a.name, a.id, false);
        } else if (a.name == "CLOSE") {
            bool closed = store.closeSession(session);
            reply.action("CLOSE", std::nullopt, closed);
            note(closed ? "CLOSE" : "CLOSE failed");
        } else if (a.name == "WEBREQUEST") {
            auto it = a.id ? webRequests.find(*a.id) : webRequests.end();
            WebRequestAnswer answer;
            if (it != webRequests.end()) {
                // A failing handler answers its own action with an error, not the whole reply.
                try {
                    answer = it->second(a);
                } catch (const std::exception&) {
                    answer = {};
                }
            }
            reply.action("WEBREQUEST", a.id, answer.ok, answer.ok ? answer.payload : "");
            note("WEBREQUEST " + (a.id ? std::to_string(*a.id) : std::string("-")) +
                 (answer.ok ? "" : " error"));
        } else {
            reply.action(a.name, a.id, false);
            note("unknown action " + a.name);
        }
    }
    out.ok = reply.ok();
    out.document = reply.document();
    return out;
}

} // namespace zserver
