// Texts of the server protocol and the HTTP request that carries a client's variables.
#include "client/request_envelope.h"

#include <climits>

#include "client/base64.h"
#include "client/cipher.h"
#include "client/url_escape.h"

namespace kt {

int textIntValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\f' || text[i] == '\v'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string actionFragment(std::string_view name, const std::optional<std::string>& id,
                           const std::vector<std::string>& names,
                           const std::vector<std::string>& values) {
    std::string out = "<action name=\"";
    out += name;
    out += '"';
    if (id && !id->empty()) out += " id=\"" + std::to_string(textIntValue(*id)) + '"';
    out += '>';
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += "<param name=\"" + names[i] + "\"><![CDATA[";
        if (i < values.size()) out += values[i];
        out += "]]></param>";
    }
    out += "</action>";
    return out;
}

std::string sessionElement(const std::optional<std::string>& sessionID) {
    return "<id session=\"" + sessionID.value_or("") + "\"/>";
}

std::string envelope(std::string_view identity, std::string_view kindElements,
                     const std::vector<std::string>& actions) {
    std::string out = "<";
    out += kEnvelopeRoot;
    out += " v=\"";
    out += kEnvelopeVersion;
    out += "\">";
    out += identity;
    out += kindElements;
    for (const auto& action : actions) out += action;
    out += "</";
    out += kEnvelopeRoot;
    out += '>';
    return out;
}

std::string openIdentity(const OpenFields& f) {
    return "<id application=\"" + f.applicationID + "\" phone=\"" + f.phoneID + "\"/>";
}

std::string openElements(const OpenFields& f) {
    std::string out = "<phone osname=\"" + f.osName + "\" osversion=\"" + f.osVersion +
                      "\" phone_name=\"" + f.phoneName + "\" />";
    out += "<application language=\"" + f.language + "\" version=\"" + f.version + '"';
    out += " last_config=\"" + f.lastConfig.value_or("") + '"';
    out += " last_notification=\"" +
           (f.lastNotification ? *f.lastNotification : f.lastConfig.value_or("")) + '"';
    if (f.token) out += " token=\"" + *f.token + '"';
    out += " />";
    out += "<network type=\"" + f.networkType + '"';
    if (f.networkType == "cellular") out += " debit=\"" + f.networkDebit + '"';
    out += "/>";
    return out;
}

std::string hitEventElement(int eventID, std::string_view date, int hits,
                            const std::optional<std::string>& cle) {
    std::string out = "<event id=\"" + std::to_string(eventID) + "\" date=\"" + std::string(date) +
                      "\" hit=\"" + std::to_string(hits) + '"';
    if (cle) out += " cle=\"" + *cle + '"';
    return out + "/>";
}

std::string durationEventElement(int eventID, std::string_view start, std::string_view stop,
                                 const std::optional<std::string>& cle) {
    std::string out = "<event id=\"" + std::to_string(eventID) + "\" start=\"" +
                      std::string(start) + "\" stop=\"" + std::string(stop) + '"';
    if (cle) out += " cle=\"" + *cle + '"';
    return out + "/>";
}

std::string lossyASCII(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // One "?" per character: skip the continuation bytes of a UTF-8 sequence.
        std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        std::size_t j = i + 1;
        while (j < text.size() && j < i + length &&
               (static_cast<unsigned char>(text[j]) & 0xC0) == 0x80)
            ++j;
        out += '?';
        i = j;
    }
    return out;
}

zplatform::HttpRequest buildHttpRequest(const std::string& url,
                                        const std::vector<RequestVariable>& variables) {
    std::string query, body, cryptNames;
    for (const auto& variable : variables) {
        std::string value = variable.value;
        if (variable.encode == "CRYPT") {
            if (!cryptNames.empty()) cryptNames += ',';
            cryptNames += variable.name;
            value = KT_EncryptWithBase64(value, kCipherKey);
        } else if (variable.encode == "BASE64") {
            value = KT_EncodeBase64(lossyASCII(value));
        }
        if (variable.type == "POST") {
            if (!body.empty()) body += '&';
            body += variable.name + "=" + value;
        } else if (variable.type == "GET") {
            if (!query.empty()) query += '&';
            query += variable.name + "=" + KT_urlencode(value);
        }
    }
    zplatform::HttpRequest request;
    request.url = query.empty() ? url : url + "?" + query;
    if (!cryptNames.empty()) body += "&listVarCrypt=" + cryptNames;
    std::string cleaned;
    cleaned.reserve(body.size());
    for (char c : body)
        if (c != '\n') cleaned += c;
    request.body = lossyASCII(cleaned);
    request.method = !request.body.empty() ? "POST" : "GET";
    request.headers = {
        {"Content-Length", std::to_string(request.body.size())},
        {"Content-Type", "application/x-www-form-urlencoded"},
        {"User-agent", std::string(kUserAgent)},
    };
    request.timeoutInterval = 10.0;
    return request;
}

} // namespace kt
