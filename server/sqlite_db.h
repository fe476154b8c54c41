// A SQLite connection and prepared statements that release themselves: the one piece every store
// of the server (sessions and events, members and site sessions, photo reports) opens its
// database with.
#pragma once

#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace zserver {

class SqliteDb {
  public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens (creating when needed) the database at path ("" or ":memory:": a private one) and
    // runs `schema`. False, with the reason in *error, when either fails.
    bool open(const std::string& path, const char* schema, std::string* error);
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }
    // Runs statements without results (transactions); false on failure.
    bool exec(const char* sql);
    // Runs `work` inside BEGIN IMMEDIATE ... COMMIT; rolls back when it returns false or the
    // commit fails. The caller serialises use of the connection.
    template <typename Work> bool transaction(Work&& work) {
        if (!exec("BEGIN IMMEDIATE")) return false;
        if (work() && exec("COMMIT")) return true;
        exec("ROLLBACK");
        return false;
    }
    long long lastInsertId() const;
    int changes() const;

  private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
  public:
    SqliteStatement(const SqliteDb& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    explicit operator bool() const { return stmt_ != nullptr; }

    void bind(int i, const std::string& s);
    void bind(int i, double v);
    void bind(int i, long long v);
    // NULL when the value is absent.
    void bind(int i, const std::optional<std::string>& s);
    void bind(int i, const std::optional<int>& v);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    std::string text(int col) const;
    double real(int col) const;
    long long integer(int col) const;
    bool isNull(int col) const;
    std::optional<std::string> optionalText(int col) const;
    std::optional<int> optionalInt(int col) const;

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace zserver
