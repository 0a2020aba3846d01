#pragma once
// One contact database, holding contacts, users, runs and notes: a SQLite file (the embedded
// default) or a database on a PostgreSQL server that a team shares. The store does not care
// which; the engine behind it (database.h) does. Contacts are numbered by the row's integer
// primary key (see contact_id.h for their names).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contacts/database.h"
#include "contacts/postgres/server_users.h"

namespace penwick::contacts {

// The layout's version, kept in each database and checked when it is opened. Version 2 added
// administrators (app_user.is_admin), version 3 the lookup each run was confirmed for (run_lookup)
// and extra contact fields; an older file is brought up to date when it is opened.
inline constexpr std::int32_t kSchemaVersion = 3;
// A server database's layout: version 4 left the users' table for the server's own roles.
inline constexpr std::int32_t kServerSchemaVersion = 4;

struct ContactFields {
    std::string name, company, phone, email, city;
};

// The contact fields in their one order: the column name the tool and its CSV header use, and
// the number ContactSet::Data reads the field under (1 is the identifier).
struct ContactFieldColumn {
    std::string_view column;
    std::int16_t number;
    std::string ContactFields::*member;
};
inline constexpr std::array<ContactFieldColumn, 5> kContactFieldColumns = {{
    {"name", 2, &ContactFields::name},
    {"company", 3, &ContactFields::company},
    {"phone", 4, &ContactFields::phone},
    {"email", 5, &ContactFields::email},
    {"city", 6, &ContactFields::city},
}};

// One of the five fixed contact fields, as the tool and its CSV header name them. Returns the
// column name, or nothing for any other name (which may still be an extra field).
std::optional<std::string> contactColumn(std::string_view field);

// The UTF-8 text with case folded away: every letter lower-cased by Unicode's case table, and
// the sharp s spelt "ss", so that "KÖLN" matches "köln" and "STRASSE" matches "Straße".
std::string foldCase(std::string_view text);
// The key two field names are compared by: ASCII case, spaces, hyphens, underscores and dots
// ignored ("E-mail Address" and "email address" are one name).
std::string fieldKey(std::string_view name);

struct Contact {
    std::int64_t number = 0;
    ContactFields fields;
    // The extra fields' values in the order of Store::extraFields(); empty when not set.
    std::vector<std::string> extras;
};

class Store;

// A contact field found by name: a fixed one (member) or an extra one (extraId).
struct ContactFieldRef {
    std::string name;  // as stored
    std::string ContactFields::*member = nullptr;
    std::int64_t extraId = 0;
};

// Adds contacts one at a time inside one transaction: nothing is kept unless commit() is
// reached. The extra fields are named once, up front; each contact gives their values in that
// order (an empty value is not stored). On a server the rows stream into a temporary table as
// they come and move into the contacts at commit, in one statement; in a file they go in
// batches of kBatch.
class ContactImport {
public:
    ContactImport(const ContactImport&) = delete;
    ContactImport& operator=(const ContactImport&) = delete;
    ~ContactImport();

    void add(const ContactFields& fields, const std::vector<std::string>& extras);
    std::size_t added() const { return added_; }
    void commit();

private:
    friend class Store;
    ContactImport(Connection& connection, const std::vector<std::string>& extraNames);
    // Inserts the rows waiting in the batch.
    void flush();
    // The streamed rows into the contacts.
    void moveStreamed();

    struct Extra {
        std::int64_t contact = 0, field = 0;
        std::string value;
    };
    // Rows go in kBatch at a time, through statements prepared for this import and bound
    // without copying: running a statement per row was most of an import's time.
    static constexpr std::size_t kBatch = 64;

    Connection& connection_;
    Transaction tx_;
    std::vector<std::int64_t> fieldIds_;
    std::unique_ptr<Statement> contactRow_, contactBatch_, extraRow_, extraBatch_;
    // The contacts are numbered here, so that their extra fields can wait in the batch too;
    // no one else adds contacts while the transaction is open.
    std::int64_t nextId_ = 1;
    std::vector<std::string> contacts_;  // the fixed fields of the waiting contacts
    std::size_t waitingContacts_ = 0;
    std::vector<Extra> extras_;
    std::size_t waitingExtras_ = 0;
    std::size_t added_ = 0;
    // On a server: the COPY into the temporary table, ended before the transaction.
    std::unique_ptr<RowStream> stream_;
};

struct NoteRecord {
    std::int64_t contact = 0;
    std::int16_t typeCode = 100;
    std::string text;
    std::optional<std::string> attachment;
    std::string dateText;             // as written
    std::string date;                 // yyyy-mm-dd
    std::optional<std::string> time;  // hh:mm:ss, when the written date carried one
};

struct StoredNote {
    std::int64_t id = 0;
    std::int64_t contact = 0;
    std::int64_t run = 0;
    NoteRecord record;
    std::string writtenAt;
    std::string userName;
};

struct Run {
    std::int64_t id = 0;
    std::string startedAt;
    std::string userName;
    std::string host;
    std::int64_t pid = 0;
    std::int64_t notes = 0;
    std::optional<std::string> undoneAt;
    // How many contacts the run was confirmed for; nothing when its lookup was not kept (runs
    // written before databases kept them, or by a connection that loaded no lookup).
    std::optional<std::int64_t> lookupSize;
    // The run whose rest this run was started to write.
    std::optional<std::int64_t> continues;

