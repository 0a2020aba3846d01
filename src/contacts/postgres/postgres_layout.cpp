// The contact database's layout on a server: made in an empty database, checked when one is
// opened, and the name a server database is given by.

#include "contacts/postgres/postgres.h"

#include <libpq-fe.h>

#include "contacts/layout.h"
#include "contacts/note_rule.h"
#include "contacts/postgres/postgres_parts.h"
#include "contacts/postgres/server_users.h"
#include "contacts/store.h"
#include "util/failure.h"

namespace penwick::contacts {

using postgres_parts::connectPostgres;
using postgres_parts::dollarParameters;
using postgres_parts::fail;
using postgres_parts::Login;
using postgres_parts::messageOf;

namespace {

// What only a server database has, beside the tables of layout.h: the functions its
// statements call.
constexpr const char* kFunctions = R"sql(
-- The database asks for a login once its group of writers has a member who may log in.
CREATE FUNCTION penwick_has_users() RETURNS boolean LANGUAGE sql STABLE AS $$
    SELECT EXISTS (SELECT 1 FROM pg_auth_members m
                   JOIN pg_roles r ON r.oid = m.member AND r.rolcanlogin
                   JOIN pg_roles g ON g.oid = m.roleid
                   WHERE g.rolname = (SELECT value FROM meta WHERE key = 'writer_role'))
$$;
CREATE FUNCTION instr(haystack text, needle text) RETURNS integer
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE RETURN strpos(haystack, needle);
)sql";

// penwick_add_note: a further note of a run in one call, its arguments a NoteRow's
// (note_rule.h): writers to one contact take turns, then the store's own INSERT of a note
// runs. Each statement takes its snapshot when it starts, so the INSERT sees the turn before
// it; PL/pgSQL keeps the statement's plan for the session.
std::string addNoteFunction(Connection& c) {
    return "CREATE FUNCTION penwick_add_note(p_contact bigint, p_run bigint, p_type bigint, "
           "p_text text, p_attachment text, p_date_text text, p_date text, p_time text, "
           "p_written_at text, p_user text, p_logged_in bigint)\n"
           "    RETURNS bigint LANGUAGE plpgsql VOLATILE AS $$\n"
           "DECLARE\n    written bigint;\nBEGIN\n"
           "    PERFORM pg_advisory_xact_lock(p_contact);\n    " +
           dollarParameters(note_rule::insertNote(c.hasUsersSql())) +
           " INTO written;\n    RETURN written;\nEND\n$$;\n";
}

// penwick_fold(text): case folded over the whole of Unicode, as the SQLite engine does it:
// lower case by the Unicode tables (ICU's where the server has them), sharp s spelt "ss".
std::string foldFunction(bool icu) {
    return std::string(
               "CREATE FUNCTION penwick_fold(value text) RETURNS text "
               "LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
               "RETURN replace(lower(value") +
           (icu ? " COLLATE \"und-x-icu\"" : "") + "), 'ß', 'ss');";
}

// Whether a table of the contact database is there, in the schema the connection uses.
bool hasTable(Connection& c, const char* table) {
    auto q = c.query("SELECT to_regclass(?1) IS NOT NULL");
    return q.bind(1, std::string_view(table)).step() && q.integer(0) != 0;
}

}  // namespace

void checkPostgresName(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    if (options == nullptr) {
        const std::string why = messageOf(error);
        PQfreemem(error);
        fail(err::InvalidPropertyValue, uri + " is not a server address: " + why);
    }
    bool password = false;
    for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (std::string_view(o->keyword) == "password" && o->val != nullptr && o->val[0] != '\0')
            password = true;
    }
    PQconninfoFree(options);
    if (password) {
        // The name is kept in the session and shown in windows: no place for a password.
        fail(err::InvalidPropertyValue,
             "the server address holds a password; keep it in ~/.pgpass (or PGPASSFILE) "
             "and leave it out of the address");
    }
}

namespace {

// Checks that the connection's database is one of ours, of this layout version.
std::unique_ptr<Connection> checked(std::unique_ptr<Connection> c, const std::string& uri) {
    if (!hasTable(*c, "meta")) {
        fail(err::AutomationError, uri +
                                       " is not a Penwick contact database (make one with "
                                       "penwick-contacts init)");
    }
    std::string application, version;
    {
        auto q = c->query(
            "SELECT key, value FROM meta WHERE key IN ('application', "
            "'schema_version')");
        while (q.step()) (q.text(0) == "application" ? application : version) = q.text(1);
    }
    if (application != "penwick-contacts")
        fail(err::AutomationError, uri + " is not a Penwick contact database");
    const std::string expected = std::to_string(kServerSchemaVersion);
    if (version == "3") {
        fail(err::AutomationError,
             uri + " has database layout version 3, which kept its users' password hashes " +
                 "where every writer could read them; this program reads version " + expected +
                 ", whose users are the server's own roles. Copy it to a file with the " +
                 "penwick-contacts that made it, then the file to a new server database " +
                 "with this one (it asks for the users' new passwords)");
    }
    if (version != expected) {
        fail(err::AutomationError, uri + " has database layout version " + version +
                                       "; this program reads version " + expected);
    }
    return c;
}

}  // namespace

std::unique_ptr<Connection> openPostgresDatabase(const std::string& uri) {
    return checked(connectPostgres(uri), uri);
}

std::unique_ptr<Connection> openPostgresDatabaseAs(const std::string& uri, const std::string& user,
                                                   const std::string& password) {
    // libpq would take an empty password for none and look in ~/.pgpass instead; every
    // user has a password, so an empty one is wrong.
    if (password.empty()) return nullptr;
    const Login login{user, password};
    bool refused = false;
    auto c = connectPostgres(uri, &login, &refused);
    if (refused) return nullptr;
    return checked(std::move(c), uri);
}

void createPostgresDatabase(const std::string& uri, const std::function<void(Connection&)>& fill) {
    const auto owned = connectPostgres(uri);
    Connection& c = *owned;
    Transaction tx(c);
    {
        auto q = c.query("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()");
        if (q.step() && q.integer(0) != 0) {
            fail(err::PermissionDenied,
                 uri + " already holds tables; a contact database goes into an empty one");
        }
    }
    bool icu = false;
    {
        auto q = c.query("SELECT count(*) FROM pg_collation WHERE collname = 'und-x-icu'");
        icu = q.step() && q.integer(0) != 0;
    }
    c.exec(layout::schema(layout::Engine::Server));
    c.exec(kFunctions);
    c.exec(addNoteFunction(c));
    c.exec(foldFunction(icu));
    c.query(
         "INSERT INTO meta(key, value) VALUES ('application', 'penwick-contacts'), "
         "('schema_version', ?1)")
        .bind(1, std::to_string(kServerSchemaVersion))
        .run();
    setUpServerGroups(c);
    fill(c);
    tx.commit();
}

}  // namespace penwick::contacts
