// Web request handlers of the member account and the member map: registration with position,
// logout, members inside a zone and members around a position.
#pragma once

#include <vector>

#include "server/web_request_context.h"

namespace zserver {

inline constexpr size_t kMembersPerZone = 200;
inline constexpr size_t kMembersAround = 30;

// "login" (required), "sexe", "firstname", "lastname", "dateofbirth", "country", "isvisible"
// ("1": the position is known), "latitude", "longitude". Creates or updates the member, logged
// in; answered ok with no payload.
WebRequestHandler memberRegistration(const WebRequestContext& ctx);
// "login": logs the member out (off the map); error when the login is unknown.
WebRequestHandler memberLogout(const WebRequestContext& ctx);
// "latitude", "longitude", "spanlatitude", "spanlongitude": the region echoed in "position",
// then the members inside it (a span of 0 counts as 1 degree).
WebRequestHandler membersInZone(const WebRequestContext& ctx);
// "latitude", "longitude", "login": the members nearest to the position, other than the asker,
// and a region centred on the position that holds them.
WebRequestHandler membersAround(const WebRequestContext& ctx);

// The members answer: `<position …/><membres total="N">…</membres>`.
std::string membersDocument(const Region& region, const std::vector<Member>& members);

// The members of the content directory's "membres.xml"; those with a site account carry
// "firstname", "lastname", "age", "country" and "password" (its stored hash) as well.
std::vector<Member> seedMembers(const ContentDirectory& content);

} // namespace zserver
