// The fan community's members, their last positions and their accounts on the member site, kept
// in SQLite.
//
// A member is shown on the map while logged in (registration sets that, logout clears it) and
// visible (the device knew its position). A member who registered on the site has a password
// (kept hashed) and may open site sessions, named by the token of a cookie. Every member may be
// called from any thread; passwords are hashed and checked outside the store's lock.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/sqlite_db.h"

namespace zserver {

struct Member {
    std::string login;
    std::string sexe; // "male", "female" or anything else
    std::string firstName, lastName, dateOfBirth, country;
    double latitude = 0, longitude = 0;
    bool visible = false;
    bool connected = false;
    // Seed members only: the stored form of a password (password_hash.h), "" for none. The
    // store never hands it out.
    std::string passwordHash;
};

// A map region: centre and full spans, in degrees.
struct Region {
    double latitude = 0, longitude = 0, spanLatitude = 1, spanLongitude = 1;
};

class MemberStore {
  public:
    bool open(const std::string& path, std::string* error = nullptr);

    // Adds members not known yet (by login); known members keep what they registered.
    bool importSeed(const std::vector<Member>& members);
    // Creates the member of that login, or updates its profile and position; logged in. A site
    // account's password is kept.
    bool registerMember(const Member& m);
    // Logs the member out; false when the login is unknown.
    bool logout(const std::string& login);
    std::optional<Member> member(const std::string& login);

    // Shown members inside the region, nearest to its centre first, at most `limit`.
    std::vector<Member> inRegion(const Region& region, size_t limit);
    // The `count` shown members nearest to the position, other than `login`.
    std::vector<Member> nearest(double latitude, double longitude, const std::string& login,
                                size_t count);

    // --- Site accounts ---
    enum class Creation { Created, LoginTaken, Failed };
    // A new member with the profile of `m` and a password (hashed here); LoginTaken when a
    // member of that login exists, seed members included.
    Creation createAccount(const Member& m, std::string_view password);
    // The member whose login and password match; nullopt otherwise, and for members without a
    // password.
    std::optional<Member> authenticate(const std::string& login, std::string_view password);
    // A new site session of the member: the token for its cookie (32 hex digits).
    std::optional<std::string> openSiteSession(const std::string& login);
    // The login of a site session that is open and younger than kSiteSessionSeconds.
    std::optional<std::string> siteSessionLogin(const std::string& token);
    // Ends a site session; false when it was not open.
    bool closeSiteSession(const std::string& token);
    static constexpr long long kSiteSessionSeconds = 7 * 24 * 3600;

  private:
    std::vector<Member> shown(const char* where, const Region* region);

    std::mutex mutex_;
    SqliteDb db_;
};

} // namespace zserver
