#include "contacts/sqlite/sqlite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "contacts/layout.h"
#include "contacts/note_rule.h"
#include "contacts/store.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

void failSqlite(sqlite3* db, std::string_view what) {
    failDatabase(what, db != nullptr ? sqlite3_errmsg(db) : "");
}

namespace {

using layout::Engine;

[[noreturn]] void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

class SqliteStatement final : public Statement {
public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
    ~SqliteStatement() override { sqlite3_finalize(statement_); }

    void bind(int index, std::int64_t value) override {
        if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK)
            failSqlite(db_, "binding a value");
    }
    void bind(int index, std::string_view text, bool stable) override {
        if (sqlite3_bind_text64(statement_, index, text.data(), text.size(),
                                stable ? SQLITE_STATIC : SQLITE_TRANSIENT,
                                SQLITE_UTF8) != SQLITE_OK) {
            failSqlite(db_, "binding a text");
        }
    }
    void bindNull(int index) override {
        if (sqlite3_bind_null(statement_, index) != SQLITE_OK) failSqlite(db_, "binding a value");
    }
    bool step() override {
        const int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        failSqlite(db_, "running a statement");
    }
    bool isNull(int column) const override {
        return sqlite3_column_type(statement_, column) == SQLITE_NULL;
    }
    std::int64_t integer(int column) const override {
        return sqlite3_column_int64(statement_, column);
    }
    std::string text(int column) const override {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        if (p == nullptr) return {};
        return std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
    }
    void reset() noexcept override {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_;
};

// penwick_fold(TEXT): the text case-folded over the whole of Unicode, so that a lookup finds
// "ZOË" for "zoë" (SQLite's own NOCASE and lower() know ASCII letters only).
void foldFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    if (text == nullptr) {
        sqlite3_result_null(context);
        return;
    }
    try {
        const std::string folded =
            foldCase(std::string_view(text, std::size_t(sqlite3_value_bytes(arguments[0]))));
        sqlite3_result_text64(context, folded.data(), folded.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);  // nothing may unwind through SQLite
    }
}

// Settings every connection needs: durability on every commit, and waiting rather than
// failing when the other program holds the write lock for a moment.
void configure(SqliteConnection& c) {
    if (sqlite3_create_function_v2(c.handle(), "penwick_fold", 1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   foldFunction, nullptr, nullptr, nullptr) != SQLITE_OK) {
        failSqlite(c.handle(), "adding the case folding function");
    }
    sqlite3_busy_timeout(c.handle(), 5000);
    c.exec("PRAGMA foreign_keys = ON");
    c.exec("PRAGMA synchronous = FULL");
}

// Brings an older layout up to this version inside one transaction, so that a failure leaves
// the file as it was.
void migrate(SqliteConnection& c, std::int64_t from) {
    Transaction tx(c);
    if (from < 2) {
        // Users of a version 1 file were all equal; the first one becomes the administrator.
        c.exec(layout::addColumn(Engine::File, "app_user", "is_admin"));
        c.exec("UPDATE app_user SET is_admin = 1 WHERE id = (SELECT min(id) FROM app_user)");
    }
    if (from < 3) {
        // Runs written before keep no lookup (lookup_size stays NULL): their rest is unknown.
        c.exec(layout::addColumn(Engine::File, "run", "lookup_size"));
        c.exec(layout::addColumn(Engine::File, "run", "continues_run"));
        for (const char* table : {"run_lookup", "extra_field", "contact_extra"})
            c.exec(layout::createTable(Engine::File, table));
        c.exec(layout::createIndex("run_by_continued"));
    }
    c.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    tx.commit();
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, int flags) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        std::string why;
        if (db_ != nullptr) {
            why = sqlite3_errmsg(db_);
            sqlite3_close(db_);
            db_ = nullptr;
        }
        failDatabase("cannot open " + path, why);
    }
}

SqliteConnection::~SqliteConnection() {
    // Statements first: a connection closes only when none is left.
    clearStatements();
    sqlite3_close(db_);
}

std::unique_ptr<Statement> SqliteConnection::prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        failSqlite(db_, "preparing a statement");
    }
    return std::make_unique<SqliteStatement>(db_, statement);
}

void SqliteConnection::exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        raise(err::AutomationError, fromUtf8(text), std::u16string(kSource));
    }
}

std::int64_t SqliteConnection::pragmaInteger(const std::string& name) {
    auto statement = prepare("PRAGMA " + name);
    return statement->step() ? statement->integer(0) : 0;
}

