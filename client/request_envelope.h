// The texts of the server protocol: the "Omnivale" envelope, action fragments, the OPEN and
// event elements, and the HTTP request that carries a client's variables.
//
// Pure functions: values are inserted as they are (no XML escaping), as the server expects.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http/http_connection.h"

namespace kt {

inline constexpr std::string_view kEnvelopeRoot = "Omnivale";
inline constexpr std::string_view kEnvelopeVersion = "1.0";
inline constexpr std::string_view kRequestPage = "request.aspx";
inline constexpr std::string_view kUserAgent = "Application KT (iPhone; U; CPU like Mac OS X; fr)";

// `[text intValue]`: leading blanks, an optional sign and the digits that follow; 0 when there
// are none; saturated to the int range.
int textIntValue(std::string_view text);

// `<action name="N"[ id="I"]><param name="n"><![CDATA[v]]></param>…</action>`. The id attribute
// only when `id` is given and not empty; a value missing from `values` is written as "".
std::string actionFragment(std::string_view name, const std::optional<std::string>& id,
                           const std::vector<std::string>& names,
                           const std::vector<std::string>& values);

// `<id session="S"/>` (an unknown session is written as "").
std::string sessionElement(const std::optional<std::string>& sessionID);

// `<Omnivale v="1.0">` + identity + kind-specific elements + actions + `</Omnivale>`.
std::string envelope(std::string_view identity, std::string_view kindElements,
                     const std::vector<std::string>& actions);

// The identification and kind elements of OPEN.
struct OpenFields {
    std::string applicationID;
    std::string phoneID;
    std::string osName;
    std::string osVersion;
    std::string phoneName;
    std::string language;
    std::string version;
    std::optional<std::string> lastConfig;       // "_DateConfig"
    std::optional<std::string> lastNotification; // "_DateNotif"; none: lastConfig is sent
    std::optional<std::string> token;            // the attribute only when given
    std::string networkType;
    std::string networkDebit; // sent only with the type "cellular"
};
// `<id application=… phone=…/>`.
std::string openIdentity(const OpenFields& fields);
// `<phone …/><application … />`, then `<network …/>`.
std::string openElements(const OpenFields& fields);

// `<event id="E" date="D" hit="H"[ cle="K"]/>`.
std::string hitEventElement(int eventID, std::string_view date, int hits,
                            const std::optional<std::string>& cle);
// `<event id="E" start="S" stop="T"[ cle="K"]/>`.
std::string durationEventElement(int eventID, std::string_view start, std::string_view stop,
                                 const std::optional<std::string>& cle);

// One request variable: name, value, type ("POST" / "GET") and encoding ("CRYPT" / "BASE64" /
// anything else for none).
struct RequestVariable {
    std::string name;
    std::string value;
    std::string type;
    std::string encode;
};

// The request: POST pairs in the body (values not escaped), GET pairs escaped in the query,
// "&listVarCrypt=" + the enciphered names, line feeds removed from the body, non-ASCII
// characters replaced by "?"; method POST with a body, GET with only a query; the protocol's
// headers; its own 10-second stall time-out.
zplatform::HttpRequest buildHttpRequest(const std::string& url,
                                        const std::vector<RequestVariable>& variables);

// `text` with every non-ASCII character (a UTF-8 sequence, or a stray byte) replaced by "?".
std::string lossyASCII(std::string_view text);

} // namespace kt
