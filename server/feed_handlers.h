// Web request handlers of the content feeds: pages of the feed files, the discography and its
// track lists, the show announcements and the concerts' photo albums.
//
// A page outside 1 .. nbpage (or a "num_page" that is not a number) is answered with status
// "error", as is an unknown release or concert: the models then keep what they hold.
#pragma once

#include "server/web_request_context.h"

namespace zserver {

// Pages "feeds/FILEID.xml", "feeds/FILEID-N.xml" by "num_page": xmlpipe documents in a CDATA
// section, or (asElement) complete elements such as "concerts".
WebRequestHandler pagedFeed(const WebRequestContext& ctx, int fileId, bool asElement);

// The discography index: "feeds/DISCOID.xml", not paged.
WebRequestHandler discographyIndex(const WebRequestContext& ctx, int discoId);

// The track list of the release of kind `element` ("album", "maxi" or "compil") whose title is
// the parameter "name", looked up in the index (never used as a path).
WebRequestHandler trackList(const WebRequestContext& ctx, int discoId, const char* element);

// The show announcements "feeds/SHOWID.xml" as one "xml" element: all of them, or only those
// dated from now on (`upcoming`) or before now (`!upcoming`).
enum class ShowSelection { All, Upcoming, Past };
WebRequestHandler showLive(const WebRequestContext& ctx, int showId, ShowSelection which);

// The photo album of the concert "id_concert" (a concert of either concert feed): the photos
// of "photos.xml", then the fans' reports, oldest first, 6 a page by "num_page".
inline constexpr int kPhotosPerPage = 6;
WebRequestHandler concertAlbum(const WebRequestContext& ctx, int pastId, int futureId);

// The concert ids of every page of a concert feed.
std::vector<std::string> concertIds(const ContentDirectory& content, int feedId);

} // namespace zserver
