#pragma once
// A thin layer over SQLite's C API: a connection that caches its prepared statements, a
// statement use that always resets, and a transaction that rolls back unless committed.
// Every SQLite error becomes a Failure.

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace penwick::embedded {

inline constexpr std::u16string_view kSource = u"penwick-contacts";

// A Failure (automation error, 440) that names what was being done and SQLite's message.
[[noreturn]] void failSqlite(sqlite3* db, std::string_view what);

class Connection;

// One use of a cached statement: bind, step, read; reset and cleared on destruction so that
// no read transaction stays open behind the caller's back.
class Query {
public:
    Query(Connection& connection, sqlite3_stmt* statement)
        : connection_(connection), statement_(statement) {}
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    ~Query();

    Query& bind(int index, std::int64_t value);
    Query& bind(int index, std::string_view text);
    Query& bindOptional(int index, const std::optional<std::string>& text);
    Query& bindOptional(int index, const std::optional<std::int64_t>& value);
    Query& bindNull(int index);

    // True when a row is ready, false when the statement has run to its end.
    bool step();
    // Runs a statement that returns no rows.
    void run();

    std::int64_t integer(int column) const;
    std::optional<std::int64_t> optionalInteger(int column) const;
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;

private:
    Connection& connection_;
    sqlite3_stmt* statement_;
};

class Connection {
public:
    // Opens an existing file (flags as for sqlite3_open_v2).
    Connection(const std::string& path, int flags);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    sqlite3* handle() const { return db_; }
    // A statement prepared once per connection and reused; `sql` is the cache key.
    Query query(const std::string& sql);
    // A statement prepared for this use only (SQL built at run time).
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> prepareOnce(const std::string& sql);
    void exec(const std::string& sql);
    std::int64_t pragmaInteger(const std::string& name);

private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*, std::less<>> cache_;
};

class Transaction {
public:
    // IMMEDIATE takes the write lock at once, so the transaction cannot fail half-way for a
    // busy database.
    explicit Transaction(Connection& connection);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    void commit();

private:
    Connection& connection_;
    bool open_ = true;
};

}  // namespace penwick::embedded
