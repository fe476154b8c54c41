// Readers of the server's OPEN reply: result check, session id, notification and the
// configuration block.
//
// Replies are untrusted: expat runs with billion-laughs protection, no parameter entities and
// external entities refused (a reference to one is a parse fault). Every parser delivers the
// events expat reports up to the first fault, as an event-driven reader does. CDATA sections
// are not read. All classes are plain values, usable on any one thread at a time.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kt {

// Succeeds when the document is well-formed and no "result" or "action" element carries
// status="error".
class KT_ParseResult {
  public:
    explicit KT_ParseResult(std::string_view dataXML);
    bool ok() const { return wellFormed_ && !hasError_; }
    bool hasError() const { return hasError_; }
    bool wellFormed() const { return wellFormed_; }

  private:
    bool wellFormed_ = false;
    bool hasError_ = false;
};

// The text of the last "sessionID" element with every line feed and space removed; none when
// the document is not well-formed or has no such element.
class KT_ParseSessionID {
  public:
    explicit KT_ParseSessionID(std::string_view dataXML);
    std::optional<std::string> getSessionID() const { return sessionID_; }

  private:
    std::optional<std::string> sessionID_;
};

// What showing a notification needs from the shell.
struct NotificationHandlers {
    // Shows a modal alert with one button that only closes it. Runs on the caller's thread.
    std::function<void(const std::string& title, const std::string& message,
                       const std::string& button)>
        showAlert;
    // Persists the date (UTC "yyyy-MM-dd HH:mm:ss") under the "_DateNotif" defaults key.
    std::function<void(const std::string& date)> storeNotificationDate;
};

class KT_ParseNotification {
  public:
    explicit KT_ParseNotification(std::string_view dataXML);
    // When the reply carries a "title", shows the alert and stores the current date; returns
    // whether it did. Without a title nothing is shown or stored. Missing handlers are skipped.
    bool showNotification(const NotificationHandlers& handlers) const;

    bool isNotification() const { return isNotification_; }
    std::optional<std::string> titleN() const { return titleN_; }
    std::optional<std::string> messageM() const { return messageM_; }
    std::optional<std::string> boutonN() const { return boutonN_; }

  private:
    bool isNotification_ = false;
    std::optional<std::string> titleN_, messageM_, boutonN_;
};

// Receives the configuration document cut out of a reply: it loads the bytes into the
// configuration and writes them, atomically, to the cached configuration file.
using ConfigUpdateHandler = std::function<void(std::string_view configXML)>;

class KT_ParseConfig {
  public:
    explicit KT_ParseConfig(std::string_view dataXML);
    // "<config date" + text up to the first following "</config>" + "</config>"; none when the
    // reply has no "<config date" or no closing "</config>" after it.
    std::optional<std::string> configBlock() const { return block_; }
    // Hands the block to `handler` when there is one; returns whether it did.
    bool updateConfig(const ConfigUpdateHandler& handler) const;

  private:
    std::optional<std::string> block_;
};

// Current UTC date as "yyyy-MM-dd HH:mm:ss".
std::string protocolDateNow();

} // namespace kt
