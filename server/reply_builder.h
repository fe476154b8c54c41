// Reply documents of "request.aspx" and their enciphered transport form.
//
// Layout: `<?xml …?><Omnivale v="1.0"><result status="ok|error"/>` then, as the message asks,
// `<sessionID>`, `<notification>` with `title`, `message`, `button`, the configuration block, and
// one `<action name=… [id=…] status=… >` per action, then `</Omnivale>`. WEBREQUEST answers use
// exactly the marker the feed readers cut at: `<action name="WEBREQUEST" id="N" status="ok" >`.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/content_directory.h"

namespace zserver {

// Escapes &, <, > and " for element text and attribute values.
std::string escapeXml(std::string_view text);

class ReplyBuilder {
  public:
    void sessionID(std::string_view id);
    void notification(const Notification& n);
    void config(std::string_view block); // inserted as it is: a well-formed `config` element
    // `payload` follows the action's start tag as it is (for a feed: its CDATA section).
    void action(std::string_view name, std::optional<int> id, bool ok,
                std::string_view payload = {});
    // An error that is not an action's, with a text for whoever debugs the exchange.
    void fail(std::string_view why);

    bool ok() const { return ok_; }
    // The whole document; the result status is "error" when any action or fail() failed.
    std::string document() const;

  private:
    bool ok_ = true;
    std::string body_;
};

// Request Base64 of the DES-CBC cipher text of the document, as the application deciphers it.
std::string encipherReply(std::string_view xml);

// The enciphered reply of a request that could not be read at all.
std::string errorReply(std::string_view why);

} // namespace zserver
