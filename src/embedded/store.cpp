#include "embedded/store.h"

#include <pwd.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::embedded {

namespace {

[[noreturn]] void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

void ensureSodium() {
    if (sodium_init() < 0) fail(err::AutomationError, "libsodium could not be initialised");
}

constexpr const char* kSchema = R"sql(
CREATE TABLE meta(
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE contact(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL DEFAULT '',
    company TEXT NOT NULL DEFAULT '',
    phone TEXT NOT NULL DEFAULT '',
    email TEXT NOT NULL DEFAULT '',
    city TEXT NOT NULL DEFAULT ''
);
CREATE TABLE app_user(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE COLLATE NOCASE,
    password_hash TEXT NOT NULL,
    created_at TEXT NOT NULL
);
CREATE TABLE run(
    id INTEGER PRIMARY KEY,
    started_at TEXT NOT NULL,
    user_name TEXT NOT NULL,
    host TEXT NOT NULL,
    pid INTEGER NOT NULL,
    undone_at TEXT
);
CREATE TABLE note(
    id INTEGER PRIMARY KEY,
    contact_id INTEGER NOT NULL REFERENCES contact(id),
    run_id INTEGER NOT NULL REFERENCES run(id),
    type_code INTEGER NOT NULL CHECK (type_code BETWEEN -32768 AND 32767),
    text TEXT NOT NULL,
    attachment TEXT,
    date_text TEXT NOT NULL,
    date TEXT NOT NULL CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]'),
    time TEXT CHECK (time IS NULL OR time GLOB '[0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
    written_at TEXT NOT NULL,
    user_name TEXT NOT NULL
);
CREATE INDEX note_by_contact ON note(contact_id);
CREATE INDEX note_by_run ON note(run_id);
)sql";

// Settings every connection needs: durability on every commit, and waiting rather than
// failing when the other program holds the write lock for a moment.
void configure(Connection& c) {
    sqlite3_busy_timeout(c.handle(), 5000);
    c.exec("PRAGMA foreign_keys = ON");
    c.exec("PRAGMA synchronous = FULL");
}

std::string hostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return buffer;
}

}  // namespace

std::string formatContactId(std::int64_t number) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "C%06lld", static_cast<long long>(number));
    return buffer;
}

std::optional<std::int64_t> parseContactId(std::string_view id) {
    if (id.size() < 7 || id.size() > 19 || id[0] != 'C') return std::nullopt;
    std::int64_t n = 0;
    for (char c : id.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    // Only the canonical spelling names a contact, so "C0000042" is not a second name of 42.
    if (n <= 0 || formatContactId(n) != id) return std::nullopt;
    return n;
}

std::optional<std::int64_t> parseContactId(std::u16string_view id) {
    for (char16_t c : id) {
        if (c > 0x7F) return std::nullopt;
    }
    return parseContactId(std::string_view(toUtf8(id)));
}

std::string utcTimestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, int(millis));
    return buffer;
}

std::string osUserName() {
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_name != nullptr) {
        return pw->pw_name;
    }
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
    return "user";
}

std::optional<std::string> contactColumn(std::string_view field) {
    std::string f;
    for (char c : field) f += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (f == "e-mail") f = "email";
    for (const ContactFieldColumn& c : kContactFieldColumns) {
        if (f == c.column) return f;
    }
    return std::nullopt;
}

void Store::create(const std::string& path) {
    ensureSodium();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) fail(err::PermissionDenied, path + " already exists");

    // Built under a temporary name and linked into place, so that a half-made database never
    // appears under the real name and an existing file is never replaced.
    const std::string temporary = path + ".creating-" + std::to_string(getpid());
    ::unlink(temporary.c_str());
    try {
        {
            Connection c(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            c.exec("PRAGMA journal_mode = DELETE");
            configure(c);
            unsigned char raw[16];
            randombytes_buf(raw, sizeof raw);
            char hex[2 * sizeof raw + 1];
            sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);

            Transaction tx(c);
            c.exec(kSchema);
            c.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
            c.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
            c.query("INSERT INTO meta(key, value) VALUES ('database_id', ?1)").bind(1, hex).run();
            c.query("INSERT INTO meta(key, value) VALUES ('created_at', ?1)")
                .bind(1, utcTimestamp())
                .run();
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
    Store opened(path);
}

Store::Store(const std::string& path)
    : path_(path),
      connection_(
          [&] {
              struct stat st {};
              if (::stat(path.c_str(), &st) != 0) {
                  fail(err::FileNotFound, "no contact database at " + path);
              }
              if (!S_ISREG(st.st_mode)) fail(err::FileNotFound, path + " is not a file");
              return path;
          }(),
          SQLITE_OPEN_READWRITE) {
    ensureSodium();
    sqlite3_busy_timeout(connection_.handle(), 5000);
    std::int64_t applicationId = 0;
    try {
        applicationId = connection_.pragmaInteger("application_id");
    } catch (const Failure&) {
        fail(err::AutomationError, path + " is not a Penwick contact database");
    }
    if (applicationId != kApplicationId) {
        fail(err::AutomationError, path + " is not a Penwick contact database");
    }
    const std::int64_t version = connection_.pragmaInteger("user_version");
    if (version != kSchemaVersion) {
        fail(err::AutomationError, path + " has database layout version " +
                                       std::to_string(version) + "; this program reads version " +
                                       std::to_string(kSchemaVersion));
    }
    connection_.exec("PRAGMA journal_mode = WAL");
    configure(connection_);
    auto q = connection_.query("SELECT value FROM meta WHERE key = 'database_id'");
    if (!q.step()) fail(err::AutomationError, path + " has no database identity");
    databaseId_ = q.text(0);
}

bool Store::isMultiUser() {
    auto q = connection_.query("SELECT EXISTS (SELECT 1 FROM app_user)");
    return q.step() && q.integer(0) != 0;
}

void Store::addUser(std::string_view name, std::string_view password) {
    if (name.empty()) fail(err::InvalidCall, "a user needs a name");
    if (password.empty()) fail(err::InvalidCall, "a user needs a password");
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        fail(err::OutOfMemory, "not enough memory to hash the password");
    }
    Transaction tx(connection_);
    {
        auto exists = connection_.query("SELECT 1 FROM app_user WHERE name = ?1");
        if (exists.bind(1, name).step()) {
            fail(err::PermissionDenied, "user " + std::string(name) + " already exists");
        }
    }
    connection_.query("INSERT INTO app_user(name, password_hash, created_at) VALUES (?1, ?2, ?3)")
        .bind(1, name)
        .bind(2, std::string_view(hash))
        .bind(3, utcTimestamp())
        .run();
    tx.commit();
}

