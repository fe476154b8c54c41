// Feed pages as the server answers them: one element per line, the XML declaration first.
#include "feed_documents.h"

#include <cstdio>

#include "platform/text_date.h"
#include "site_pages.h"

namespace mkcontent {
namespace {

const char* const kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string server(const std::string& path) {
    return std::string(kServer) + path;
}

std::string element(const std::string& name, const std::string& text) {
    return "<" + name + ">" + zplatform::escapingXml(text) + "</" + name + ">";
}

std::string attr(const std::string& name, const std::string& value) {
    return " " + name + "=\"" + zplatform::escapingXml(value) + "\"";
}

std::string coordinate(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.4f", v);
    return b;
}

std::string pagingAttrs(size_t total, int page, int pages) {
    return attr("total", std::to_string(total)) + attr("page", std::to_string(page)) +
           attr("nbpage", std::to_string(pages));
}

std::string pageFile(int id, int page) {
    return "feeds/" + std::to_string(id) + (page == 1 ? "" : "-" + std::to_string(page)) + ".xml";
}

// Splits `items` into pages of `perPage` and writes each page as `open` + items + `close`,
// wrapped in the xmlpipe root when `xmlpipe`. A feed without items has one empty page.
template <typename T, typename ItemText>
void writePages(Files& out, int id, const std::vector<T>& items, int perPage,
                const std::string& list, bool xmlpipe, ItemText itemText) {
    int pages = items.empty() ? 1 : static_cast<int>((items.size() + perPage - 1) / perPage);
    for (int page = 1; page <= pages; ++page) {
        std::string text = kDeclaration;
        if (xmlpipe) text += "<xmlpipe>\n";
        text += "<" + list + pagingAttrs(items.size(), page, pages) + ">\n";
        for (size_t i = static_cast<size_t>(page - 1) * perPage;
             i < items.size() && i < static_cast<size_t>(page) * perPage; ++i)
            text += itemText(items[i]) + "\n";
        text += "</" + list + ">\n";
        if (xmlpipe) text += "</xmlpipe>\n";
        out[pageFile(id, page)] = text;
    }
}

std::string newsItem(const NewsItem& n) {
    return "<new>" + element("title", n.title) + element("date", n.date) +
           element("description", n.html) + "</new>";
}

std::string plusForSpaces(std::string text) {
    for (char& ch : text)
        if (ch == ' ') ch = '+';
    return text;
}

std::string underscoreForSpaces(std::string text) {
    for (char& ch : text)
        if (ch == ' ') ch = '_';
    return text;
}

const char* kindElement(ReleaseKind k) {
    switch (k) {
    case ReleaseKind::Album:
        return "album";
    case ReleaseKind::Maxi:
        return "maxi";
    default:
        return "compil";
    }
}

std::string trackList(const Release& r) {
    std::string text = kDeclaration;
    text += "<xmlpipe>\n<disque" + attr("titre", plusForSpaces(r.title)) + ">\n";
    for (const Track& t : r.tracks) {
        text += "<track>" + element("titre", t.title) + element("artiste", t.artist) +
                element("duree", t.duration) +
                element("extrait", t.preview.empty() ? "null" : server(t.preview)) +
                element("iTunes", t.store.empty() ? "null" : t.store) + "</track>\n";
    }
    text += "</disque>\n</xmlpipe>\n";
    return text;
}

std::string concertItem(const Concert& k) {
    return "<concert" + attr("id", k.id) + attr("latitude", coordinate(k.latitude)) +
           attr("longitude", coordinate(k.longitude)) + ">" + element("titre", k.title) +
           element("date", k.date) + element("adresse", k.address) + "</concert>";
}

std::string removeChars(const std::string& text, const std::string& chars) {
    std::string out;
    for (char ch : text)
        if (chars.find(ch) == std::string::npos) out += ch;
    return out;
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
    for (size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += with.size())
        text.replace(pos, what.size(), with);
    return text;
}

// The model's kept form of an xmlpipe page: line feeds removed (the models remove them from the
// whole reply), the declaration and the closing root left out.
std::string keptXmlpipe(const std::string& page) {
    std::string text = removeChars(page, "\n");
    text = text.substr(text.find("?>") + 2);
    return text.substr(0, text.rfind("</xmlpipe>"));
}

std::string keptElement(const std::string& page, const std::string& chars) {
    std::string text = removeChars(page, chars);
    return text.substr(text.find("?>") + 2);
}

} // namespace

Files serverContent(const DemoContent& c, const FeedIds& ids) {
    Files out;
    writePages(out, ids.newsFR, c.newsFR, kNewsPerPage, "news", true, newsItem);
    writePages(out, ids.newsEN, c.newsEN, kNewsPerPage, "news", true, newsItem);
    writePages(out, ids.twitter, c.tweets, kTweetsPerPage, "twitter", true, [](const Tweet& t) {
        return "<item>" + element("texte", t.text) + element("date", t.date) + "</item>";
    });
    writePages(out, ids.videos2010, c.videos, kVideosPerPage, "videos", true, [](const Video& v) {
        return "<video" + attr("url", v.url) + attr("src", server(v.thumbnail) + "?v=1") +
               attr("length", std::to_string(v.length)) + attr("note", std::to_string(v.note)) +
               attr("vu", std::to_string(v.views)) + ">" + element("titre", v.title) + "</video>";
    });
    writePages(out, ids.concertsPast, c.pastConcerts, kConcertsPerPage, "concerts", false,
               concertItem);
    writePages(out, ids.concertsFutur, c.futureConcerts, kConcertsPerPage, "concerts", false,
               concertItem);

    std::string disco = std::string(kDeclaration) + "<xmlpipe>\n<discographie" +
                        attr("total", std::to_string(c.releases.size())) + ">\n";
    for (const Release& r : c.releases) {
        disco += "<" + std::string(kindElement(r.kind)) + attr("total", r.year) + ">" +
                 element("titre", plusForSpaces(r.title)) + element("pochette", server(r.cover)) +
                 "</" + kindElement(r.kind) + ">\n";
        out["disques/" + underscoreForSpaces(r.title) + ".xml"] = trackList(r);
    }
    disco += "</discographie>\n</xmlpipe>\n";
    out[pageFile(ids.disco, 1)] = disco;

    std::string shows = std::string(kDeclaration) + "<xml>\n";
    for (const ShowLive& s : c.shows) {
        std::string lines;
        for (const std::string& l : s.lines) lines += (lines.empty() ? "" : "<br />") + l;
        shows += "<item" + attr("id", std::to_string(s.id)) + attr("date", s.date) + ">" +
                 element("title", s.title) + element("contenu", lines) + "</item>\n";
    }
    shows += "</xml>\n";
    out[pageFile(ids.showLive2010, 1)] = shows;

    std::string photos = std::string(kDeclaration) + "<photos>\n";
    for (const AlbumPhoto& p : c.photos)
        photos += "<photo" + attr("concert", p.concert) + attr("src", server(p.picture)) + ">" +
                  element("auteur", p.author) + element("commentaire", p.comment) +
                  element("date", p.date) + "</photo>\n";
    photos += "</photos>\n";
    out["photos.xml"] = photos;

    std::string members = std::string(kDeclaration) + "<membres>\n";
    for (const Member& m : c.members) {
        members += "<membre" + attr("login", m.login) + attr("sexe", m.sexe) +
                   attr("latitude", coordinate(m.latitude)) +
                   attr("longitude", coordinate(m.longitude));
        if (!m.passwordHash.empty())
            members += attr("firstname", m.firstName) + attr("lastname", m.lastName) +
                       attr("age", m.age) + attr("country", m.country) +
                       attr("password", m.passwordHash);
        members += "/>\n";
    }
    members += "</membres>\n";
    out["membres.xml"] = members;
    addSitePages(out, c);
    return out;
}

Files shippedCopies(const Files& server, const FeedIds& ids, const std::string& address) {
    Files out;
    auto page1 = [&](int id) { return replaceAll(server.at(pageFile(id, 1)), kServer, address); };
    out["ZephrunNewsFR.xml"] = keptXmlpipe(page1(ids.newsFR));
    out["ZephrunNewsEN.xml"] = keptXmlpipe(page1(ids.newsEN));
    out["ZephrunTwitter.xml"] = keptXmlpipe(page1(ids.twitter));
    out["ZephrunDisco.xml"] = keptXmlpipe(page1(ids.disco));
    out["ZephrunVideos.xml"] = keptXmlpipe(page1(ids.videos2010));
    out["ZephrunConcerts_1.xml"] = keptElement(page1(ids.concertsPast), "\n");
    out["ZephrunConcerts_2.xml"] = keptElement(page1(ids.concertsFutur), "\n");
    out["ZephrunShowLive2010.xml"] = keptElement(page1(ids.showLive2010), "\n\r\t");
    for (const auto& [name, text] : server) {
        if (name.rfind("disques/", 0) != 0) continue;
        out["ZephrunDisque_" + name.substr(8)] = keptXmlpipe(replaceAll(text, kServer, address));
    }
    return out;
}

} // namespace mkcontent
