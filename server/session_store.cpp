// SQLite session store: one table of sessions, one of events, prepared statements per call.
#include "server/session_store.h"

#include <cstdio>
#include <random>
#include <sqlite3.h>

namespace zserver {
namespace {

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS sessions (
    id TEXT PRIMARY KEY,
    application TEXT, phone TEXT, osname TEXT, osversion TEXT, phone_name TEXT,
    language TEXT, version TEXT, last_config TEXT, last_notification TEXT, token TEXT,
    network TEXT, debit TEXT,
    opened_at TEXT NOT NULL DEFAULT (datetime('now')),
    closed_at TEXT
);
CREATE TABLE IF NOT EXISTS events (
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    session TEXT NOT NULL REFERENCES sessions(id),
    event_id INTEGER NOT NULL,
    date TEXT, hit INTEGER, start TEXT, stop TEXT, cle TEXT,
    received_at TEXT NOT NULL DEFAULT (datetime('now'))
);
)sql";

std::string freshId() {
    // Per call: no shared generator state between threads.
    std::random_device rd;
    std::string id;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(rd()));
        id += part;
    }
    return id;
}

} // namespace

bool SessionStore::open(const std::string& path, std::string* error) {
    std::lock_guard lock(mutex_);
    return db_.open(path, kSchema, error);
}

std::optional<std::string> SessionStore::openSession(const Device& d) {
    std::lock_guard lock(mutex_);
    if (!db_.isOpen()) return std::nullopt;
    // A collision of 128 random bits is not expected; the primary key refuses one anyway.
    for (int attempt = 0; attempt < 3; ++attempt) {
        SqliteStatement st(db_,
                           "INSERT INTO sessions (id, application, phone, osname, osversion, "
                           "phone_name, language, version, last_config, last_notification, token, "
                           "network, debit) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)");
        if (!st) return std::nullopt;
        std::string id = freshId();
        st.bind(1, id);
        st.bind(2, d.application);
        st.bind(3, d.phone);
        st.bind(4, d.osName);
        st.bind(5, d.osVersion);
        st.bind(6, d.phoneName);
        st.bind(7, d.language);
        st.bind(8, d.version);
        st.bind(9, d.lastConfig);
        st.bind(10, d.lastNotification);
        st.bind(11, d.token);
        st.bind(12, d.networkType);
        st.bind(13, d.networkDebit);
        int rc = st.step();
        if (rc == SQLITE_DONE) return id;
        if (rc != SQLITE_CONSTRAINT) return std::nullopt;
    }
    return std::nullopt;
}

bool SessionStore::isOpen(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (!db_.isOpen()) return false;
    SqliteStatement st(db_, "SELECT 1 FROM sessions WHERE id = ? AND closed_at IS NULL");
    if (!st) return false;
    st.bind(1, id);
    return st.step() == SQLITE_ROW;
}

bool SessionStore::closeSession(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (!db_.isOpen()) return false;
    SqliteStatement st(
        db_, "UPDATE sessions SET closed_at = datetime('now') WHERE id = ? AND closed_at IS NULL");
    if (!st) return false;
    st.bind(1, id);
    return st.step() == SQLITE_DONE && db_.changes() == 1;
}

std::optional<StoredSession> SessionStore::session(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (!db_.isOpen()) return std::nullopt;
    SqliteStatement st(db_, "SELECT id, phone, application, language, version, token, network, "
                            "closed_at IS NOT NULL FROM sessions WHERE id = ?");
    if (!st) return std::nullopt;
    st.bind(1, id);
    if (st.step() != SQLITE_ROW) return std::nullopt;
    StoredSession s;
    s.id = st.text(0);
    s.phone = st.text(1);
    s.application = st.text(2);
    s.language = st.text(3);
    s.version = st.text(4);
    s.token = st.text(5);
    s.networkType = st.text(6);
    s.closed = st.integer(7) != 0;
    return s;
}

bool SessionStore::insertEvent(const std::string& session, const Event& e) {
    SqliteStatement st(db_, "INSERT INTO events (session, event_id, date, hit, start, stop, cle) "
                            "VALUES (?,?,?,?,?,?,?)");
    if (!st) return false;
    st.bind(1, session);
    st.bind(2, static_cast<long long>(e.id));
    st.bind(3, e.date);
    st.bind(4, e.hit);
    st.bind(5, e.start);
    st.bind(6, e.stop);
    st.bind(7, e.cle);
    return st.step() == SQLITE_DONE;
}

bool SessionStore::addEvent(const std::string& session, const Event& e) {
    std::lock_guard lock(mutex_);
    return db_.isOpen() && insertEvent(session, e);
}

bool SessionStore::addEvents(const std::string& session, const std::vector<Event>& events) {
    std::lock_guard lock(mutex_);
    if (!db_.isOpen()) return false;
    // One transaction: one journal sync for the whole message, and all or nothing.
    return db_.transaction([&] {
        for (const Event& e : events)
            if (!insertEvent(session, e)) return false;
        return true;
    });
}

std::vector<StoredEvent> SessionStore::events(const std::string& session) {
    std::lock_guard lock(mutex_);
    std::vector<StoredEvent> out;
    if (!db_.isOpen()) return out;
    SqliteStatement st(db_, "SELECT session, event_id, date, hit, start, stop, cle FROM events "
                            "WHERE session = ? ORDER BY seq");
    if (!st) return out;
    st.bind(1, session);
    while (st.step() == SQLITE_ROW) {
        StoredEvent se;
        se.session = st.text(0);
        se.event.id = st.optionalInt(1).value_or(0);
        se.event.date = st.optionalText(2);
        se.event.hit = st.optionalInt(3);
        se.event.start = st.optionalText(4);
        se.event.stop = st.optionalText(5);
        se.event.cle = st.optionalText(6);
        out.push_back(std::move(se));
    }
    return out;
}

} // namespace zserver