std::optional<std::string> Store::verifyUser(std::string_view name, std::string_view password) {
    std::string stored, hash;
    {
        auto q = connection_.query("SELECT name, password_hash FROM app_user WHERE name = ?1");
        if (!q.bind(1, name).step()) return std::nullopt;
        stored = q.text(0);
        hash = q.text(1);
    }
    if (crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0) {
        return std::nullopt;
    }
    return stored;
}

std::optional<std::string> Store::findUser(std::string_view name) {
    auto q = connection_.query("SELECT name FROM app_user WHERE name = ?1");
    if (!q.bind(1, name).step()) return std::nullopt;
    return q.text(0);
}

std::size_t Store::addContacts(const std::vector<ContactFields>& contacts) {
    Transaction tx(connection_);
    for (const ContactFields& f : contacts) {
        connection_
            .query(
                "INSERT INTO contact(name, company, phone, email, city) VALUES (?1, ?2, ?3, ?4, "
                "?5)")
            .bind(1, f.name)
            .bind(2, f.company)
            .bind(3, f.phone)
            .bind(4, f.email)
            .bind(5, f.city)
            .run();
    }
    tx.commit();
    return contacts.size();
}

bool Store::contactExists(std::int64_t number) {
    return connection_.query("SELECT 1 FROM contact WHERE id = ?1").bind(1, number).step();
}

std::optional<ContactFields> Store::contact(std::int64_t number) {
    auto q =
        connection_.query("SELECT name, company, phone, email, city FROM contact WHERE id = ?1");
    if (!q.bind(1, number).step()) return std::nullopt;
    return ContactFields{q.text(0), q.text(1), q.text(2), q.text(3), q.text(4)};
}

void Store::forEachContact(const std::function<void(const Contact&)>& visit) {
    auto q =
        connection_.query("SELECT id, name, company, phone, email, city FROM contact ORDER BY id");
    while (q.step()) {
        visit(Contact{q.integer(0), {q.text(1), q.text(2), q.text(3), q.text(4), q.text(5)}});
    }
}

std::int64_t Store::contactCount() {
    auto q = connection_.query("SELECT count(*) FROM contact");
    return q.step() ? q.integer(0) : 0;
}

std::vector<std::int64_t> Store::resolve(const LookupQuery& query, bool skipRemoved) {
    std::vector<std::int64_t> numbers;
    switch (query.kind) {
        case LookupQuery::Kind::All: {
            auto q = connection_.query("SELECT id FROM contact ORDER BY id");
            while (q.step()) numbers.push_back(q.integer(0));
            break;
        }
        case LookupQuery::Kind::Where: {
            // Column names come from the fixed list only; values are bound.
            std::string sql = "SELECT id FROM contact WHERE 1";
            for (const auto& [field, value] : query.where) {
                const auto column = contactColumn(field);
                if (!column) fail(err::InvalidPropertyValue, "unknown contact field " + field);
                sql += " AND " + *column + " = ? COLLATE NOCASE";
            }
            sql += " ORDER BY id";
            auto statement = connection_.prepareOnce(sql);
            for (std::size_t i = 0; i < query.where.size(); ++i) {
                const std::string& value = query.where[i].second;
                sqlite3_bind_text64(statement.get(), int(i + 1), value.data(), value.size(),
                                    SQLITE_TRANSIENT, SQLITE_UTF8);
            }
            int rc;
            while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
                numbers.push_back(sqlite3_column_int64(statement.get(), 0));
            }
            if (rc != SQLITE_DONE) failSqlite(connection_.handle(), "selecting contacts");
            break;
        }
        case LookupQuery::Kind::Ids:
            for (std::int64_t id : query.ids) {
                if (!contactExists(id)) {
                    if (skipRemoved) continue;
                    fail(err::InvalidPropertyValue,
                         "no contact has the identifier " + formatContactId(id));
                }
                numbers.push_back(id);
            }
            break;
    }
    return numbers;
}

