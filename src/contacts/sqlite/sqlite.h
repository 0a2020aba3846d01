#pragma once
// The contact database as a SQLite file: the engine's connection and statements, and the
// file's layout, made, checked and brought up to date here.

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "contacts/database.h"

namespace penwick::contacts {

// Stored in the file header (PRAGMA application_id and user_version) so that a file that is
// not ours, or of another layout, is refused before anything is read or changed.
inline constexpr std::int32_t kApplicationId = 0x50574B43;  // "PWKC"

// A Failure (automation error, 440) that names what was being done and SQLite's message.
[[noreturn]] void failSqlite(sqlite3* db, std::string_view what);

class SqliteConnection final : public Connection {
public:
    // Opens an existing file (flags as for sqlite3_open_v2).
    SqliteConnection(const std::string& path, int flags);
    ~SqliteConnection() override;

    sqlite3* handle() const { return db_; }
    std::int64_t pragmaInteger(const std::string& name);

    std::unique_ptr<Statement> prepare(const std::string& sql) override;
    void exec(const std::string& sql) override;
    void begin(Access access) override;
    void commit() override;
    void rollback() noexcept override;
    // One writer at a time holds the whole file (BEGIN IMMEDIATE): nothing more to lock.
    void lockContactNumbers() override {}
    void lockContact(std::int64_t) override {}
    void identifiersTaken(std::string_view) override {}
    void bulkLoad(bool starting) override;
    std::optional<bool> addFurtherNote(const note_rule::NoteRow& row) override;

private:
    sqlite3* db_ = nullptr;
    std::int64_t cacheSize_ = 0;
};

// Opens an existing database of ours, bringing an older layout up to date; any other file is
// a Failure and is left untouched.
std::unique_ptr<SqliteConnection> openSqliteDatabase(const std::string& path);

// Makes a new database at `path`, which must not exist. `fill` runs inside the transaction
// that makes it, with the schema in place: the file appears under its name complete, or not
// at all.
void createSqliteDatabase(const std::string& path, const std::function<void(Connection&)>& fill);

}  // namespace penwick::contacts
