#include "app/account/connexion.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "client/html_unescape.h"
#include "client/kt_webtools.h"
#include "app/persisted_keys.h"
#include "feeds/feed_delegate.h"
#include "platform/ui/clock.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"

namespace zephrun {

namespace {

constexpr int kSiteTimeout = 30;
constexpr int kLogoutTimeout = 2;
constexpr int kRegistrationTimeout = 20;
constexpr const char* kProfileFirst = "<dd class=\"profile-profile_first\">";

struct ProfileMarker {
    const char* marker;
    std::string Connexion::*field;
};

// Reply bytes outside 7-bit ASCII cannot be letters of the markers or of the status key: they
// are kept as they are, so a profile written in UTF-8 reads back whole.
std::string strippedLower(const std::string& reply) {
    std::string out;
    out.reserve(reply.size());
    for (char c : reply) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

Connexion::Connexion(ZephrunAppDelegate& appDelegate) : appDelegate(appDelegate) {
    const std::string name = appDelegate.displayName();
    myLogin_ = appDelegate.defaults().stringForKey(persistedKey(name, keys::kZephrunLogin)).value_or("");
    myPassword_ =
        appDelegate.defaults().stringForKey(persistedKey(name, keys::kZephrunPassword)).value_or("");
}

Connexion::~Connexion() {
    KT_CLController::sharedInstance().forgetDelegate(this);
}

bool Connexion::firstReplyAccepts(const std::string& reply) {
    return strippedLower(reply).find("\"status\":true") != std::string::npos;
}

bool Connexion::readProfile(const std::string& reply) {
    if (reply.find(kProfileFirst) == std::string::npos) return false;
    static const ProfileMarker kMarkers[] = {
        {kProfileFirst, &Connexion::myFirstName_},
        {"<dd class=\"profile-profile_last\">", &Connexion::myLastName_},
        {"<dd class=\"profile-profile_gender\">", &Connexion::mySexe_},
        {"<dd class=\"profile-profile_age\">", &Connexion::myDateOfBirth_},
        {"<dd class=\"profile-profile_country\">", &Connexion::myCountry_},
    };
    for (const auto& m : kMarkers) {
        std::size_t at = reply.find(m.marker);
        if (at == std::string::npos) break;
        at += std::char_traits<char>::length(m.marker);
        std::size_t end = reply.find("</dd>", at);
        if (end == std::string::npos) break;
        // The site writes letters outside ASCII as character references ("D&#233;mo").
        this->*m.field = kt::stringByUnescapingHTML(reply.substr(at, end - at));
    }
    myPhone_.clear();
    isVisible_ = false;
    return true;
}

std::optional<std::string> Connexion::postLoginForm(bool cleanCookies) {
    ZephrunConfiguration& config = appDelegate.myConfig();
    std::unique_ptr<kt::KT_webtools> wt = appDelegate.newWebtools();
    wt->KT_setURL(appDelegate.isFrench() ? config.url_login_fr() : config.url_login_en());
    wt->KT_setTimeout(kSiteTimeout);
    // The form is posted as typed: percent-encoded, so that "&", "=", "+", "%" and accented
    // letters reach the site as the member typed them.
    wt->KT_addVariable("name", kt::KT_webtools::KT_urlencode(myLogin_), "POST", "NONE");
    wt->KT_addVariable("pass", kt::KT_webtools::KT_urlencode(myPassword_), "POST", "NONE");
    wt->KT_addVariable("form_id", "user_login", "POST", "NONE");
    wt->KT_addVariable("form_build_id", "", "POST", "NONE");
    wt->KT_addVariable("op", "Connexion", "POST", "NONE");
    wt->KT_sendWithResponseNowWithCleanCookie(cleanCookies);
    // The reply is read byte for byte: the checks look for ASCII markers, and a profile written
    // in UTF-8 keeps its accented letters.
    return wt->KT_getResponse();
}

bool Connexion::silentConnexion() {
    isConnected_ = false;
    myFirstName_.clear();
    myLastName_.clear();
    mySexe_.clear();
    myDateOfBirth_.clear();
    myCountry_.clear();
    myPhone_.clear();
    isVisible_ = false;
    if (myLogin_.empty() || myPassword_.empty()) return false;

    std::optional<std::string> first = postLoginForm(true);
    if (!first || !firstReplyAccepts(*first)) return false;
    std::optional<std::string> second = postLoginForm(false);
    if (!second || second->find(kProfileFirst) == std::string::npos) return false;

    persistCredentials();
    readProfile(*second);
    isConnected_ = true;
    return true;
}

bool Connexion::connexion() {
    const bool french = appDelegate.isFrench();
    if (myLogin_.empty() || myPassword_.empty()) {
        isConnected_ = false;
        appDelegate.showAlert(texts::kInvalidLogin.in(french));
        return false;
    }
    if (!silentConnexion()) {
        appDelegate.showAlert(texts::kLoginServerDown.in(french));
        return false;
    }
    KT_CLController& locator = KT_CLController::sharedInstance();
    locator.setIsLocated(false);
    locator.setHasReponse(false);
    locator.setDelegate(this);
    locator.startUpdatingLocation();
    return true;
}

void Connexion::sendInfoToKT() {
    KT_CLController& locator = KT_CLController::sharedInstance();
    if (locator.isLocated()) {
        myLatitude_ = locator.currentLatitude();
        myLongitude_ = locator.currentLongitude();
        isVisible_ = true;
    } else {
        isVisible_ = false;
    }
    // An interface timer: it never fires inside another request's synchronous wait, so the
    // request lock it takes is free.
    appDelegate.window().clock().scheduledTimer(0.01, false, [this](ui::UiTimer&) { sendToKT(); });
    isConnected_ = true;
}

void Connexion::sendToKT() {
    char latitude[32], longitude[32];
    std::snprintf(latitude, sizeof latitude, "%f", static_cast<double>(myLatitude_));
    std::snprintf(longitude, sizeof longitude, "%f", static_cast<double>(myLongitude_));
    RequestLock lock(appDelegate);
    kt::KT_webtools& wt = appDelegate.myWT();
    wt.KT_prepareWebRequest();
    wt.KT_addAction("WEBREQUEST", std::to_string(appDelegate.myConfig().id_wr_connexion()),
                    {"country", "dateofbirth", "firstname", "isvisible", "lastname", "latitude",
                     "login", "longitude", "sexe"},
                    {myCountry_, myDateOfBirth_, myFirstName_, isVisible_ ? "1" : "0",
                     myLastName_, latitude, myLogin_, longitude, mySexe_});
    wt.KT_finishWebRequest();
    wt.KT_setTimeout(kRegistrationTimeout);
    wt.KT_sendWithResponseNow();
}

void Connexion::deconnexion() {
    if (!isConnected_) return;
    {
        RequestLock lock(appDelegate);
        kt::KT_webtools& wt = appDelegate.myWT();
        wt.KT_prepareWebRequest();
        wt.KT_addAction("WEBREQUEST", std::to_string(appDelegate.myConfig().id_wr_deconnexion()),
                        {"login"}, {myLogin_});
        wt.KT_finishWebRequest();
        wt.KT_setTimeout(kLogoutTimeout);
        wt.KT_sendWithResponseNow();
    }
    ZephrunConfiguration& config = appDelegate.myConfig();
    std::unique_ptr<kt::KT_webtools> site = appDelegate.newWebtools();
    site->KT_setURL(appDelegate.isFrench() ? config.url_logout_fr() : config.url_logout_en());
    site->KT_setTimeout(kLogoutTimeout);
    site->KT_sendWithResponseNow();
    isConnected_ = false;
}

void Connexion::persistCredentials() {
    const std::string name = appDelegate.displayName();
    appDelegate.defaults().setValues({{persistedKey(name, keys::kZephrunLogin), myLogin_},
                                      {persistedKey(name, keys::kZephrunPassword), myPassword_}});
}

void Connexion::forgetLogin() {
    myLogin_.clear();
    appDelegate.defaults().setString(persistedKey(appDelegate.displayName(), keys::kZephrunLogin), "");
}

void Connexion::forgetPassword() {
    myPassword_.clear();
    appDelegate.defaults().setString(
        persistedKey(appDelegate.displayName(), keys::kZephrunPassword), "");
}

} // namespace zephrun