void Store::addNote(const NoteRecord& note, std::int64_t& run, const std::string& userName,
                    bool loggedIn) {
    const std::string now = utcTimestamp();
    // The login check rides in the INSERT itself: a user added by the tool a moment ago
    // cannot slip a note past it.
    auto insert = [&](std::int64_t runId) {
        auto q = connection_.query(
            "INSERT INTO note(contact_id, run_id, type_code, text, attachment, date_text, date, "
            "time, written_at, user_name) SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10 "
            "WHERE ?11 OR NOT EXISTS (SELECT 1 FROM app_user)");
        q.bind(1, note.contact)
            .bind(2, runId)
            .bind(3, std::int64_t{note.typeCode})
            .bind(4, note.text)
            .bindOptional(5, note.attachment)
            .bind(6, note.dateText)
            .bind(7, note.date)
            .bindOptional(8, note.time)
            .bind(9, now)
            .bind(10, userName)
            .bind(11, std::int64_t{loggedIn});
        try {
            q.run();
        } catch (const Failure&) {
            if (sqlite3_extended_errcode(connection_.handle()) == SQLITE_CONSTRAINT_FOREIGNKEY) {
                fail(err::InvalidPropertyValue,
                     "no contact has the identifier " + formatContactId(note.contact));
            }
            throw;
        }
        if (sqlite3_changes(connection_.handle()) == 0) {
            fail(err::PermissionDenied,
                 "this database asks for a login: log in before writing notes");
        }
    };

    if (run != 0) {
        insert(run);  // autocommit: the statement is its own transaction
        return;
    }
    Transaction tx(connection_);
    connection_.query("INSERT INTO run(started_at, user_name, host, pid) VALUES (?1, ?2, ?3, ?4)")
        .bind(1, now)
        .bind(2, userName)
        .bind(3, hostName())
        .bind(4, std::int64_t{getpid()})
        .run();
    const std::int64_t newRun = sqlite3_last_insert_rowid(connection_.handle());
    insert(newRun);
    tx.commit();
    run = newRun;
}

void Store::forEachNote(const std::function<void(const StoredNote&)>& visit) {
    auto q = connection_.query(
        "SELECT id, contact_id, run_id, type_code, text, attachment, date_text, date, time, "
        "written_at, user_name FROM note ORDER BY id");
    while (q.step()) {
        StoredNote n;
        n.id = q.integer(0);
        n.contact = q.integer(1);
        n.run = q.integer(2);
        n.record.contact = n.contact;
        n.record.typeCode = static_cast<std::int16_t>(q.integer(3));
        n.record.text = q.text(4);
        n.record.attachment = q.optionalText(5);
        n.record.dateText = q.text(6);
        n.record.date = q.text(7);
        n.record.time = q.optionalText(8);
        n.writtenAt = q.text(9);
        n.userName = q.text(10);
        visit(n);
    }
}

namespace {
constexpr const char* kRunColumns =
    "SELECT r.id, r.started_at, r.user_name, r.host, r.pid, r.undone_at, "
    "(SELECT count(*) FROM note WHERE run_id = r.id) FROM run r ";

Run runOf(const Query& q) {
    return Run{q.integer(0), q.text(1),    q.text(2),        q.text(3),
               q.integer(4), q.integer(6), q.optionalText(5)};
}
}  // namespace

std::vector<Run> Store::runs() {
    std::vector<Run> result;
    auto q = connection_.query(std::string(kRunColumns) + "ORDER BY r.id");
    while (q.step()) result.push_back(runOf(q));
    return result;
}

std::optional<Run> Store::run(std::int64_t id) {
    auto q = connection_.query(std::string(kRunColumns) + "WHERE r.id = ?1");
    if (!q.bind(1, id).step()) return std::nullopt;
    return runOf(q);
}

std::int64_t Store::undoRun(std::int64_t id) {
    Transaction tx(connection_);
    const auto found = run(id);
    if (!found) fail(err::InvalidPropertyValue, "no run " + std::to_string(id));
    if (found->undoneAt) {
        fail(err::InvalidPropertyValue,
             "run " + std::to_string(id) + " was already undone at " + *found->undoneAt);
    }
    connection_.query("DELETE FROM note WHERE run_id = ?1").bind(1, id).run();
    const std::int64_t removed = sqlite3_changes(connection_.handle());
    connection_.query("UPDATE run SET undone_at = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, utcTimestamp())
        .run();
    tx.commit();
    return removed;
}

}  // namespace penwick::embedded
