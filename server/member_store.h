// The fan community's members and their last positions, kept in SQLite.
//
// A member is shown on the map while logged in (registration sets that, logout clears it) and
// visible (the device knew its position). Every member may be called from any thread.
#pragma once

#include <mutex>
#include <optional>
#include <string>
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
    // Creates or replaces the member of that login, logged in.
    bool registerMember(const Member& m);
    // Logs the member out; false when the login is unknown.
    bool logout(const std::string& login);
    std::optional<Member> member(const std::string& login);

    // Shown members inside the region, nearest to its centre first, at most `limit`.
    std::vector<Member> inRegion(const Region& region, size_t limit);
    // The `count` shown members nearest to the position, other than `login`.
    std::vector<Member> nearest(double latitude, double longitude, const std::string& login,
                                size_t count);

  private:
    std::vector<Member> shown(const char* where, const Region* region);

    std::mutex mutex_;
    SqliteDb db_;
};

} // namespace zserver
