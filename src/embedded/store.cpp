#include "embedded/store.h"

#include <sodium.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <variant>

#include "embedded/contact_id.h"
#include "embedded/insert_rows.h"
#include "embedded/postgres.h"
#include "embedded/server_users.h"
#include "embedded/sqlite.h"
#include "embedded/system.h"
#include "posix/files.h"
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

// The runs that write one note: the run ?1, the run it was started from, and every run that
// continues that one (and those that continue them).
constexpr const char* kRunFamily =
    "WITH RECURSIVE up(id, parent) AS ("
    " SELECT id, continues_run FROM run WHERE id = ?1 UNION"
    " SELECT r.id, r.continues_run FROM run r JOIN up ON r.id = up.parent),"
    " family(id) AS (SELECT id FROM up WHERE parent IS NULL UNION"
    " SELECT r.id FROM run r JOIN family ON r.continues_run = family.id) ";

std::string hashPassword(std::string_view password) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        fail(err::OutOfMemory, "not enough memory to hash the password");
    }
    return hash;
}

// A hash of a random password, made once: checking an unknown user's password against it
// costs what checking a known user's does.
const std::string& dummyHash() {
    static const std::string hash = [] {
        unsigned char raw[16];
        randombytes_buf(raw, sizeof raw);
        return hashPassword(std::string_view(reinterpret_cast<const char*>(raw), sizeof raw));
    }();
    return hash;
}

}  // namespace

std::string foldCase(std::string_view text) {
    // The C library's own Unicode case table; C.UTF-8 is built into glibc, whatever locales
    // the machine has installed.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    const std::u16string wide = fromUtf8(text);
    std::u16string folded;
    folded.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() &&
                          wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000;
        if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        if (c == 0xDF || c == 0x1E9E) {  // sharp s: "Straße" and "STRASSE" are one word
            folded += u"ss";
            continue;
        }
        if (unicode != locale_t{})
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicode));
        if (c >= 0x10000) {
            folded += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            folded += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            folded += static_cast<char16_t>(c);
        }
    }
    return toUtf8(folded);
}

std::string fieldKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (char c : name) {
        if (c == ' ' || c == '\t' || c == '-' || c == '_' || c == '.') continue;
        key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return key;
}

std::optional<std::string> contactColumn(std::string_view field) {
    const std::string key = fieldKey(field);
    for (const ContactFieldColumn& c : kContactFieldColumns) {
        if (key == c.column) return std::string(c.column);
    }
    return std::nullopt;
}

bool isServerName(std::string_view name) {
    return name.starts_with("postgresql://") || name.starts_with("postgres://");
}

std::string databaseName(const std::string& given) {
    if (isServerName(given)) {
        checkPostgresName(given);
        return given;
    }
    return posix::absolutePath(given);
}

void Store::create(const std::string& name, const std::function<void(Store&)>& fill) {
    ensureSodium();
    const auto made = [&](Connection& c) {
        unsigned char raw[16];
        randombytes_buf(raw, sizeof raw);
        char hex[2 * sizeof raw + 1];
        sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);
        c.query("INSERT INTO meta(key, value) VALUES ('database_id', ?1)").bind(1, hex).run();
        c.query("INSERT INTO meta(key, value) VALUES ('created_at', ?1)")
            .bind(1, utcTimestamp())
            .run();
        if (fill) {
            Store store(c, name);
            fill(store);
        }
    };
    if (isServerName(name)) {
        createPostgresDatabase(name, made);
    } else {
        createSqliteDatabase(name, made);
    }
}

Store::Store(const std::string& name) : path_(name) {
    ensureSodium();
    if (isServerName(name)) {
        owned_ = openPostgresDatabase(name);
    } else {
        owned_ = openSqliteDatabase(name);
    }
    connection_ = owned_.get();
    identify();
}

Store::Store(Connection& connection, std::string path)
    : path_(std::move(path)), connection_(&connection) {
    identify();
}

