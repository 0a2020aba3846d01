#pragma once
// One contact database: a single SQLite file holding contacts, users, runs and notes.
// Contacts are numbered by the row's integer primary key (see contact_id.h for their names).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "embedded/sqlite.h"

namespace penwick::embedded {

// Stored in the file header (PRAGMA application_id and user_version) so that a file that is
// not ours, or of another layout, is refused before anything is read or changed.
inline constexpr std::int32_t kApplicationId = 0x50574B43;  // "PWKC"
// Version 2 added administrators (app_user.is_admin), version 3 the extra fields of contacts
// (extra_field, contact_extra); an older file is brought up to date when it is opened.
inline constexpr std::int32_t kSchemaVersion = 3;

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

// The contact fields a lookup may select on, as the tool and its CSV header name them.
// Returns the column name, or nothing for an unknown field.
std::optional<std::string> contactColumn(std::string_view field);

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
// order (an empty value is not stored).
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

    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;
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
    Statement contactRow_, contactBatch_, extraRow_, extraBatch_;
    // The contacts are numbered here, so that their extra fields can wait in the batch too;
    // no one else writes while the transaction is open.
    std::int64_t nextId_ = 1;
    std::vector<std::string> contacts_;  // the fixed fields of the waiting contacts
    std::size_t waitingContacts_ = 0;
    std::vector<Extra> extras_;
    std::size_t waitingExtras_ = 0;
    std::size_t added_ = 0;
    std::int64_t cacheSize_ = 0;
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
};

// Who a lookup selects: every contact, those whose fields equal the given values (ASCII case
// ignored), or the given contacts in the given order.
struct LookupQuery {
    enum class Kind { All, Where, Ids } kind = Kind::All;
    std::vector<std::pair<std::string, std::string>> where;  // field, value
    std::vector<std::int64_t> ids;
};

class Store {
public:
    // Creates a new, empty database; refuses a path that exists.
    static void create(const std::string& path);

    // Opens an existing database of ours and of this schema version; any other file is a
    // Failure and is left untouched.
    explicit Store(const std::string& path);

    const std::string& path() const { return path_; }
    // A random identity given at creation: lookups name the database by it.
    const std::string& databaseId() const { return databaseId_; }
    Connection& connection() { return connection_; }

    // --- users
    bool isMultiUser();
    // The first user of a database is always an administrator.
    void addUser(std::string_view name, std::string_view password, bool admin = false);
    // The user's name as stored when the password is right, else nothing. An unknown name
    // costs the same work as a known one, so the time taken tells no names.
    std::optional<std::string> verifyUser(std::string_view name, std::string_view password);
    bool isAdmin(std::string_view name);
    // The user's name as stored (names ignore ASCII case), else nothing.
    std::optional<std::string> findUser(std::string_view name);

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
    std::optional<ContactFields> contact(std::int64_t number);
    // Every contact in number order, with its extra fields; streamed, nothing collected.
    void forEachContact(const std::function<void(const Contact&)>& visit);
    // A field by name: one of kContactFieldColumns or an extra field (matched by fieldKey).
    // An unknown name is a Failure.
    ContactFieldRef contactField(std::string_view name);
    // That field of one contact: empty when not set, nothing for an unknown contact.
    std::optional<std::string> contactValue(std::int64_t number, const ContactFieldRef& field);
    std::int64_t contactCount();
    // The contact numbers the query selects, in order; unknown fields fail, and so do unknown
    // identifiers unless `skipRemoved` (a kept lookup outlives contacts removed since).
    std::vector<std::int64_t> resolve(const LookupQuery& query, bool skipRemoved = false);

    // --- notes and runs
    // Stores one note in its own transaction, on disk when this returns. The run row is made
    // with the first note of a run (`run` is 0 until then, and set here). `loggedIn` is
    // whether the writing connection has logged in; on a multi-user database a note from a
    // connection that has not is refused, checked within the same statement as the insert.
    void addNote(const NoteRecord& note, std::int64_t& run, const std::string& userName,
                 bool loggedIn);
    void forEachNote(const std::function<void(const StoredNote&)>& visit);
    std::vector<Run> runs();
    std::optional<Run> run(std::int64_t id);
    // Removes every note of the run and marks the run undone; returns how many were removed.
    // A run that was undone before is refused.
    std::int64_t undoRun(std::int64_t id);

private:
    std::string path_;
    Connection connection_;
    std::string databaseId_;
};

}  // namespace penwick::embedded
