// Feed handlers over the content directory's files and the photo report store.
#include "server/feed_handlers.h"

#include <algorithm>

#include "server/content_records.h"
#include "server/reply_builder.h"
#include "server/request_log.h"

namespace zserver {
namespace {

std::string attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + escapeXml(value) + "\"";
}

std::string element(const char* name, const std::string& text) {
    return std::string("<") + name + ">" + escapeXml(text) + "</" + name + ">";
}

std::string plusAsSpace(std::string s) {
    std::replace(s.begin(), s.end(), '+', ' ');
    return s;
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

} // namespace

std::vector<std::string> concertIds(const ContentDirectory& content, int feedId) {
    std::vector<std::string> ids;
    for (int page = 1; page <= 1000; ++page) {
        auto doc = content.feedPage(feedId, page);
        if (!doc) break;
        if (auto records = readRecords(*doc, {"concert"}))
            for (const ContentRecord& r : *records) ids.push_back(r.attribute("id"));
    }
    return ids;
}

WebRequestHandler pagedFeed(const WebRequestContext& ctx, int fileId, bool asElement) {
    return [ctx, fileId, asElement](const Action& a) {
        auto page = pageParam(a);
        auto doc = page ? ctx.content->feedPage(fileId, *page) : std::nullopt;
        if (!doc) return WebRequestAnswer{};
        std::string text = withServerAddress(*doc, ctx.baseURL());
        return asElement ? elementAnswer(text) : xmlpipeAnswer(text);
    };
}

WebRequestHandler discographyIndex(const WebRequestContext& ctx, int discoId) {
    return [ctx, discoId](const Action&) {
        auto doc = ctx.content->feedPage(discoId, 1);
        if (!doc) return WebRequestAnswer{};
        return xmlpipeAnswer(withServerAddress(*doc, ctx.baseURL()));
    };
}

WebRequestHandler trackList(const WebRequestContext& ctx, int discoId, const char* kind) {
    std::string element = kind;
    return [ctx, discoId, element](const Action& a) {
        auto name = param(a, "name");
        auto index = ctx.content->feedPage(discoId, 1);
        auto releases = index ? readRecords(*index, {element}) : std::nullopt;
        if (!name || !releases) return WebRequestAnswer{};
        for (const ContentRecord& r : *releases) {
            std::string title = plusAsSpace(trimmed(r.child("titre")));
            if (title.empty() || title != trimmed(*name)) continue;
            // The title comes from the index; a title that would leave "disques/" is no release.
            if (title.find('/') != std::string::npos || title[0] == '.') break;
            std::string file = title;
            std::replace(file.begin(), file.end(), ' ', '_');
            auto doc = ctx.content->document("disques/" + file + ".xml");
            if (!doc) break;
            return xmlpipeAnswer(withServerAddress(*doc, ctx.baseURL()));
        }
        return WebRequestAnswer{};
    };
}

WebRequestHandler showLive(const WebRequestContext& ctx, int showId, ShowSelection which) {
    return [ctx, showId, which](const Action&) {
        auto doc = ctx.content->feedPage(showId, 1);
        if (!doc) return WebRequestAnswer{};
        if (which == ShowSelection::All)
            return elementAnswer(withServerAddress(*doc, ctx.baseURL()));
        auto items = readRecords(*doc, {"item"});
        if (!items) return WebRequestAnswer{};
        const std::string now = protocolNow();
        std::string out = "<xml>";
        for (const ContentRecord& r : *items) {
            bool upcoming = r.attribute("date") >= now;
            if (upcoming != (which == ShowSelection::Upcoming)) continue;
            out += "<item" + attr("id", r.attribute("id")) + attr("date", r.attribute("date")) +
                   ">" + element("title", r.child("title")) +
                   element("contenu", r.child("contenu")) + "</item>";
        }
        out += "</xml>";
        return elementAnswer(withServerAddress(out, ctx.baseURL()));
    };
}

WebRequestHandler concertAlbum(const WebRequestContext& ctx, int pastId, int futureId) {
    return [ctx, pastId, futureId](const Action& a) {
        auto page = pageParam(a);
        auto concert = param(a, "id_concert");
        if (!page || !concert || concert->empty()) return WebRequestAnswer{};
        auto past = concertIds(*ctx.content, pastId), future = concertIds(*ctx.content, futureId);
        if (std::find(past.begin(), past.end(), *concert) == past.end() &&
            std::find(future.begin(), future.end(), *concert) == future.end())
            return WebRequestAnswer{};

        const std::string base = ctx.baseURL();
        std::vector<std::string> photos;
        if (auto seed = ctx.content->document("photos.xml")) {
            if (auto records = readRecords(*seed, {"photo"}))
                for (const ContentRecord& r : *records) {
                    if (r.attribute("concert") != *concert) continue;
                    // Only the server's own content names the server; what fans sent is
                    // answered as they wrote it.
                    photos.push_back(
                        withServerAddress("<photo" + attr("src", r.attribute("src")) + ">" +
                                              element("auteur", r.child("auteur")) +
                                              element("commentaire", r.child("commentaire")) +
                                              element("date", r.child("date")) + "</photo>",
                                          base));
                }
        }
        for (const PhotoReport& r : ctx.reports->forConcert(*concert))
            photos.push_back("<photo" +
                             attr("src", base + "reports/" + std::to_string(r.id) + ".jpg") + ">" +
                             element("auteur", r.author) + element("commentaire", r.comment) +
                             element("date", r.date) + "</photo>");

        const int total = static_cast<int>(photos.size());
        const int pages = std::max(1, (total + kPhotosPerPage - 1) / kPhotosPerPage);
        if (*page < 1 || *page > pages) return WebRequestAnswer{};
        std::string out = "<photos" + attr("total", std::to_string(total)) +
                          attr("page", std::to_string(*page)) +
                          attr("nbpage", std::to_string(pages)) + ">";
        for (int i = (*page - 1) * kPhotosPerPage; i < std::min(total, *page * kPhotosPerPage); ++i)
            out += photos[static_cast<size_t>(i)];
        out += "</photos>";
        return elementAnswer(out);
    };
}

} // namespace zserver
