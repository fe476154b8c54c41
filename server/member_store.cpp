// SQLite member table: registration upserts, logout, and the map queries.
#include "server/member_store.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sqlite3.h>

#include "server/password_hash.h"

namespace zserver {
namespace {

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS members (
    login TEXT PRIMARY KEY,
    sexe TEXT NOT NULL DEFAULT '',
    firstname TEXT NOT NULL DEFAULT '', lastname TEXT NOT NULL DEFAULT '',
    dateofbirth TEXT NOT NULL DEFAULT '', country TEXT NOT NULL DEFAULT '',
    latitude REAL NOT NULL DEFAULT 0, longitude REAL NOT NULL DEFAULT 0,
    visible INTEGER NOT NULL DEFAULT 0,
    connected INTEGER NOT NULL DEFAULT 0,
    updated_at TEXT NOT NULL DEFAULT (datetime('now'))
);
CREATE TABLE IF NOT EXISTS site_sessions (
    token TEXT PRIMARY KEY,
    login TEXT NOT NULL,
    opened_at INTEGER NOT NULL
);
)sql";

// Databases written before the site accounts lack the password column.
bool addPasswordColumn(SqliteDb& db) {
    SqliteStatement info(db, "SELECT 1 FROM pragma_table_info('members') WHERE name = 'password'");
    if (info && info.step() == SQLITE_ROW) return true;
    return db.exec("ALTER TABLE members ADD COLUMN password TEXT NOT NULL DEFAULT ''");
}

std::string freshToken() {
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        token += part;
    }
    return token;
}

long long nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const char* const kColumns = "login, sexe, firstname, lastname, dateofbirth, country, latitude, "
                             "longitude, visible, connected";

Member readMember(const SqliteStatement& st) {
    Member m;
    m.login = st.text(0);
    m.sexe = st.text(1);
    m.firstName = st.text(2);
    m.lastName = st.text(3);
    m.dateOfBirth = st.text(4);
    m.country = st.text(5);
    m.latitude = st.real(6);
    m.longitude = st.real(7);
    m.visible = st.integer(8) != 0;
    m.connected = st.integer(9) != 0;
    return m;
}

// Squared distance in degrees with longitudes shrunk by the latitude: enough to order by.
double distance2(double lat1, double lon1, double lat2, double lon2) {
    double dLat = lat1 - lat2;
    double dLon = (lon1 - lon2) * std::cos((lat1 + lat2) / 2 * 3.14159265358979 / 180);
    return dLat * dLat + dLon * dLon;
}

} // namespace

bool MemberStore::open(const std::string& path, std::string* error) {
    std::lock_guard lock(mutex_);
    if (!db_.open(path, kSchema, error)) return false;
    if (!addPasswordColumn(db_)) {
        if (error) *error = "cannot add the password column to the members";
        return false;
    }
    return true;
}

bool MemberStore::importSeed(const std::vector<Member>& members) {
    std::lock_guard lock(mutex_);
    if (!db_.exec("BEGIN")) return false;
    bool ok = true;
    for (const Member& m : members) {
        SqliteStatement st(db_, "INSERT OR IGNORE INTO members (login, sexe, firstname, lastname, "
                                "dateofbirth, country, latitude, longitude, visible, connected, "
                                "password) VALUES (?,?,?,?,?,?,?,?,1,1,?)");
        if (!st) {
            ok = false;
            break;
        }
        st.bind(1, m.login);
        st.bind(2, m.sexe);
        st.bind(3, m.firstName);
        st.bind(4, m.lastName);
        st.bind(5, m.dateOfBirth);
        st.bind(6, m.country);
        st.bind(7, m.latitude);
        st.bind(8, m.longitude);
        st.bind(9, m.passwordHash);
        if (st.step() != SQLITE_DONE) {
            ok = false;
            break;
        }
    }
    db_.exec(ok ? "COMMIT" : "ROLLBACK");
    return ok;
}

bool MemberStore::registerMember(const Member& m) {
    std::lock_guard lock(mutex_);
    SqliteStatement st(db_, "INSERT INTO members (login, sexe, firstname, lastname, dateofbirth, "
                            "country, latitude, longitude, visible, connected) "
                            "VALUES (?,?,?,?,?,?,?,?,?,1) ON CONFLICT(login) DO UPDATE SET "
                            "sexe = excluded.sexe, firstname = excluded.firstname, "
                            "lastname = excluded.lastname, dateofbirth = excluded.dateofbirth, "
                            "country = excluded.country, latitude = excluded.latitude, "
                            "longitude = excluded.longitude, visible = excluded.visible, "
                            "connected = 1, updated_at = datetime('now')");
    if (!st) return false;
    st.bind(1, m.login);
    st.bind(2, m.sexe);
    st.bind(3, m.firstName);
    st.bind(4, m.lastName);
    st.bind(5, m.dateOfBirth);
    st.bind(6, m.country);
    st.bind(7, m.latitude);
    st.bind(8, m.longitude);
    st.bind(9, static_cast<long long>(m.visible ? 1 : 0));
    return st.step() == SQLITE_DONE;
}