Store::~Store() = default;

void Store::identify() {
    auto q = connection_->query("SELECT value FROM meta WHERE key = 'database_id'");
    if (!q.step()) fail(err::AutomationError, path_ + " has no database identity");
    databaseId_ = q.text(0);
}

bool Store::isMultiUser() {
    if (connection_->serverRoles()) return ServerUsers(*connection_).any();
    auto q = connection_->query("SELECT EXISTS (SELECT 1 FROM app_user)");
    return q.step() && q.integer(0) != 0;
}

void Store::addUser(std::string_view name, std::string_view password, bool admin) {
    if (name.empty()) fail(err::InvalidCall, "a user needs a name");
    if (password.empty()) fail(err::InvalidCall, "a user needs a password");
    if (connection_->serverRoles()) {
        ServerUsers users(*connection_);
        users.add(name, password, admin || !users.any());
        return;
    }
    const std::string hash = hashPassword(password);
    Transaction tx(*connection_);
    {
        auto exists = connection_->query("SELECT 1 FROM app_user WHERE lower(name) = lower(?1)");
        if (exists.bind(1, name).step()) {
            fail(err::PermissionDenied, "user " + std::string(name) + " already exists");
        }
    }
    (*connection_)
        .query(
            "INSERT INTO app_user(name, password_hash, created_at, is_admin) "
            "VALUES (?1, ?2, ?3, CASE WHEN ?4 = 1 OR NOT EXISTS (SELECT 1 FROM app_user) THEN 1 "
            "ELSE 0 END)")
        .bind(1, name)
        .bind(2, std::string_view(hash))
        .bind(3, utcTimestamp())
        .bind(4, std::int64_t{admin})
        .run();
    tx.commit();
}

std::optional<std::string> Store::verifyUser(std::string_view name, std::string_view password) {
    if (connection_->serverRoles()) {
        // The server checks the password; the store goes on as the user's own connection.
        const auto role = ServerUsers(*connection_).find(name);
        if (!role) return std::nullopt;
        auto own = openPostgresDatabaseAs(path_, *role, std::string(password));
        if (!own) return std::nullopt;
        owned_ = std::move(own);
        connection_ = owned_.get();
        user_ = role;
        return role;
    }
    std::optional<std::string> stored;
    std::string hash = dummyHash();
    {
        auto q = connection_->query(
            "SELECT name, password_hash FROM app_user WHERE lower(name) = lower(?1)");
        if (q.bind(1, name).step()) {
            stored = q.text(0);
            hash = q.text(1);
        }
    }
    const bool right =
        crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
    if (!stored || !right) return std::nullopt;
    user_ = stored;
    return stored;
}

bool Store::isAdmin(std::string_view name) {
    if (connection_->serverRoles()) return ServerUsers(*connection_).isAdmin(name);
    auto q = connection_->query("SELECT is_admin FROM app_user WHERE lower(name) = lower(?1)");
    return q.bind(1, name).step() && q.integer(0) != 0;
}

std::optional<std::string> Store::findUser(std::string_view name) {
    if (connection_->serverRoles()) return ServerUsers(*connection_).find(name);
    auto q = connection_->query("SELECT name FROM app_user WHERE lower(name) = lower(?1)");
    if (!q.bind(1, name).step()) return std::nullopt;
    return q.text(0);
}

std::vector<UserEntry> Store::users() {
    if (connection_->serverRoles()) return ServerUsers(*connection_).list();
    std::vector<UserEntry> users;
    auto q = connection_->query("SELECT name, is_admin FROM app_user ORDER BY id");
    while (q.step()) users.push_back({q.text(0), q.integer(1) != 0});
    return users;
}

