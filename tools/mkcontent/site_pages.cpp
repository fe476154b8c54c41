// The demo site's static pages, bilingual where one address serves both languages.
#include "site_pages.h"

#include <cstdio>

#include "server/html_page.h"

namespace mkcontent {
namespace {

using zserver::site::escapeHtml;
using zserver::site::Lang;
using zserver::site::page;

std::string twoDigits(size_t n) {
    char b[24];
    std::snprintf(b, sizeof b, "%02zu", n);
    return b;
}

// Addresses of the server's own content, taken from the server's root.
std::string local(std::string text) {
    const std::string mark = kServer;
    for (size_t p = 0; (p = text.find(mark, p)) != std::string::npos; ++p)
        text.replace(p, mark.size(), "/");
    return text;
}

std::string videoElement(const std::string& clip, const std::string& poster) {
    return "<video controls preload=\"metadata\" width=\"320\" height=\"240\" poster=\"/" + poster +
           "\">\n<source src=\"/" + clip + "\" type=\"video/webm\">\n<p><a href=\"/" + clip +
           "\">clip</a></p>\n</video>";
}

std::string minutes(int seconds) {
    char b[16];
    std::snprintf(b, sizeof b, "%d:%02d", seconds / 60, seconds % 60);
    return b;
}

const char* const kMentionsFR =
    "<h1>Mentions légales</h1>\n"
    "<h2>Éditeur</h2>\n<p>Ce site et l'application Zephrun forment une démonstration&nbsp;: le "
    "serveur de référence les sert depuis votre propre machine. Rien de ce que vous y faites ne "
    "quitte cet ordinateur.</p>\n"
    "<h2>Contenu</h2>\n<p>Les textes, images, extraits et vidéos sont créés pour la "
    "démonstration. Toute ressemblance avec des personnes ou des œuvres existantes serait "
    "fortuite.</p>\n"
    "<h2>Données personnelles</h2>\n<p>Votre compte (identifiant, prénom, nom, sexe, âge, pays) "
    "et la position que vous choisissez de partager servent seulement à la carte des membres. "
    "Les mots de passe sont conservés sous forme d'empreinte, jamais en clair. Pour supprimer "
    "votre compte, adressez-vous à l'administrateur du serveur.</p>\n"
    "<h2>Cookies</h2>\n<p>Un seul cookie, «&nbsp;ZSITE&nbsp;», garde votre session sur le site. "
    "Il disparaît à la déconnexion.</p>\n"
    "<h2>Reportages photo</h2>\n<p>En envoyant une photo depuis l'application, vous acceptez "
    "qu'elle soit publiée dans l'album du concert.</p>";

const char* const kMentionsEN =
    "<h1>Legal notice</h1>\n"
    "<h2>Publisher</h2>\n<p>This site and the Zephrun application are a demonstration: the "
    "reference server serves them from your own machine. Nothing you do here leaves this "
    "computer.</p>\n"
    "<h2>Content</h2>\n<p>The texts, pictures, excerpts and videos were made for the "
    "demonstration. Any likeness to real people or works would be a coincidence.</p>\n"
    "<h2>Personal data</h2>\n<p>Your account (login, first name, last name, gender, age, "
    "country) and the position you choose to share are used for the members' map only. "
    "Passwords are kept as a hash, never in clear. To have your account removed, ask the "
    "server's administrator.</p>\n"
    "<h2>Cookies</h2>\n<p>One cookie only, \"ZSITE\", keeps your session on the site. It goes "
    "when you log out.</p>\n"
    "<h2>Photo reports</h2>\n<p>By sending a photo from the application, you agree to its "
    "publication in the concert's album.</p>";

std::string newsArticle(const NewsItem& item, Lang lang, size_t index) {
    std::string body = item.html;
    // Our clips stand in for the old player's embedded videos.
    size_t open = body.find("<object"), close = body.find("</object>");
    if (open != std::string::npos && close != std::string::npos && close > open) {
        std::string n = twoDigits(index % 24 + 1);
        body.replace(
            open, close + 9 - open,
            videoElement("media/clips/clip_" + n + ".webm", "media/videos/clip_" + n + ".jpg"));
    }
    return std::string("<article lang=\"") + zserver::site::code(lang) + "\">\n<h1>" +
           escapeHtml(item.title) + "</h1>\n<p class=\"meta\">" + escapeHtml(item.date) + "</p>\n" +
           local(body) + "\n</article>";
}

std::string storePage(const Release& r, const Track& t, size_t number) {
    std::string s = slug(r.title);
    std::string body = "<h1>" + escapeHtml(t.title) + "</h1>\n<p class=\"meta\">" +
                       escapeHtml(t.artist) + " · " + escapeHtml(r.title) + " (" + r.year +
                       ") · #" + std::to_string(number) + " · " + t.duration + "</p>\n";
    body += "<p><img src=\"/" + r.cover + "\" alt=\"" + escapeHtml(r.title) +
            "\" width=\"150\" height=\"150\"></p>\n";
    if (!t.preview.empty())
        body += "<p><audio controls preload=\"none\" src=\"/" + t.preview + "\"></audio></p>\n";
    body += "<section lang=\"fr\">\n<p>Prix&nbsp;: 0,99&nbsp;€ le titre.</p>\n"
            "<p>Boutique de démonstration&nbsp;: aucun achat n'y est possible.</p>\n</section>\n"
            "<section lang=\"en\">\n<p>Price: €0.99 a track.</p>\n"
            "<p>A demonstration store: nothing can be bought here.</p>\n</section>";
    return page(Lang::French, t.title, body);
}

std::string videoPage(const Video& v) {
    std::string body = "<h1>" + escapeHtml(v.title) + "</h1>\n" +
                       videoElement(v.clip, v.thumbnail) + "\n<p class=\"meta\">" +
                       minutes(v.length) + " · " + std::to_string(v.views) + " vues / views · " +
                       std::to_string(v.note) + "/5</p>\n<p><a href=\"/site/\">Zephrun</a></p>";
    return page(Lang::French, v.title, body);
}

std::string indexPage(const DemoContent& c) {
    std::string body =
        "<h1>Zephrun</h1>\n<section lang=\"fr\">\n<p>Le site des fans de Zephrun.</p>\n<ul>\n"
        "<li><a href=\"login_fr.html\">Connexion</a></li>\n"
        "<li><a href=\"register_fr.html\">Inscription</a></li>\n"
        "<li><a href=\"mentions_fr.html\">Mentions légales</a></li>\n</ul>\n</section>\n"
        "<section lang=\"en\">\n<p>The site of Zephrun's fans.</p>\n<ul>\n"
        "<li><a href=\"login_en.html\">Log in</a></li>\n"
        "<li><a href=\"register_en.html\">Sign up</a></li>\n"
        "<li><a href=\"mentions_en.html\">Legal notice</a></li>\n</ul>\n</section>\n"
        "<h2>News</h2>\n<ul>\n";
    for (size_t i = 0; i < c.newsFR.size(); ++i)
        body += "<li><a href=\"news/" + twoDigits(i + 1) + ".html\">" +
                escapeHtml(c.newsFR[i].title) + "</a></li>\n";
    body += "</ul>\n<h2>Vidéos / Videos</h2>\n<ul>\n";
    for (const Video& v : c.videos)
        body += "<li><a href=\"" + local(v.url) + "\">" + escapeHtml(v.title) + "</a></li>\n";
    body += "</ul>";
    return page(Lang::French, "Zephrun", body);
}

} // namespace

void addSitePages(Files& out, const DemoContent& c) {
    out["site/index.html"] = indexPage(c);
    out["site/style.css"] = zserver::site::styleSheet();
    out["site/mentions_fr.html"] =
        page(Lang::French, "Mentions légales", kMentionsFR, "mentions_en.html");
    out["site/mentions_en.html"] =
        page(Lang::English, "Legal notice", kMentionsEN, "mentions_fr.html");
    for (size_t i = 0; i < c.newsFR.size() && i < c.newsEN.size(); ++i)
        out["site/news/" + twoDigits(i + 1) + ".html"] =
            page(Lang::French, c.newsFR[i].title,
                 newsArticle(c.newsFR[i], Lang::French, i) + "\n" +
                     newsArticle(c.newsEN[i], Lang::English, i));
    for (const Release& r : c.releases)
        for (size_t n = 0; n < r.tracks.size(); ++n) {
            const Track& t = r.tracks[n];
            const std::string prefix = std::string(kServer) + "store/";
            if (t.store.rfind(prefix, 0) != 0) continue;
            out[t.store.substr(std::string(kServer).size())] = storePage(r, t, n + 1);
        }
    for (const Video& v : c.videos) out[local(v.url).substr(1)] = videoPage(v);
}

} // namespace mkcontent