    // Every contact of its kept lookup has this run's note.
    bool finished() const { return lookupSize && notes == *lookupSize && !undoneAt; }
};

// One condition on a contact field. All three ignore case (Unicode case folding); an extra
// field a contact has no value for counts as empty.
struct Condition {
    enum class Op { Equal, Contains, NotEqual };
    std::string field, value;
    Op op = Op::Equal;
    bool operator==(const Condition&) const = default;
};

// Who a lookup selects:
//   All        every contact, in the order they were added;
//   Where      those meeting every condition (any one of them, with `any`), in that order;
//   Ids        the given contacts in the given order;
//   Run        the contacts run `run` wrote to, in the order it wrote them;
//   RestOfRun  the contacts of run `run`'s lookup that have not received its note, in the
//              lookup's order. Runs written for such a rest continue the run; a note from
//              the run it started from or from any run continuing that one counts.
struct LookupQuery {
    enum class Kind { All, Where, Ids, Run, RestOfRun } kind = Kind::All;
    std::vector<Condition> where;
    std::vector<std::int64_t> ids;
    bool any = false;
    std::int64_t run = 0;
};

// How a run begins: the lookup its connection loaded and the user confirmed (nothing when it
// loaded none), and the run it continues.
struct RunStart {
    const std::vector<std::int64_t>* lookup = nullptr;
    std::optional<std::int64_t> continues;
};

// What a copy of a database took over.
struct CopyCounts {
    std::int64_t users = 0, contacts = 0, extraFields = 0, extraValues = 0, runs = 0,
                 lookupEntries = 0, notes = 0;
    // Users who were given a new password; on a server, users whose role was there already
    // and kept its own.
    std::int64_t newPasswords = 0, rolesKept = 0;
};

// What a login came to: whether the database lets the connection in, and as whom.
struct LoginOutcome {
    bool accepted = false;
    std::optional<std::string> user;  // the user as stored; nothing where no one logs in
};

// A new password for a user of a copy where his password cannot go across.
using NewPassword = std::function<std::string(const UserEntry&)>;

// True for a name of a database on a PostgreSQL server (a postgresql:// or postgres:// URI);
// any other name is a path of a SQLite file.
bool isServerName(std::string_view name);

// The name by which a database is kept in the session and shown: an absolute path for a
// file, the URI as given for a server. A server URI holding a password is refused: passwords
// come from ~/.pgpass or the environment, never from a name that is stored and shown.
std::string databaseName(const std::string& given);

class Store {
public:
    // Creates a new, empty database (refusing a file that exists, or a server database that
    // holds tables); `fill`, when given, adds to it within the transaction that makes it, so
    // that the database appears complete or not at all.
    static void create(const std::string& name, const std::function<void(Store&)>& fill = {});

    // Opens an existing database of ours and of this schema version; anything else is a
    // Failure and is left untouched.
    explicit Store(const std::string& name);
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store();

    // The file's path or the server's URI, as opened.
    const std::string& path() const { return path_; }
    // A random identity given at creation: lookups name the database by it.
    const std::string& databaseId() const { return databaseId_; }
    Connection& connection() { return *connection_; }

    // --- users
    // Whether the database asks for a login: it has users.
    bool isMultiUser();
    // The login every front end makes: a database without users lets anyone in, as no user;
    // one with users only a user with the right password (verifyUser), and the answer for an
    // unknown name is the one for a wrong password.
    LoginOutcome logIn(std::string_view name, std::string_view password);
    // The first user of a database is always an administrator.
    void addUser(std::string_view name, std::string_view password, bool admin = false);
    // The user's name as stored when the password is right, else nothing. In a file, an
    // unknown name costs the same work as a known one, so the time taken tells no names. On a
    // server the server checks the password as the user connects, and the store goes on
    // through that connection: what it may do is then what the user may.
    std::optional<std::string> verifyUser(std::string_view name, std::string_view password);
    bool isAdmin(std::string_view name);
    // Every user with whether he is an administrator.
    std::vector<UserEntry> users();

