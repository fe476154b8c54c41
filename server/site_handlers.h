// The member site's answered pages, in French ("_fr") and English ("_en"):
//
//   site/login_LANG.html     GET: the login form. POST "name", "pass", "form_id" = "user_login",
//                            "form_build_id", "op" (URL-encoded form): with right credentials
//                            and no site session of that member, opens one (cookie "ZSITE") and
//                            answers {"status":true,…}; with right credentials and that
//                            session's cookie, answers the member's profile page; with wrong
//                            ones, {"status":false} and no cookie. The site's own form adds
//                            "destination" = "profile" and is sent on to the profile page.
//   site/profile_LANG.html   the profile of the session's member, else sent to the login form
//   site/logout_LANG.html    ends the session and clears its cookie
//   site/register_LANG.html  GET: the registration form. POST "login", "pass", "firstname",
//                            "lastname", "gender", "age", "country": creates the member
//
// The other site pages (index, legal notice, news, store, videos) are static files of the
// content directory.
#pragma once

#include "server/http_message.h"
#include "server/member_store.h"

namespace zserver {

class SiteHandlers {
  public:
    explicit SiteHandlers(MemberStore& members) : members_(members) {}
    // Answers one of the pages above; false when the address is none of them.
    bool handle(const http::Request& req, http::Response& res);

    static constexpr const char* kCookie = "ZSITE";

  private:
    MemberStore& members_;
};

} // namespace zserver