std::size_t Store::addContacts(const std::vector<ContactFields>& contacts) {
    Transaction tx(*connection_);
    for (const ContactFields& f : contacts) {
        (*connection_)
            .query(
                "INSERT INTO contact(name, company, phone, email, city) VALUES (?1, ?2, ?3, "
                "?4, "
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

namespace {
constexpr const char* kRunLookupInto = "run_lookup(run_id, position, contact_id)";
}  // namespace

ContactImport Store::importContacts(const std::vector<std::string>& extraNames) {
    return ContactImport(*connection_, extraNames);
}

std::vector<std::string> Store::extraFields() {
    std::vector<std::string> names;
    auto q = connection_->query("SELECT name FROM extra_field ORDER BY id");
    while (q.step()) names.push_back(q.text(0));
    return names;
}

ContactFieldRef Store::contactField(std::string_view name) {
    if (const auto column = contactColumn(name)) {
        const auto fixed = std::find_if(kContactFieldColumns.begin(), kContactFieldColumns.end(),
                                        [&](const auto& c) { return c.column == *column; });
        return {*column, fixed->member, 0};
    }
    if (const auto extra = extraFieldId(name)) return {extra->second, nullptr, extra->first};
    fail(err::InvalidPropertyValue, "unknown contact field " + std::string(name));
}

std::optional<std::string> Store::contactValue(std::int64_t number, const ContactFieldRef& field) {
    if (field.member != nullptr) {
        auto c = contact(number);
        if (!c) return std::nullopt;
        return (*c).*field.member;
    }
    if (!contactExists(number)) return std::nullopt;
    auto q = connection_->query(
        "SELECT value FROM contact_extra WHERE contact_id = ?1 AND field_id = ?2");
    if (!q.bind(1, number).bind(2, field.extraId).step()) return std::string();
    return q.text(0);
}

void Store::forEachExisting(const std::vector<std::int64_t>& numbers,
                            const std::function<void(std::int64_t, bool)>& visit) {
    // kBatch numbers a statement: a server's round trip per contact would cost more than
    // the lookup.
    constexpr std::size_t kBatch = 256;
    std::vector<std::int64_t> found;
    for (std::size_t from = 0; from < numbers.size(); from += kBatch) {
        const std::size_t count = std::min(kBatch, numbers.size() - from);
        std::string sql = "SELECT id FROM contact WHERE id IN (?1";
        for (std::size_t i = 2; i <= count; ++i) sql += ",?" + std::to_string(i);
        auto q = connection_->query(sql + ")");
        for (std::size_t i = 0; i < count; ++i) q.bind(int(i + 1), numbers[from + i]);
        found.clear();
        while (q.step()) found.push_back(q.integer(0));
        std::sort(found.begin(), found.end());
        for (std::size_t i = from; i < from + count; ++i)
            visit(numbers[i], std::binary_search(found.begin(), found.end(), numbers[i]));
    }
}

bool Store::contactExists(std::int64_t number) {
    return connection_->query("SELECT 1 FROM contact WHERE id = ?1").bind(1, number).step();
}

std::optional<ContactFields> Store::contact(std::int64_t number) {
    auto q =
        connection_->query("SELECT name, company, phone, email, city FROM contact WHERE id = ?1");
    if (!q.bind(1, number).step()) return std::nullopt;
    return ContactFields{q.text(0), q.text(1), q.text(2), q.text(3), q.text(4)};
}

void Store::forEachContact(const std::function<void(const Contact&)>& visit) {
    // Two ordered streams merged side by side, so that no contact waits in memory for its
    // extra fields. All read within one transaction, so they see the same contacts.
    Transaction read(*connection_, Connection::Access::Read);
    {
        // The extra fields' position in Contact::extras, by their id.
        std::vector<std::pair<std::int64_t, std::size_t>> position;
        {
            auto q = connection_->query("SELECT id FROM extra_field ORDER BY id");
            while (q.step()) position.emplace_back(q.integer(0), position.size());
        }
        auto q = connection_->stream(
            "SELECT id, name, company, phone, email, city FROM contact ORDER BY id");
        auto extras = connection_->stream(
            "SELECT contact_id, field_id, value FROM contact_extra ORDER BY contact_id, "
            "field_id");
        bool extra = extras.step();
        Contact c;
        while (q.step()) {
            c.number = q.integer(0);
            c.fields = {q.text(1), q.text(2), q.text(3), q.text(4), q.text(5)};
            c.extras.assign(position.size(), std::string());
            while (extra && extras.integer(0) < c.number) extra = extras.step();
            while (extra && extras.integer(0) == c.number) {
                const auto at =
                    std::lower_bound(position.begin(), position.end(), extras.integer(1),
                                     [](const auto& p, std::int64_t id) { return p.first < id; });
                if (at != position.end() && at->first == extras.integer(1)) {
                    c.extras[at->second] = extras.text(2);
                }
                extra = extras.step();
            }
            visit(c);
        }
    }
    read.commit();
}

std::int64_t Store::contactCount() {
    auto q = connection_->query("SELECT count(*) FROM contact");
    return q.step() ? q.integer(0) : 0;
}

std::optional<std::string> Store::fieldName(std::string_view field) {
    if (auto column = contactColumn(field)) return column;
    const auto extra = extraFieldId(field);
    return extra ? std::optional(extra->second) : std::nullopt;
}

std::optional<std::pair<std::int64_t, std::string>> Store::extraFieldId(std::string_view name) {
    // Few fields, compared in C++: the key ignores spacing and punctuation as well as case.
    const std::string key = fieldKey(name);
    auto q = connection_->query("SELECT id, name FROM extra_field ORDER BY id");
    while (q.step()) {
        if (fieldKey(q.text(1)) == key) return std::pair(q.integer(0), q.text(1));
    }
    return std::nullopt;
}

namespace {

// A statement built at run time with its values bound in order: numbers (field identifiers)
// and texts (condition values); only names from the fixed list are spliced into the SQL.
class BuiltQuery {
public:
    std::string sql;

    std::string parameter(std::int64_t value) {
        values_.emplace_back(value);
        return "?" + std::to_string(values_.size());
    }
    std::string parameter(const std::string& value) {
        values_.emplace_back(value);
        return "?" + std::to_string(values_.size());
    }

    void forEachRow(Connection& c, const std::function<void(std::int64_t)>& visit) {
        auto statement = c.prepareStream(sql);
        for (std::size_t i = 0; i < values_.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            if (const auto* n = std::get_if<std::int64_t>(&values_[i])) {
                statement->bind(index, *n);
            } else {
                statement->bind(index, std::get<std::string>(values_[i]), true);
            }
        }
        while (statement->step()) visit(statement->integer(0));
    }

private:
    std::vector<std::variant<std::int64_t, std::string>> values_;
};

}  // namespace

std::vector<std::int64_t> Store::resolve(const LookupQuery& query, bool skipRemoved) {
    std::vector<std::int64_t> numbers;
    forEachSelected(query, skipRemoved, [&](std::int64_t number) { numbers.push_back(number); });
    return numbers;
}

std::int64_t Store::countSelected(const LookupQuery& query, bool skipRemoved) {
    std::int64_t count = 0;
    forEachSelected(query, skipRemoved, [&](std::int64_t) { ++count; });
    return count;
}

void Store::forEachSelected(const LookupQuery& query, bool skipRemoved,
                            const std::function<void(std::int64_t)>& visit) {
    switch (query.kind) {
        case LookupQuery::Kind::All: {
            auto q = connection_->stream("SELECT id FROM contact ORDER BY id");
            while (q.step()) visit(q.integer(0));
            return;
        }
        case LookupQuery::Kind::Where: {
            BuiltQuery built;
            built.sql = "SELECT c.id FROM contact c WHERE ";
            std::string joined;
            for (const Condition& condition : query.where) {
                std::string value;
                if (const auto column = contactColumn(condition.field)) {
                    value = "c." + *column;
                } else {
                    // An extra field; a contact without a value for it has it empty.
                    const auto field = extraFieldId(condition.field);
                    if (!field) {
                        fail(err::InvalidPropertyValue, "unknown contact field " + condition.field);
                    }
                    value =
                        "coalesce((SELECT value FROM contact_extra WHERE contact_id = c.id "
                        "AND field_id = " +
                        built.parameter(field->first) + "), '')";
                }
                const std::string folded = "penwick_fold(" + value + ")";
                const std::string given = built.parameter(foldCase(condition.value));
                std::string test;
                switch (condition.op) {
                    case Condition::Op::Equal:
                        test = folded + " = " + given;
                        break;
                    case Condition::Op::NotEqual:
                        test = folded + " <> " + given;
                        break;
                    case Condition::Op::Contains:
                        // instr, not LIKE: the text is looked for as typed, % and _ included.
                        test = "instr(" + folded + ", " + given + ") > 0";
                        break;
                }
                joined += (joined.empty() ? "" : query.any ? " OR " : " AND ") + test;
            }
            built.sql += (joined.empty() ? "1" : "(" + joined + ")") + " ORDER BY c.id";
            built.forEachRow(*connection_, visit);
            return;
        }
        case LookupQuery::Kind::Ids:
            forEachExisting(query.ids, [&](std::int64_t id, bool exists) {
                if (!exists) {
                    if (skipRemoved) return;
                    fail(err::InvalidPropertyValue,
                         "no contact has the identifier " + formatContactId(id));
                }
                visit(id);
            });
            return;
        case LookupQuery::Kind::Run: {
            if (!run(query.run))
                fail(err::InvalidPropertyValue, "no run " + std::to_string(query.run));
            auto q = connection_->stream(
                "SELECT contact_id FROM note WHERE run_id = ?1 GROUP BY contact_id "
                "ORDER BY min(id)");
            q.bind(1, query.run);
            while (q.step()) visit(q.integer(0));
            return;
        }
        case LookupQuery::Kind::RestOfRun: {
            const auto found = run(query.run);
            if (!found) fail(err::InvalidPropertyValue, "no run " + std::to_string(query.run));
            if (!found->lookupSize) {
                fail(err::InvalidPropertyValue,
                     "run " + std::to_string(query.run) +
                         " kept no lookup (it was written before runs kept theirs, or without "
                         "one), so which contacts it missed is not known");
            }
            // A run and the runs that continue it (and continue those) all write one note:
            // a contact with a note from any run of that family is done, whichever run of
            // it is being completed.
            auto q = connection_->stream(
                std::string(kRunFamily) +
                "SELECT l.contact_id FROM run_lookup l WHERE l.run_id = ?1 "
                "AND EXISTS (SELECT 1 FROM contact WHERE id = l.contact_id) "
                "AND NOT EXISTS (SELECT 1 FROM note n WHERE n.contact_id = l.contact_id "
                "AND n.run_id IN (SELECT id FROM family)) ORDER BY l.position");
            q.bind(1, query.run);
            while (q.step()) visit(q.integer(0));
            return;
        }
    }
}

void Store::addNote(const NoteRecord& note, std::int64_t& run, const std::string& userName,
                    bool loggedIn, const RunStart& start) {
    const std::string now = utcTimestamp();
    // The login check rides in the INSERT itself: a user added by the tool a moment ago
    // cannot slip a note past it.
    const auto bindNote = [&](Query& q, std::int64_t runId) {
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
    };
    const auto refuseLoggedOut = [] {
        fail(err::PermissionDenied, "this database asks for a login: log in before writing notes");
    };
    auto insert = [&](std::int64_t runId) {
        auto q = connection_->query(
            "INSERT INTO note(contact_id, run_id, type_code, text, attachment, date_text, "
            "date, "
            "time, written_at, user_name) SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10 "
            "WHERE ?11 = 1 OR NOT " +
            std::string(connection_->hasUsersSql()) + " RETURNING id");
        bindNote(q, runId);
        if (!q.step()) refuseLoggedOut();
    };

    // A run of a family (one completing another's rest, or one whose rest is being completed
    // meanwhile) never writes to a contact that another run of it has reached: two programs
    // at work on one rest, or a stalled run that wakes up, would give the note twice.
    auto refuseIfNotedByFamily = [&](std::int64_t family, std::int64_t self) {
        auto q =
            connection_->query(std::string(kRunFamily) +
                               "SELECT run_id FROM note WHERE contact_id = ?2 AND run_id <> ?3 "
                               "AND run_id IN (SELECT id FROM family) LIMIT 1");
        if (q.bind(1, family).bind(2, note.contact).bind(3, self).step()) {
            fail(err::InvalidPropertyValue,
                 formatContactId(note.contact) + " already has this note, from run " +
                     std::to_string(q.integer(0)) + "; it is not written twice");
        }
    };

    // Where the engine writes a run's further notes in one statement with every check in it
    // (a server, which would otherwise be asked six times a note), it is asked that; which
    // check refused a note is found out afterwards.
    if (const std::string& oneStatement = connection_->noteStatement();
        run != 0 && !oneStatement.empty()) {
        std::optional<std::int64_t> written;
        try {
            auto q = connection_->query(oneStatement);
            bindNote(q, run);
            if (q.step()) written = q.optionalInteger(0);
        } catch (const Failure&) {
            bool missing = false;
            try {
                missing = !contactExists(note.contact);
            } catch (const Failure&) {
                // The connection is gone: the first failure says why.
            }
            if (missing) {
                fail(err::InvalidPropertyValue,
                     "no contact has the identifier " + formatContactId(note.contact));
            }
            throw;
        }
        if (written) return;
        refuseIfNotedByFamily(run, run);
        refuseLoggedOut();
    }

    Transaction tx(*connection_);
    connection_->lockContact(note.contact);
    if (!contactExists(note.contact)) {
        fail(err::InvalidPropertyValue,
             "no contact has the identifier " + formatContactId(note.contact));
    }
    if (run != 0) {
        refuseIfNotedByFamily(run, run);
        insert(run);
        tx.commit();
        return;
    }
    if (start.continues) refuseIfNotedByFamily(*start.continues, 0);
    std::int64_t newRun = 0;
    {
        auto q = connection_->query(
            "INSERT INTO run(started_at, user_name, host, pid, lookup_size, continues_run) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6) RETURNING id");
        q.bind(1, now)
            .bind(2, userName)
            .bind(3, hostName())
            .bind(4, std::int64_t{getpid()})
            .bindOptional(
                5, start.lookup ? std::optional(std::int64_t(start.lookup->size())) : std::nullopt)
            .bindOptional(6, start.continues);
        if (!q.step()) fail(err::AutomationError, "the run was not recorded");
        newRun = q.integer(0);
    }
    // The lookup goes in with the run's first note: a run on record always has its lookup.
    if (start.lookup) addRunLookup(newRun, *start.lookup);
    insert(newRun);
    tx.commit();
    run = newRun;
}

void Store::forEachNote(const std::function<void(const StoredNote&)>& visit) {
    auto q = connection_->stream(
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
    "(SELECT count(*) FROM note WHERE run_id = r.id), r.lookup_size, r.continues_run "
    "FROM run r ";

Run runOf(const Query& q) {
    Run r{q.integer(0), q.text(1),    q.text(2),        q.text(3),
          q.integer(4), q.integer(6), q.optionalText(5)};
    r.lookupSize = q.optionalInteger(7);
    r.continues = q.optionalInteger(8);
    return r;
}
}  // namespace

std::vector<Run> Store::runs() {
    std::vector<Run> result;
    auto q = connection_->query(std::string(kRunColumns) + "ORDER BY r.id");
    while (q.step()) result.push_back(runOf(q));
    return result;
}

std::optional<Run> Store::run(std::int64_t id) {
    auto q = connection_->query(std::string(kRunColumns) + "WHERE r.id = ?1");
    if (!q.bind(1, id).step()) return std::nullopt;
    return runOf(q);
}

void Store::addRunLookup(std::int64_t run, const std::vector<std::int64_t>& contacts) {
    // kLookupBatch rows a statement: a server's round trips would cost more than the rows.
    constexpr std::size_t kLookupBatch = 64;
    const auto insert = [&](std::size_t from, std::size_t rows) {
        auto q = connection_->query(insertRows(kRunLookupInto, 3, rows));
        int index = 1;
        for (std::size_t i = from; i < from + rows; ++i) {
            q.bind(index, run).bind(index + 1, std::int64_t(i)).bind(index + 2, contacts[i]);
            index += 3;
        }
        q.run();
    };
    std::size_t i = 0;
    for (; i + kLookupBatch <= contacts.size(); i += kLookupBatch) insert(i, kLookupBatch);
    for (; i < contacts.size(); ++i) insert(i, 1);
}

void Store::requireMayUndo(const Run& run) {
    if (!user_) return;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    const bool author =
        std::equal(user_->begin(), user_->end(), run.userName.begin(), run.userName.end(),
                   [&](char p, char q) { return lower(p) == lower(q); });
    if (author || isAdmin(*user_)) return;
    fail(err::PermissionDenied, "run " + std::to_string(run.id) + " was written by " +
                                    run.userName + "; only they or an administrator can undo it");
}

std::int64_t Store::undoRun(std::int64_t id) {
    Transaction tx(*connection_);
    const auto found = run(id);
    if (!found) fail(err::InvalidPropertyValue, "no run " + std::to_string(id));
    requireMayUndo(*found);
    if (found->undoneAt) {
        fail(err::InvalidPropertyValue,
             "run " + std::to_string(id) + " was already undone at " + *found->undoneAt);
    }
    std::int64_t removed = 0;
    {
        auto q = connection_->query("DELETE FROM note WHERE run_id = ?1 RETURNING id");
        for (q.bind(1, id); q.step();) ++removed;
    }
    connection_->query("UPDATE run SET undone_at = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, utcTimestamp())
        .run();
    tx.commit();
    return removed;
}

namespace {

// Copies the rows a SELECT gives into a table of another database, column for column, in
// batches; each column is read as a number or as text, as the table holds it.
class TableCopy {
public:
    TableCopy(Connection& to, const char* into, std::string_view kinds)
        : to_(to), into_(into), kinds_(kinds) {}

    std::int64_t from(Connection& source, const std::string& select) {
        auto q = source.stream(select);
        std::int64_t rows = 0;
        // A server takes the rows as one COPY, as an import's.
        if (auto copy = to_.copyInto(into_)) {
            while (q.step()) {
                for (int c = 0; c < static_cast<int>(kinds_.size()); ++c) {
                    if (q.isNull(c)) {
                        copy->null();
                    } else {
                        copy->value(q.text(c));
                    }
                }
                copy->endRow();
                ++rows;
            }
            copy->finish();
            return rows;
        }
        while (q.step()) {
            for (std::size_t c = 0; c < kinds_.size(); ++c) {
                const int column = static_cast<int>(c);
                if (q.isNull(column)) {
                    values_.emplace_back(std::monostate{});
                } else if (kinds_[c] == 'i') {
                    values_.emplace_back(q.integer(column));
                } else {
                    values_.emplace_back(q.text(column));
                }
            }
            if (++rows % kBatch == 0) flush();
        }
        flush();
        return rows;
    }

private:
    static constexpr std::size_t kBatch = 64;

    void flush() {
        const std::size_t rows = values_.size() / kinds_.size();
        if (rows == 0) return;
        auto q = to_.query(insertRows(into_, kinds_.size(), rows));
        int index = 1;
        for (const auto& value : values_) {
            if (const auto* n = std::get_if<std::int64_t>(&value)) {
                q.bind(index++, *n);
            } else if (const auto* t = std::get_if<std::string>(&value)) {
                q.bind(index++, *t);
            } else {
                q.bindNull(index++);
            }
        }
        q.run();
        values_.clear();
    }

    Connection& to_;
    const char* into_;
    std::string_view kinds_;
    std::vector<std::variant<std::monostate, std::int64_t, std::string>> values_;
};

}  // namespace

CopyCounts Store::copyFrom(Store& source, const NewPassword& newPassword) {
    Connection& from = source.connection();
    Connection& to = *connection_;
    Transaction read(from, Connection::Access::Read);
    Transaction tx(to);
    to.bulkLoad(true);
    CopyCounts counts;
    // Tables before the tables that refer to them.
    if (!from.serverRoles() && !to.serverRoles()) {
        counts.users =
            TableCopy(to, "app_user(id, name, password_hash, created_at, is_admin)", "ittti")
                .from(from,
                      "SELECT id, name, password_hash, created_at, is_admin FROM app_user "
                      "ORDER BY id");
    } else {
        for (const UserEntry& user : source.users()) {
            ++counts.users;
            if (to.serverRoles() && ServerUsers(to).roleExists(user.name)) {
                ServerUsers(to).adopt(user.name, user.admin);
                ++counts.rolesKept;
                continue;
            }
            if (!newPassword) {
                fail(err::InvalidCall, "user " + user.name +
                                           " needs a new password: a server's passwords are "
                                           "its own, and no password hash goes across");
            }
            const std::string password = newPassword(user);
            if (password.empty()) fail(err::InvalidCall, "no password given for " + user.name);
            if (to.serverRoles()) {
                ServerUsers(to).add(user.name, password, user.admin);
            } else {
                to.query(
                      "INSERT INTO app_user(name, password_hash, created_at, is_admin) "
                      "VALUES (?1, ?2, ?3, ?4)")
                    .bind(1, user.name)
                    .bind(2, hashPassword(password))
                    .bind(3, utcTimestamp())
                    .bind(4, std::int64_t{user.admin})
                    .run();
            }
            ++counts.newPasswords;
        }
    }
    counts.extraFields = TableCopy(to, "extra_field(id, name)", "it")
                             .from(from, "SELECT id, name FROM extra_field ORDER BY id");
    counts.contacts = TableCopy(to, "contact(id, name, company, phone, email, city)", "ittttt")
                          .from(from,
                                "SELECT id, name, company, phone, email, city FROM contact "
                                "ORDER BY id");
    counts.extraValues = TableCopy(to, "contact_extra(contact_id, field_id, value)", "iit")
                             .from(from,
                                   "SELECT contact_id, field_id, value FROM contact_extra "
                                   "ORDER BY contact_id, field_id");
    // A run only ever continues an earlier one.
    counts.runs = TableCopy(to,
                            "run(id, started_at, user_name, host, pid, undone_at, lookup_size, "
                            "continues_run)",
                            "itttitii")
                      .from(from,
                            "SELECT id, started_at, user_name, host, pid, undone_at, lookup_size, "
                            "continues_run FROM run ORDER BY id");
    counts.lookupEntries = TableCopy(to, "run_lookup(run_id, position, contact_id)", "iii")
                               .from(from,
                                     "SELECT run_id, position, contact_id FROM run_lookup "
                                     "ORDER BY run_id, position");
    counts.notes =
        TableCopy(to,
                  "note(id, contact_id, run_id, type_code, text, attachment, date_text, date, "
                  "time, written_at, user_name)",
                  "iiiittttttt")
            .from(from,
                  "SELECT id, contact_id, run_id, type_code, text, attachment, date_text, "
                  "date, time, written_at, user_name FROM note ORDER BY id");
    for (const char* table : {"extra_field", "contact", "run", "note"}) to.identifiersTaken(table);
    if (!to.serverRoles()) to.identifiersTaken("app_user");
    to.bulkLoad(false);
    tx.commit();
    read.commit();
    return counts;
}

}  // namespace penwick::embedded
