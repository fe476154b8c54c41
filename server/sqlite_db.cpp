// SQLite connection and statement wrappers.
#include "server/sqlite_db.h"

#include <sqlite3.h>

namespace zserver {

SqliteDb::~SqliteDb() {
    sqlite3_close(db_);
}

bool SqliteDb::open(const std::string& path, const char* schema, std::string* error) {
    if (db_) return true;
    const std::string p = path.empty() ? ":memory:" : path;
    if (sqlite3_open_v2(p.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        if (error) *error = db_ ? sqlite3_errmsg(db_) : "cannot open the database";
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    // Several stores may share one database file.
    sqlite3_busy_timeout(db_, 2000);
    char* msg = nullptr;
    if (sqlite3_exec(db_, schema, nullptr, nullptr, &msg) != SQLITE_OK) {
        if (error) *error = msg ? msg : "cannot create the tables";
        sqlite3_free(msg);
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

bool SqliteDb::exec(const char* sql) {
    return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

long long SqliteDb::lastInsertId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

int SqliteDb::changes() const {
    return db_ ? sqlite3_changes(db_) : 0;
}

SqliteStatement::SqliteStatement(const SqliteDb& db, const char* sql) {
    if (!db.handle() || sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
        stmt_ = nullptr;
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::bind(int i, const std::string& s) {
    sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int i, double v) {
    sqlite3_bind_double(stmt_, i, v);
}

void SqliteStatement::bind(int i, long long v) {
    sqlite3_bind_int64(stmt_, i, v);
}

void SqliteStatement::bind(int i, const std::optional<std::string>& s) {
    if (s)
        bind(i, *s);
    else
        sqlite3_bind_null(stmt_, i);
}

void SqliteStatement::bind(int i, const std::optional<int>& v) {
    if (v)
        sqlite3_bind_int(stmt_, i, *v);
    else
        sqlite3_bind_null(stmt_, i);
}

int SqliteStatement::step() {
    return sqlite3_step(stmt_);
}

std::string SqliteStatement::text(int col) const {
    auto* p = sqlite3_column_text(stmt_, col);
    return p ? reinterpret_cast<const char*>(p) : "";
}

double SqliteStatement::real(int col) const {
    return sqlite3_column_double(stmt_, col);
}

long long SqliteStatement::integer(int col) const {
    return sqlite3_column_int64(stmt_, col);
}

bool SqliteStatement::isNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

std::optional<std::string> SqliteStatement::optionalText(int col) const {
    if (isNull(col)) return std::nullopt;
    return text(col);
}

std::optional<int> SqliteStatement::optionalInt(int col) const {
    if (isNull(col)) return std::nullopt;
    return sqlite3_column_int(stmt_, col);
}

} // namespace zserver