    // --- contacts
    // Adds the contacts in one transaction; returns how many.
    std::size_t addContacts(const std::vector<ContactFields>& contacts);
    // Starts adding contacts with the given extra fields: a name matching a known extra field
    // (by fieldKey) is that field, any other one a new field. Nothing is written until the
    // import is committed; dropping it uncommitted leaves the database as it was.
    ContactImport importContacts(const std::vector<std::string>& extraNames);
    // The names of the extra fields, in the order they were first imported.
    std::vector<std::string> extraFields();
    bool contactExists(std::int64_t number);
    // Each of the numbers in order, with whether a contact has it; asked a batch at a time.
    void forEachExisting(const std::vector<std::int64_t>& numbers,
                         const std::function<void(std::int64_t, bool)>& visit);
    std::optional<ContactFields> contact(std::int64_t number);
    // Every contact in number order, with its extra fields; streamed, nothing collected.
    void forEachContact(const std::function<void(const Contact&)>& visit);
    // A field by name: one of kContactFieldColumns or an extra field (matched by fieldKey).
    // An unknown name is a Failure.
    ContactFieldRef contactField(std::string_view name);
    // That field of one contact: empty when not set, nothing for an unknown contact.
    std::optional<std::string> contactValue(std::int64_t number, const ContactFieldRef& field);
    std::int64_t contactCount();
    // A field a lookup may select on, named as stored: one of the fixed columns or an extra
    // field (matched by fieldKey); nothing for an unknown name.
    std::optional<std::string> fieldName(std::string_view field);
    // The contact numbers the query selects, in order; unknown fields fail, and so do unknown
    // identifiers unless `skipRemoved` (a kept lookup outlives contacts removed since).
    std::vector<std::int64_t> resolve(const LookupQuery& query, bool skipRemoved = false);
    // The same selection, one contact number at a time, without holding the whole of it.
    void forEachSelected(const LookupQuery& query, bool skipRemoved,
                         const std::function<void(std::int64_t)>& visit);
    std::int64_t countSelected(const LookupQuery& query, bool skipRemoved = false);

    // --- notes and runs
    // Stores one note in its own transaction, on disk when this returns. The run row is made
    // with the first note of a run (`run` is 0 until then, and set here), and with it the
    // run's lookup from `start`, all in one transaction. `loggedIn` is whether the writing
    // connection has logged in; on a multi-user database a note from a connection that has
    // not is refused, checked within the same statement as the insert.
    void addNote(const NoteRecord& note, std::int64_t& run, const std::string& userName,
                 bool loggedIn, const RunStart& start = {});
    void forEachNote(const std::function<void(const StoredNote&)>& visit);
    std::vector<Run> runs();
    std::optional<Run> run(std::int64_t id);
    // Removes every note of the run and marks the run undone; returns how many were removed.
    // A run that was undone before is refused, and so is one the logged-in user may not undo
    // (see requireMayUndo).
    std::int64_t undoRun(std::int64_t id);
    // Fails unless the user logged in through verifyUser may undo the run: its author or an
    // administrator (names ignore ASCII case, as logins do). A store that logged no one in
    // acts for whoever opened the database, as it does in everything else.
    void requireMayUndo(const Run& run);

    // --- the whole database
    // Copies everything of `source` into this database, which must be empty (just created),
    // keeping every identifier: the source is read as one state and nothing is written but
    // all of it. This database keeps its own identity. Users go across with their password
    // hashes between files; where a server is either end, its passwords are its own and no
    // hash can become one: each user gets a `newPassword`, except that on a server a user
    // whose role exists there already keeps that role and its password.
    CopyCounts copyFrom(Store& source, const NewPassword& newPassword = {});

private:
    Store(Connection& connection, std::string path);
    // Reads the database's identity.
    void identify();
    void addRunLookup(std::int64_t run, const std::vector<std::int64_t>& contacts);
    // An extra field's identifier and stored name, matched by fieldKey.
    std::optional<std::pair<std::int64_t, std::string>> extraFieldId(std::string_view name);

    std::string path_;
    std::unique_ptr<Connection> owned_;
    Connection* connection_ = nullptr;
    std::string databaseId_;
    std::optional<std::string> user_;  // the user verifyUser accepted, as stored
};

}  // namespace penwick::contacts
