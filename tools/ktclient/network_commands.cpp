// ktclient OPEN and WEBREQUEST commands: one request client on this thread's run loop, with a
// private defaults store so that the tool never touches the application's persisted values (and
// so always asks as a device that has seen no configuration and no notification).
#include "ktclient/network_commands.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "client/kt_webtools.h"
#include "client/reply_parsers.h"
#include "platform/notification_center.h"
#include "platform/user_defaults.h"

namespace ktclient {
namespace {

namespace fs = std::filesystem;

// A defaults file in a directory of its own, removed at the end.
class ScratchStore {
  public:
    ScratchStore() {
        std::string pattern = (fs::temp_directory_path() / "ktclient-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) dir_ = made;
        store_.emplace(dir_.empty() ? fs::path() : dir_ / "defaults");
    }
    ~ScratchStore() {
        store_.reset();
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;
    bool ok() const { return !dir_.empty(); }
    zplatform::UserDefaults& defaults() { return *store_; }

  private:
    fs::path dir_;
    std::optional<zplatform::UserDefaults> store_;
};

// The delegate of the tool's client: a fixed server address, no token, and a record of what the
// OPEN reply carried.
class ToolDelegate : public kt::KT_webtoolsDelegate {
  public:
    explicit ToolDelegate(std::string base) : base_(std::move(base)) {}
    std::optional<std::string> url_omv() const override { return base_; }
    std::optional<std::string> myToken() const override { return std::nullopt; }
    void showNotification(const std::string& title, const std::string& message,
                          const std::string& button) override {
        notification =
            "title=\"" + title + "\" message=\"" + message + "\" button=\"" + button + "\"";
    }
    void updateConfig(std::string_view configXML) override { configBytes = configXML.size(); }

    std::optional<std::string> notification;
    std::optional<std::size_t> configBytes;

  private:
    std::string base_;
};

// "http://host[:port]/path" with a "/" appended when missing; none for anything else.
std::optional<std::string> baseAddress(const std::string& url) {
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return std::nullopt;
    if (url.find_first_of(" \t\r\n") != std::string::npos) return std::nullopt;
    std::string base = url;
    if (base.back() != '/') base += '/';
    return base;
}

// Why a synchronous exchange brought no usable reply.
std::string failureReason(const kt::KT_webtools& client) {
    switch (client.KT_getOutcome()) {
    case kt::KT_Outcome::HttpError:
        return "HTTP error " + std::to_string(client.KT_getStatusCode().value_or(0));
    case kt::KT_Outcome::TimedOut:
        return "no reply within the time-out";
    case kt::KT_Outcome::TooLarge:
    case kt::KT_Outcome::TransportError:
    case kt::KT_Outcome::NotWritten:
        if (auto error = client.KT_getError()) return "transport error: " + error->description;
        return "transport error: the connection closed before a reply";
    default:
        break;
    }
    if (!client.KT_getResponse()) return "an empty reply";
    return "the reply does not decipher";
}

struct Session {
    ScratchStore scratch;
    ToolDelegate delegate;
    zplatform::NotificationCenter center;
    std::optional<kt::KT_webtools> client;

    explicit Session(std::string base) : delegate(std::move(base)) {
        kt::KT_webtoolsEnvironment env;
        env.defaults = &scratch.defaults();
        env.center = &center;
        client.emplace(&delegate, env);
        client->KT_testNetwork(false);
    }
};

bool isInteger(const std::string& text) {
    std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i >= text.size() || text.size() - i > 9) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

} // namespace

int runOpen(const std::string& url, std::ostream& out, std::ostream& err) {
    auto base = baseAddress(url);
    if (!base) {
        err << "ktclient: \"" << url << "\" is not an http:// or https:// address\n";
        return 2;
    }
    Session session(*base);
    if (!session.scratch.ok()) {
        err << "ktclient: cannot create a temporary defaults store\n";
        return 1;
    }
    kt::KT_webtools& client = *session.client;
    const bool accepted = client.KT_startApplicationWithToken(std::nullopt);
    if (!accepted) {
        if (client.KT_getResponseDecrypted())
            err << "ktclient: OPEN refused: the reply is malformed or has status \"error\"\n";
        else
            err << "ktclient: OPEN failed: " << failureReason(client) << "\n";
        return 1;
    }
    const auto& id = client.sessionID();
    out << "session: " << (id ? *id : std::string("(none)")) << "\n";
    out << "notification: " << session.delegate.notification.value_or("(none)") << "\n";
    if (session.delegate.configBytes)
        out << "configuration: yes (" << *session.delegate.configBytes << " bytes)\n";
    else
        out << "configuration: no\n";
    if (!id || id->empty()) {
        err << "ktclient: the reply carries no session id\n";
        return 1;
    }
    return 0;
}

int runRequest(const std::vector<std::string>& operands, std::ostream& out, std::ostream& err) {
    auto base = baseAddress(operands[0]);
    if (!base) {
        err << "ktclient: \"" << operands[0] << "\" is not an http:// or https:// address\n";
        return 2;
    }
    const std::string& id = operands[1];
    if (!isInteger(id)) {
        err << "ktclient: the web request id \"" << id << "\" is not an integer\n";
        return 2;
    }
    std::vector<std::string> names, values;
    for (std::size_t i = 2; i < operands.size(); ++i) {
        const std::size_t eq = operands[i].find('=');
        if (eq == std::string::npos || eq == 0) {
            err << "ktclient: parameter \"" << operands[i] << "\" is not NAME=VALUE\n";
            return 2;
        }
        names.push_back(operands[i].substr(0, eq));
        values.push_back(operands[i].substr(eq + 1));
    }

    Session session(*base);
    if (!session.scratch.ok()) {
        err << "ktclient: cannot create a temporary defaults store\n";
        return 1;
    }
    kt::KT_webtools& client = *session.client;
    client.KT_prepareWebRequest(); // opens the session first
    const auto& sessionID = client.sessionID();
    if (!sessionID || sessionID->empty()) {
        err << "ktclient: cannot open a session with " << *base << "\n";
        return 1;
    }
    client.KT_addAction("WEBREQUEST", id, names, values);
    client.KT_finishWebRequest();
    client.KT_setTimeout(20); // the feeds' time-out
    client.KT_sendWithResponseNow();
    auto reply = client.KT_getResponseDecrypted();
    if (!reply) {
        err << "ktclient: WEBREQUEST failed: " << failureReason(client) << "\n";
        return 1;
    }
    out << *reply << "\n";
    if (!kt::KT_ParseResult(*reply).ok()) {
        err << "ktclient: the server answered WEBREQUEST " << id << " with an error\n";
        return 1;
    }
    return 0;
}

} // namespace ktclient
