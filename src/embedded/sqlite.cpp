#include "embedded/sqlite.h"

#include "util/failure.h"
#include "util/text.h"

namespace penwick::embedded {

void failSqlite(sqlite3* db, std::string_view what) {
    std::string message(what);
    if (db != nullptr) {
        message += ": ";
        message += sqlite3_errmsg(db);
    }
    raise(err::AutomationError, fromUtf8(message), std::u16string(kSource));
}

Query::~Query() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

Query& Query::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) {
        failSqlite(connection_.handle(), "binding a value");
    }
    return *this;
}

Query& Query::bind(int index, std::string_view text) {
    if (sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8) != SQLITE_OK) {
        failSqlite(connection_.handle(), "binding a text");
    }
    return *this;
}

Query& Query::bindOptional(int index, const std::optional<std::string>& text) {
    return text ? bind(index, std::string_view(*text)) : bindNull(index);
}

Query& Query::bindOptional(int index, const std::optional<std::int64_t>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

Query& Query::bindNull(int index) {
    if (sqlite3_bind_null(statement_, index) != SQLITE_OK) {
        failSqlite(connection_.handle(), "binding a value");
    }
    return *this;
}

bool Query::step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    failSqlite(connection_.handle(), "running a statement");
}

void Query::run() {
    while (step()) {
    }
}

std::int64_t Query::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string Query::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (p == nullptr) return {};
    return std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

std::optional<std::int64_t> Query::optionalInteger(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    return integer(column);
}

std::optional<std::string> Query::optionalText(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    return text(column);
}

Connection::Connection(const std::string& path, int flags) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = "cannot open " + path;
        if (db_ != nullptr) {
            message += ": ";
            message += sqlite3_errmsg(db_);
            sqlite3_close(db_);
            db_ = nullptr;
        }
        raise(err::AutomationError, fromUtf8(message), std::u16string(kSource));
    }
}

Connection::~Connection() {
    for (auto& [sql, statement] : cache_) sqlite3_finalize(statement);
    sqlite3_close(db_);
}

Query Connection::query(const std::string& sql) {
    auto found = cache_.find(sql);
    if (found == cache_.end()) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
            failSqlite(db_, "preparing a statement");
        }
        found = cache_.emplace(sql, statement).first;
    }
    return Query(*this, found->second);
}

std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> Connection::prepareOnce(
    const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
        SQLITE_OK) {
        failSqlite(db_, "preparing a statement");
    }
    return {statement, &sqlite3_finalize};
}

void Connection::exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        raise(err::AutomationError, fromUtf8(text), std::u16string(kSource));
    }
}

std::int64_t Connection::pragmaInteger(const std::string& name) {
    auto statement = prepareOnce("PRAGMA " + name);
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW) return sqlite3_column_int64(statement.get(), 0);
    if (rc == SQLITE_DONE) return 0;
    failSqlite(db_, "reading " + name);
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
    connection_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open_) sqlite3_exec(connection_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    connection_.exec("COMMIT");
    open_ = false;
}

}  // namespace penwick::embedded
