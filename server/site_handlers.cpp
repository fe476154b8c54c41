// Login in two requests, profile, logout and registration of the member site.
#include "server/site_handlers.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "server/site_pages.h"

namespace zserver {
namespace {

using site::Lang;

constexpr size_t kMaxName = 64;

const char* const kHtml = "text/html; charset=utf-8";

// UTF-8 text without control characters, of 1 to `max` bytes.
bool isCleanText(const std::string& s, size_t max) {
    if (s.empty() || s.size() > max) return false;
    for (size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7f) return false;
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

bool isLogin(const std::string& s) {
    return s.size() >= 3 && s.size() <= 32 && std::all_of(s.begin(), s.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                      c == '-';
           });
}

std::string value(const std::map<std::string, std::string>& form, const char* name) {
    auto it = form.find(name);
    return it == form.end() ? std::string() : it->second;
}

void html(http::Response& res, int status, std::string body) {
    res.status = status;
    res.setContent(std::move(body), kHtml);
    res.headers.emplace_back("Cache-Control", "no-store");
}

void redirect(http::Response& res, const std::string& to) {
    res.status = 303;
    res.headers.emplace_back("Location", to);
    res.setContent("", "text/plain");
}

std::string sessionCookie(const std::string& token) {
    return std::string(SiteHandlers::kCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Lax";
}

std::string clearedCookie() {
    return std::string(SiteHandlers::kCookie) + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Lax";
}

} // namespace

bool SiteHandlers::handle(const http::Request& req, http::Response& res) {
    // "/site/STEM_LANG.html"
    const std::string& path = req.path;
    if (path.rfind("/site/", 0) != 0 || path.size() < 15 ||
        path.compare(path.size() - 5, 5, ".html") != 0)
        return false;
    std::string name = path.substr(6, path.size() - 11);
    if (name.size() < 4 || name[name.size() - 3] != '_') return false;
    std::string stem = name.substr(0, name.size() - 3), suffix = name.substr(name.size() - 2);
    if (suffix != "fr" && suffix != "en") return false;
    const Lang lang = suffix == "fr" ? Lang::French : Lang::English;
    if (stem != "login" && stem != "profile" && stem != "logout" && stem != "register")
        return false;

    const bool post = req.method == "POST";
    if (!post && req.method != "GET" && req.method != "HEAD") {
        res.status = 405;
        res.headers.emplace_back("Allow", "GET, HEAD, POST");
        res.setContent("method not allowed\n", "text/plain; charset=utf-8");
        return true;
    }
    const auto form = post ? http::decodeUrlForm(req.body) : std::map<std::string, std::string>{};
    std::optional<std::string> token;
    if (auto cookies = req.header("Cookie")) token = http::cookieValue(*cookies, kCookie);
    std::optional<std::string> sessionLogin =
        token ? members_.siteSessionLogin(*token) : std::nullopt;

    if (stem == "login") {
        if (!post) {
            html(res, 200, site::loginPage(lang, "", ""));
            return true;
        }
        const std::string login = value(form, "name"), pass = value(form, "pass");
        const bool fromSite = value(form, "destination") == "profile";
        std::optional<Member> member;
        if (value(form, "form_id") == "user_login" && !login.empty() && !pass.empty())
            member = members_.authenticate(login, pass);
        if (!member) {
            res.logDetail = "site login refused";
            if (fromSite)
                html(res, 200,
                     site::loginPage(lang, login,
                                     site::pick(lang, "Identifiant ou mot de passe incorrect.",
                                                "Wrong login or password.")));
            else
                res.setContent(site::loginStatus(false), "application/json");
            return true;
        }
        if (sessionLogin == member->login && !fromSite) {
            // The second request of a login: the session is the member's, the profile follows.
            res.logDetail = "site profile " + member->login;
            html(res, 200, site::profilePage(lang, *member));
            return true;
        }
        auto fresh = members_.openSiteSession(member->login);
        if (!fresh) {
            res.status = 500;
            res.setContent(site::loginStatus(false), "application/json");
            return true;
        }
        res.headers.emplace_back("Set-Cookie", sessionCookie(*fresh));
        res.logDetail = "site login " + member->login;
        if (fromSite)
            redirect(res, "/site/profile_" + suffix + ".html");
        else
            res.setContent(site::loginStatus(true, member->login), "application/json");
        return true;
    }

    if (stem == "profile") {
        auto member = sessionLogin ? members_.member(*sessionLogin) : std::nullopt;
        if (!member) {
            redirect(res, "/site/login_" + suffix + ".html");
            return true;
        }
        html(res, 200, site::profilePage(lang, *member));
        return true;
    }

    if (stem == "logout") {
        if (token) members_.closeSiteSession(*token);
        res.headers.emplace_back("Set-Cookie", clearedCookie());
        res.logDetail = sessionLogin ? "site logout " + *sessionLogin : "site logout";
        html(res, 200, site::logoutPage(lang));
        return true;
    }

    // register
    if (!post) {
        html(res, 200, site::registerPage(lang, {}, {}));
        return true;
    }
    site::RegistrationForm f{value(form, "login"),    value(form, "firstname"),
                             value(form, "lastname"), value(form, "gender"),
                             value(form, "age"),      value(form, "country")};
    const std::string pass = value(form, "pass");
    std::vector<std::string> errors;
    auto check = [&](bool ok, const char* french, const char* english) {
        if (!ok) errors.emplace_back(site::pick(lang, french, english));
    };
    int age = 0;
    auto [end, ec] = std::from_chars(f.age.data(), f.age.data() + f.age.size(), age);
    check(isLogin(f.login),
          "L'identifiant doit compter 3 à 32 lettres, chiffres, points, tirets ou soulignés.",
          "The login must hold 3 to 32 letters, digits, dots, dashes or underscores.");
    check(pass.size() >= 6 && pass.size() <= 128 && isCleanText(pass, 128),
          "Le mot de passe doit compter 6 à 128 caractères.",
          "The password must hold 6 to 128 characters.");
    check(isCleanText(f.firstName, kMaxName), "Indiquez votre prénom.", "Give your first name.");
    check(isCleanText(f.lastName, kMaxName), "Indiquez votre nom.", "Give your last name.");
    check(f.gender == "male" || f.gender == "female" || f.gender == "other",
          "Choisissez un sexe dans la liste.", "Choose a gender from the list.");
    check(ec == std::errc() && end == f.age.data() + f.age.size() && age >= 13 && age <= 120,
          "L'âge doit être un nombre de 13 à 120.", "The age must be a number from 13 to 120.");
    check(isCleanText(f.country, kMaxName), "Indiquez votre pays.", "Give your country.");
    if (!errors.empty()) {
        res.logDetail = "site registration refused";
        html(res, 400, site::registerPage(lang, f, errors));
        return true;
    }
    Member m;
    m.login = f.login;
    m.firstName = f.firstName;
    m.lastName = f.lastName;
    m.sexe = f.gender;
    m.dateOfBirth = std::to_string(age);
    m.country = f.country;
    switch (members_.createAccount(m, pass)) {
    case MemberStore::Creation::Created:
        res.logDetail = "site registration " + m.login;
        html(res, 201, site::registeredPage(lang, m.login));
        break;
    case MemberStore::Creation::LoginTaken:
        html(res, 409,
             site::registerPage(lang, f,
                                {site::pick(lang, "Cet identifiant est déjà pris.",
                                            "This login is already taken.")}));
        break;
    case MemberStore::Creation::Failed:
        html(res, 500,
             site::registerPage(lang, f,
                                {site::pick(lang, "L'inscription a échoué, réessayez plus tard.",
                                            "The registration failed, please try later.")}));
        break;
    }
    return true;
}

} // namespace zserver
