// Sessions and statistics events kept in SQLite.
//
// One connection, serialised by a mutex: every member may be called from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/envelope.h"
#include "server/sqlite_db.h"

namespace zserver {

struct StoredSession {
    std::string id;
    std::string phone, application, language, version, token, networkType;
    bool closed = false;
};

struct StoredEvent {
    std::string session;
    Event event;
};

class SessionStore {
  public:
    // Opens (creating when needed) the database at path; ":memory:" or "" for a private one.
    bool open(const std::string& path, std::string* error = nullptr);

    // Records a new session for the device and returns its fresh id (32 hex digits); nullopt when
    // the database refuses the write.
    std::optional<std::string> openSession(const Device& device);
    // True when the id names a session that is not closed.
    bool isOpen(const std::string& id);
    // Marks the session closed; false when it is unknown or already closed.
    bool closeSession(const std::string& id);
    std::optional<StoredSession> session(const std::string& id);

    bool addEvent(const std::string& session, const Event& event);
    // Stores every event of one message in one transaction; false (nothing stored) on failure.
    bool addEvents(const std::string& session, const std::vector<Event>& events);
    std::vector<StoredEvent> events(const std::string& session);

  private:
    bool insertEvent(const std::string& session, const Event& event);

    std::mutex mutex_;
    SqliteDb db_;
};

} // namespace zserver
