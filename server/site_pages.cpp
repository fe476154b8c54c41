// HTML of the member site's answered pages, in French and English.
#include "server/site_pages.h"

namespace zserver::site {
namespace {

std::string other(Lang lang, const std::string& stem) {
    return stem + (lang == Lang::French ? "_en.html" : "_fr.html");
}

std::string self(Lang lang, const std::string& stem) {
    return stem + "_" + code(lang) + ".html";
}

std::string field(const char* name, const char* label, const char* type, const std::string& value,
                  const char* extra = "") {
    return std::string("<p><label for=\"") + name + "\">" + label + "</label><input id=\"" + name +
           "\" name=\"" + name + "\" type=\"" + type + "\" value=\"" + escapeHtml(value) + "\"" +
           extra + "></p>\n";
}

// Every character past ASCII written as a numeric reference: the member account reads the
// profile as ASCII text, so the page must be ASCII whatever the names hold.
std::string asciiOnly(const std::string& html) {
    std::string out;
    out.reserve(html.size());
    for (size_t i = 0; i < html.size();) {
        auto c = static_cast<unsigned char>(html[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 1 || n == 0 || i + n > html.size()) {
            out += n == 1 ? static_cast<char>(c) : '?';
            ++i;
            continue;
        }
        unsigned code = c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) code = (code << 6) | (html[i + k] & 0x3F);
        out += "&#" + std::to_string(code) + ";";
        i += n;
    }
    return out;
}

const char* genderLabel(Lang lang, const std::string& gender) {
    if (gender == "male") return pick(lang, "Homme", "Man");
    if (gender == "female") return pick(lang, "Femme", "Woman");
    return pick(lang, "Autre", "Other");
}

} // namespace

std::string loginPage(Lang lang, const std::string& login, const std::string& error) {
    std::string body = std::string("<h1>") + pick(lang, "Connexion", "Log in") + "</h1>\n";
    if (!error.empty()) body += "<p class=\"error\">" + escapeHtml(error) + "</p>\n";
    body += "<form method=\"post\" action=\"" + self(lang, "login") + "\">\n";
    body += field("name", pick(lang, "Identifiant", "Login"), "text", login,
                  " required autocomplete=\"username\"");
    body += field("pass", pick(lang, "Mot de passe", "Password"), "password", "",
                  " required autocomplete=\"current-password\"");
    body += "<input type=\"hidden\" name=\"form_id\" value=\"user_login\">\n"
            "<input type=\"hidden\" name=\"form_build_id\" value=\"\">\n"
            "<input type=\"hidden\" name=\"destination\" value=\"profile\">\n";
    body += std::string("<p><button type=\"submit\" name=\"op\" value=\"") +
            pick(lang, "Connexion", "Log in") + "\">" + pick(lang, "Se connecter", "Log in") +
            "</button></p>\n</form>\n";
    body += std::string("<p>") + pick(lang, "Pas encore membre ? ", "Not a member yet? ") +
            "<a href=\"" + self(lang, "register") + "\">" +
            pick(lang, "Inscrivez-vous", "Sign up") + "</a>.</p>";
    return page(lang, pick(lang, "Connexion", "Log in"), body, other(lang, "login"));
}

std::string profilePage(Lang lang, const Member& m) {
    std::string body = std::string("<h1>") + pick(lang, "Profil de ", "Profile of ") +
                       escapeHtml(m.login) + "</h1>\n<dl class=\"profile\">\n";
    auto row = [&](const char* label, const char* key, const std::string& value) {
        body += std::string("<dt>") + label + "</dt><dd class=\"profile-profile_" + key + "\">" +
                escapeHtml(value) + "</dd>\n";
    };
    row(pick(lang, "Prénom", "First name"), "first", m.firstName);
    row(pick(lang, "Nom", "Last name"), "last", m.lastName);
    row(pick(lang, "Sexe", "Gender"), "gender", m.sexe);
    row(pick(lang, "Âge", "Age"), "age", m.dateOfBirth);
    row(pick(lang, "Pays", "Country"), "country", m.country);
    body += "</dl>\n<p><a href=\"" + self(lang, "logout") + "\">" +
            pick(lang, "Se déconnecter", "Log out") + "</a></p>";
    return asciiOnly(page(lang, pick(lang, "Profil", "Profile"), body, other(lang, "profile")));
}

std::string logoutPage(Lang lang) {
    std::string body = std::string("<h1>") + pick(lang, "Déconnexion", "Logged out") +
                       "</h1>\n<p>" +
                       pick(lang, "Vous êtes déconnecté du site. À bientôt !",
                            "You are logged out of the site. See you soon!") +
                       "</p>\n<p><a href=\"" + self(lang, "login") + "\">" +
                       pick(lang, "Se connecter à nouveau", "Log in again") + "</a></p>";
    return page(lang, pick(lang, "Déconnexion", "Logged out"), body, other(lang, "logout"));
}

std::string registerPage(Lang lang, const RegistrationForm& f,
                         const std::vector<std::string>& errors) {
    std::string body = std::string("<h1>") + pick(lang, "Inscription", "Sign up") + "</h1>\n";
    body += std::string("<p>") +
            pick(lang,
                 "Devenez membre pour accéder aux news, à la discographie, aux vidéos, "
                 "à la table de mix et à la communauté.",
                 "Become a member to reach the news, the discography, the videos, the mix table "
                 "and the community.") +
            "</p>\n";
    for (const std::string& e : errors) body += "<p class=\"error\">" + escapeHtml(e) + "</p>\n";
    body += "<form method=\"post\" action=\"" + self(lang, "register") + "\">\n";
    body += field("login",
                  pick(lang, "Identifiant (3 à 32 lettres, chiffres, . _ -)",
                       "Login (3 to 32 letters, digits, . _ -)"),
                  "text", f.login, " required maxlength=\"32\" autocomplete=\"username\"");
    body += field(
        "pass",
        pick(lang, "Mot de passe (6 caractères au moins)", "Password (at least 6 characters)"),
        "password", "", " required minlength=\"6\" autocomplete=\"new-password\"");
    body += field("firstname", pick(lang, "Prénom", "First name"), "text", f.firstName,
                  " required maxlength=\"64\"");
    body += field("lastname", pick(lang, "Nom", "Last name"), "text", f.lastName,
                  " required maxlength=\"64\"");
    body += std::string("<p><label for=\"gender\">") + pick(lang, "Sexe", "Gender") +
            "</label><select id=\"gender\" name=\"gender\">\n";
    for (const char* g : {"female", "male", "other"})
        body += std::string("<option value=\"") + g + "\"" + (f.gender == g ? " selected" : "") +
                ">" + genderLabel(lang, g) + "</option>\n";
    body += "</select></p>\n";
    body +=
        field("age", pick(lang, "Âge", "Age"), "number", f.age, " required min=\"13\" max=\"120\"");
    body += field("country", pick(lang, "Pays", "Country"), "text", f.country,
                  " required maxlength=\"64\"");
    body += std::string("<p><button type=\"submit\">") + pick(lang, "S'inscrire", "Sign up") +
            "</button></p>\n</form>";
    return page(lang, pick(lang, "Inscription", "Sign up"), body, other(lang, "register"));
}

std::string registeredPage(Lang lang, const std::string& login) {
    std::string body = std::string("<h1>") + pick(lang, "Bienvenue !", "Welcome!") + "</h1>\n<p>" +
                       pick(lang, "Votre compte est créé : ", "Your account is ready: ") +
                       "<strong>" + escapeHtml(login) + "</strong>.</p>\n<p>" +
                       pick(lang, "Vous pouvez maintenant vous connecter depuis l'application ou ",
                            "You can now log in from the application or ") +
                       "<a href=\"" + self(lang, "login") + "\">" +
                       pick(lang, "sur le site", "on the site") + "</a>.</p>";
    return page(lang, pick(lang, "Bienvenue", "Welcome"), body, other(lang, "login"));
}

std::string loginStatus(bool ok, const std::string& login) {
    if (!ok) return "{\"status\":false}\n";
    std::string escaped;
    for (char c : login) {
        // Logins are letters, digits and ". _ -"; anything else would not be one.
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) continue;
        escaped += c;
    }
    return "{\"status\":true,\"user\":{\"name\":\"" + escaped + "\"}}\n";
}

} // namespace zserver::site