void SqliteConnection::begin(Access access) {
    // IMMEDIATE takes the write lock at once, so the transaction cannot fail half-way for a
    // busy database.
    exec(access == Access::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

void SqliteConnection::commit() {
    exec("COMMIT");
}

void SqliteConnection::rollback() noexcept {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteConnection::bulkLoad(bool starting) {
    // A larger page cache while importing, so that fewer pages are written out before the
    // commit and read back again; memory stays bounded whatever the file's size.
    if (starting) {
        cacheSize_ = pragmaInteger("cache_size");
        exec("PRAGMA cache_size = -16384");
    } else {
        sqlite3_exec(db_, ("PRAGMA cache_size = " + std::to_string(cacheSize_)).c_str(), nullptr,
                     nullptr, nullptr);
    }
}

std::optional<bool> SqliteConnection::addFurtherNote(const note_rule::NoteRow& row) {
    // The note's rule as one statement: a statement that writes is a transaction of its own
    // and takes the write lock at its start, as BEGIN IMMEDIATE does, so its checks see what
    // no one can change before the commit. The contact's existence is the foreign key's.
    // Most runs are in no family, and their notes go in by the cheaper statement for those;
    // the whole rule decides when that one wrote nothing. Whether a statement wrote is the
    // count of changed rows: a RETURNING clause would gather its rows in a temporary table.
    static const std::string lone = note_rule::insertLoneRunNote(hasUsersSql());
    static const std::string any =
        note_rule::insertNote(hasUsersSql(), note_rule::Returning::Nothing);
    for (const std::string* statement : {&lone, &any}) {
        auto q = query(*statement);
        note_rule::bindNote(q, row);
        // Run to its end, where the statement's transaction commits: a failing commit fails
        // here rather than unseen at the reset.
        q.run();
        if (sqlite3_changes(handle()) == 1) return true;
    }
    return false;
}

std::unique_ptr<SqliteConnection> openSqliteDatabase(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail(err::FileNotFound, "no contact database at " + path);
    if (!S_ISREG(st.st_mode)) fail(err::FileNotFound, path + " is not a file");
    // A connection is used by one thread at a time: SQLite need not lock each call.
    auto c = std::make_unique<SqliteConnection>(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_timeout(c->handle(), 5000);
    std::int64_t applicationId = 0;
    try {
        applicationId = c->pragmaInteger("application_id");
    } catch (const Failure&) {
        fail(err::AutomationError, path + " is not a Penwick contact database");
    }
    if (applicationId != kApplicationId) {
        fail(err::AutomationError, path + " is not a Penwick contact database");
    }
    const std::int64_t version = c->pragmaInteger("user_version");
    if (version >= 1 && version < kSchemaVersion) {
        configure(*c);
        migrate(*c, version);
    } else if (version != kSchemaVersion) {
        fail(err::AutomationError, path + " has database layout version " +
                                       std::to_string(version) + "; this program reads version " +
                                       std::to_string(kSchemaVersion));
    }
    c->exec("PRAGMA journal_mode = WAL");
    configure(*c);
    return c;
}

void createSqliteDatabase(const std::string& path, const std::function<void(Connection&)>& fill) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) fail(err::PermissionDenied, path + " already exists");

    // Built under a temporary name and linked into place, so that a half-made database never
    // appears under the real name and an existing file is never replaced.
    const std::string temporary = path + ".creating-" + std::to_string(getpid());
    ::unlink(temporary.c_str());
    // Contacts, notes and password hashes: the owner's only, whatever the umask. SQLite gives
    // the -wal and -shm files the database's own mode, so they follow; a database whose mode
    // the user changed since (a team sharing it by group) keeps it.
    if (const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    } else {
        const int error = errno;
        fail(error == EACCES || error == EROFS ? err::PermissionDenied : err::PathNotFound,
             "cannot create " + path + ": " + std::strerror(error));
    }
    try {
        {
            SqliteConnection c(temporary, SQLITE_OPEN_READWRITE);
            c.exec("PRAGMA journal_mode = DELETE");
            configure(c);
            Transaction tx(c);
            c.exec(layout::schema(Engine::File));
            c.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
            c.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
            fill(c);
            tx.commit();
        }
        if (::link(temporary.c_str(), path.c_str()) != 0) {
            const int error = errno;
            fail(error == EEXIST ? err::PermissionDenied : err::PathNotFound,
                 "cannot create " + path + ": " + std::strerror(error));
        }
        ::unlink(temporary.c_str());
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // The new file is WAL from its first proper open on.
    openSqliteDatabase(path);
}

}  // namespace penwick::contacts