MemberStore::Creation MemberStore::createAccount(const Member& m, std::string_view password) {
    const std::string hash = hashPassword(password); // slow on purpose: outside the lock
    std::lock_guard lock(mutex_);
    SqliteStatement st(db_, "INSERT INTO members (login, sexe, firstname, lastname, dateofbirth, "
                            "country, password) VALUES (?,?,?,?,?,?,?) "
                            "ON CONFLICT(login) DO NOTHING");
    if (!st || hash.empty()) return Creation::Failed;
    st.bind(1, m.login);
    st.bind(2, m.sexe);
    st.bind(3, m.firstName);
    st.bind(4, m.lastName);
    st.bind(5, m.dateOfBirth);
    st.bind(6, m.country);
    st.bind(7, hash);
    if (st.step() != SQLITE_DONE) return Creation::Failed;
    return db_.changes() == 1 ? Creation::Created : Creation::LoginTaken;
}

std::optional<Member> MemberStore::authenticate(const std::string& login,
                                                std::string_view password) {
    std::string hash;
    std::optional<Member> found;
    {
        std::lock_guard lock(mutex_);
        std::string sql =
            std::string("SELECT ") + kColumns + ", password FROM members WHERE login = ?";
        SqliteStatement st(db_, sql.c_str());
        if (!st) return std::nullopt;
        st.bind(1, login);
        if (st.step() != SQLITE_ROW) return std::nullopt;
        found = readMember(st);
        hash = st.text(10);
    }
    if (hash.empty() || !verifyPassword(password, hash)) return std::nullopt;
    return found;
}

std::optional<std::string> MemberStore::openSiteSession(const std::string& login) {
    std::lock_guard lock(mutex_);
    // Sessions past their age go as new ones come.
    SqliteStatement old(db_, "DELETE FROM site_sessions WHERE opened_at < ?");
    if (old) {
        old.bind(1, nowSeconds() - kSiteSessionSeconds);
        old.step();
    }
    SqliteStatement st(db_, "INSERT INTO site_sessions (token, login, opened_at) VALUES (?,?,?)");
    if (!st) return std::nullopt;
    std::string token = freshToken();
    st.bind(1, token);
    st.bind(2, login);
    st.bind(3, nowSeconds());
    if (st.step() != SQLITE_DONE) return std::nullopt;
    return token;
}

std::optional<std::string> MemberStore::siteSessionLogin(const std::string& token) {
    std::lock_guard lock(mutex_);
    SqliteStatement st(db_, "SELECT login FROM site_sessions WHERE token = ? AND opened_at >= ?");
    if (!st) return std::nullopt;
    st.bind(1, token);
    st.bind(2, nowSeconds() - kSiteSessionSeconds);
    if (st.step() != SQLITE_ROW) return std::nullopt;
    return st.text(0);
}

bool MemberStore::closeSiteSession(const std::string& token) {
    std::lock_guard lock(mutex_);
    SqliteStatement st(db_, "DELETE FROM site_sessions WHERE token = ?");
    if (!st) return false;
    st.bind(1, token);
    return st.step() == SQLITE_DONE && db_.changes() == 1;
}

bool MemberStore::logout(const std::string& login) {
    std::lock_guard lock(mutex_);
    SqliteStatement st(db_, "UPDATE members SET connected = 0, updated_at = datetime('now') "
                            "WHERE login = ?");
    if (!st) return false;
    st.bind(1, login);
    return st.step() == SQLITE_DONE && db_.changes() == 1;
}

std::optional<Member> MemberStore::member(const std::string& login) {
    std::lock_guard lock(mutex_);
    std::string sql = std::string("SELECT ") + kColumns + " FROM members WHERE login = ?";
    SqliteStatement st(db_, sql.c_str());
    if (!st) return std::nullopt;
    st.bind(1, login);
    if (st.step() != SQLITE_ROW) return std::nullopt;
    return readMember(st);
}

std::vector<Member> MemberStore::shown(const char* where, const Region* r) {
    std::vector<Member> out;
    std::string sql = std::string("SELECT ") + kColumns +
                      " FROM members WHERE visible = 1 AND connected = 1" + where;
    SqliteStatement st(db_, sql.c_str());
    if (!st) return out;
    if (r) {
        st.bind(1, r->latitude - r->spanLatitude / 2);
        st.bind(2, r->latitude + r->spanLatitude / 2);
        st.bind(3, r->longitude - r->spanLongitude / 2);
        st.bind(4, r->longitude + r->spanLongitude / 2);
    }
    while (st.step() == SQLITE_ROW) out.push_back(readMember(st));
    return out;
}

std::vector<Member> MemberStore::inRegion(const Region& region, size_t limit) {
    std::lock_guard lock(mutex_);
    auto out = shown(" AND latitude BETWEEN ? AND ? AND longitude BETWEEN ? AND ?", &region);
    std::stable_sort(out.begin(), out.end(), [&](const Member& a, const Member& b) {
        return distance2(a.latitude, a.longitude, region.latitude, region.longitude) <
               distance2(b.latitude, b.longitude, region.latitude, region.longitude);
    });
    if (out.size() > limit) out.resize(limit);
    return out;
}

std::vector<Member> MemberStore::nearest(double latitude, double longitude,
                                         const std::string& login, size_t count) {
    std::lock_guard lock(mutex_);
    auto out = shown("", nullptr);
    std::erase_if(out, [&](const Member& m) { return m.login == login; });
    std::stable_sort(out.begin(), out.end(), [&](const Member& a, const Member& b) {
        return distance2(a.latitude, a.longitude, latitude, longitude) <
               distance2(b.latitude, b.longitude, latitude, longitude);
    });
    if (out.size() > count) out.resize(count);
    return out;
}

} // namespace zserver
