// Binding of the configuration's web request names to their handlers.
#include "server/content_handlers.h"

#include "server/feed_handlers.h"
#include "server/member_handlers.h"
#include "server/report_handler.h"

namespace zserver {

std::map<int, WebRequestHandler> contentHandlers(const WebRequestContext& ctx,
                                                 const std::map<std::string, int>& ids) {
    std::map<int, WebRequestHandler> table;
    auto id = [&](const char* name) -> std::optional<int> {
        auto it = ids.find(name);
        if (it == ids.end()) return std::nullopt;
        return it->second;
    };
    auto bind = [&](const char* name, auto make) {
        if (auto i = id(name)) table[*i] = make();
    };

    bind("id_wr_connexion", [&] { return memberRegistration(ctx); });
    bind("id_wr_deconnexion", [&] { return memberLogout(ctx); });
    for (const char* feed :
         {"id_wr_twitter", "id_wr_news_en", "id_wr_news_fr", "id_wr_videos_2010"})
        bind(feed, [&] { return pagedFeed(ctx, *id(feed), false); });
    // The older video query answers the same list.
    if (auto videos = id("id_wr_videos_2010"))
        bind("id_wr_videos", [&] { return pagedFeed(ctx, *videos, false); });

    if (auto disco = id("id_wr_disco")) {
        bind("id_wr_disco", [&] { return discographyIndex(ctx, *disco); });
        bind("id_wr_disco_album", [&] { return trackList(ctx, *disco, "album"); });
        bind("id_wr_disco_maxi", [&] { return trackList(ctx, *disco, "maxi"); });
        bind("id_wr_disco_compil", [&] { return trackList(ctx, *disco, "compil"); });
    }

    auto past = id("id_wr_concerts_past"), future = id("id_wr_concerts_futur");
    if (past) bind("id_wr_concerts_past", [&] { return pagedFeed(ctx, *past, true); });
    if (future) bind("id_wr_concerts_futur", [&] { return pagedFeed(ctx, *future, true); });
    if (past && future) {
        bind("id_wr_concerts_photos", [&] { return concertAlbum(ctx, *past, *future); });
        // The older album query answers the same albums.
        bind("id_wr_photos", [&] { return concertAlbum(ctx, *past, *future); });
    }
    if (past) bind("id_wr_reporter", [&] { return photoReportUpload(ctx, *past); });

    bind("id_wr_membres_forzone", [&] { return membersInZone(ctx); });
    bind("id_wr_membres_aroundme", [&] { return membersAround(ctx); });

    if (auto shows = id("id_wr_showlive_2010")) {
        bind("id_wr_showlive_2010", [&] { return showLive(ctx, *shows, ShowSelection::All); });
        bind("id_wr_showlive_next", [&] { return showLive(ctx, *shows, ShowSelection::Upcoming); });
        bind("id_wr_showlive_preview", [&] { return showLive(ctx, *shows, ShowSelection::Past); });
    }
    return table;
}

} // namespace zserver
