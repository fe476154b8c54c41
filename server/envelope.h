// The "Omnivale" request envelope as the server reads it, and its parser over untrusted bytes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zserver {

// One `action` element: OPEN, CLOSE or WEBREQUEST with its optional id and its parameters.
struct Action {
    std::string name;
    std::optional<int> id;
    std::map<std::string, std::string> params;
};

// One statistics `event` element. Counting events carry `date` and `hit`, timed events `start`
// and `stop`; `cle` is absent when the client sent no key.
struct Event {
    int id = 0;
    std::optional<std::string> date, start, stop, cle;
    std::optional<int> hit;
};

// The device as OPEN describes it.
struct Device {
    std::string application, phone;
    std::string osName, osVersion, phoneName;
    std::string language, version;
    std::string lastConfig, lastNotification;
    std::optional<std::string> token;
    std::string networkType, networkDebit;
};

struct Envelope {
    std::string version;                // the root's "v"
    std::optional<std::string> session; // `<id session=…/>`
    bool hasDevice = false;             // `<id application=… phone=…/>`: an OPEN identification
    Device device;
    std::vector<Event> events;
    std::vector<Action> actions;
};

// What one message may hold. The application sends one action or one event per message; the
// caps keep a hostile message from making the server answer (or store) without end.
inline constexpr size_t kMaxActions = 16;
inline constexpr size_t kMaxEvents = 256;
inline constexpr size_t kMaxParams = 64;

// Parses an envelope. Refuses (nullopt, reason in *error) anything not well-formed, any document
// type declaration (so no entity expansion and no external fetch), a root other than "Omnivale",
// malformed numbers in ids and hit counts, and more actions, events or parameters of one action
// than the caps above.
std::optional<Envelope> parseEnvelope(std::string_view xml, std::string* error = nullptr);

} // namespace zserver
