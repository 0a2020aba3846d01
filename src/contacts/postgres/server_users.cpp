#include "contacts/postgres/server_users.h"

#include "contacts/postgres/postgres.h"
#include "contacts/store.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace {

[[noreturn]] void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

// Runs the statement the server builds with format() from the values: its own quoting of
// names and literals.
void execFormatted(Connection& c, const std::string& format, std::string_view first,
                   std::string_view second = {}, std::string_view third = {}) {
    auto q = c.query("SELECT format('" + format + "', ?1::text, ?2::text, ?3::text)");
    if (!q.bind(1, first).bind(2, second).bind(3, third).step())
        failDatabase("building a statement", "");
    const std::string statement = q.text(0);
    c.exec(statement);
}

std::string metaValue(Connection& c, const char* key) {
    auto q = c.query("SELECT value FROM meta WHERE key = ?1");
    if (!q.bind(1, std::string_view(key)).step())
        fail(err::AutomationError, std::string("the database names no ") + key);
    return q.text(0);
}

// Login roles that are members of the group ?1.
constexpr const char* kMembers =
    "SELECT r.rolname FROM pg_roles r JOIN pg_auth_members m ON m.member = r.oid "
    "JOIN pg_roles g ON g.oid = m.roleid WHERE g.rolname = ?1 AND r.rolcanlogin ";

}  // namespace

void setUpServerGroups(Connection& c) {
    std::string database;
    bool mayMakeRoles = false;
    {
        auto q = c.query(
            "SELECT current_database(), rolcreaterole OR rolsuper FROM pg_roles "
            "WHERE rolname = current_user");
        if (!q.step()) failDatabase("reading the current role", "");
        database = q.text(0);
        mayMakeRoles = q.integer(1) != 0;
    }
    const std::string writers = database + "_writer", admins = database + "_admin";
    // The server would cut a longer name short, and the groups would not be found again.
    if (admins.size() > 63 || writers.size() > 63)
        fail(err::InvalidCall, "the database's name is too long for its groups' names");
    for (const std::string* group : {&writers, &admins}) {
        if (ServerUsers(c).roleExists(*group)) continue;
        if (!mayMakeRoles) {
            fail(err::PermissionDenied,
                 "the groups " + writers + " and " + admins +
                     " do not exist and this role may not make them: a superuser makes them "
                     "(CREATE ROLE " +
                     writers + " NOLOGIN; CREATE ROLE " + admins +
                     " NOLOGIN;) or gives the database's owner CREATEROLE");
        }
        execFormatted(c, "CREATE ROLE %I NOLOGIN", *group);
    }
    c.query("INSERT INTO meta(key, value) VALUES ('writer_role', ?1), ('admin_role', ?2)")
        .bind(1, writers)
        .bind(2, admins)
        .run();
    // Writers read everything and add notes and runs; administrators also add and change
    // contacts (an import's temporary table included) and undo runs.
    execFormatted(c, "GRANT CONNECT ON DATABASE %I TO %I, %I", database, writers, admins);
    execFormatted(c, "GRANT TEMPORARY ON DATABASE %I TO %I", database, admins);
    std::string schema;
    {
        auto q = c.query("SELECT current_schema()");
        if (!q.step()) failDatabase("reading the current schema", "");
        schema = q.text(0);
    }
    const std::string both = "%2$I, %3$I";
    execFormatted(c, "GRANT USAGE ON SCHEMA %1$I TO " + both, schema, writers, admins);
    execFormatted(c, "GRANT SELECT ON ALL TABLES IN SCHEMA %1$I TO " + both, schema, writers,
                  admins);
    execFormatted(c, "GRANT INSERT ON note, run, run_lookup TO %1$I, %2$I", writers, admins);
    execFormatted(c, "GRANT USAGE ON ALL SEQUENCES IN SCHEMA %1$I TO " + both, schema, writers,
                  admins);
    execFormatted(c,
                  "GRANT INSERT, UPDATE, DELETE ON contact, extra_field, contact_extra TO %1$I; "
                  "GRANT DELETE ON note TO %1$I; GRANT UPDATE ON run TO %1$I",
                  admins);
    execFormatted(c, "GRANT UPDATE ON ALL SEQUENCES IN SCHEMA %1$I TO %2$I", schema, admins);
}

ServerUsers::ServerUsers(Connection& c) : c_(c) {}

bool ServerUsers::any() {
    auto q = c_.query(std::string("SELECT ") + c_.hasUsersSql());
    return q.step() && q.integer(0) != 0;
}

std::optional<std::string> ServerUsers::find(std::string_view name) {
    if (writers_.empty()) writers_ = metaValue(c_, "writer_role");
    // An exact match before one that differs in case only.
    auto q = c_.query(std::string(kMembers) +
                      "AND lower(r.rolname) = lower(?2) ORDER BY r.rolname = ?2 DESC LIMIT 1");
    if (!q.bind(1, writers_).bind(2, name).step()) return std::nullopt;
    return q.text(0);
}

bool ServerUsers::isAdmin(std::string_view name) {
    if (admins_.empty()) admins_ = metaValue(c_, "admin_role");
    auto q = c_.query(std::string(kMembers) + "AND r.rolname = ?2");
    return q.bind(1, admins_).bind(2, name).step();
}

std::vector<UserEntry> ServerUsers::list() {
    if (writers_.empty()) writers_ = metaValue(c_, "writer_role");
    std::vector<UserEntry> users;
    {
        auto q = c_.query(std::string(kMembers) + "ORDER BY r.rolname");
        for (q.bind(1, writers_); q.step();) users.push_back({q.text(0), false});
    }
    for (UserEntry& user : users) user.admin = isAdmin(user.name);
    return users;
}

bool ServerUsers::roleExists(std::string_view name) {
    auto q = c_.query("SELECT 1 FROM pg_roles WHERE rolname = ?1");
    return q.bind(1, name).step();
}

void ServerUsers::joinGroups(const std::string& role, bool admin) {
    if (writers_.empty()) writers_ = metaValue(c_, "writer_role");
    if (admins_.empty()) admins_ = metaValue(c_, "admin_role");
    // An administrator may in turn put others in both groups: servers from PostgreSQL 16 on
    // ask for the admin option on a group as well as CREATEROLE.
    const std::string with = admin ? " WITH ADMIN OPTION" : "";
    execFormatted(c_, "GRANT %I TO %I" + with, writers_, role);
    if (admin) {
        execFormatted(c_, "GRANT %I TO %I" + with, admins_, role);
        execFormatted(c_, "ALTER ROLE %I CREATEROLE", role);
    }
}

void ServerUsers::add(std::string_view name, std::string_view password, bool admin) {
    if (name.size() > 63) fail(err::InvalidCall, "a user name on a server is at most 63 bytes");
    if (roleExists(name) || find(name)) {
        fail(err::PermissionDenied,
             "user " + std::string(name) + " already exists (a role of the server)");
    }
    {
        auto q =
            c_.query("SELECT rolcreaterole OR rolsuper FROM pg_roles WHERE rolname = current_user");
        if (!q.step() || q.integer(0) == 0) {
            fail(err::PermissionDenied,
                 "only an administrator (a role that may make roles, CREATEROLE) adds users "
                 "to a server database");
        }
    }
    const std::string verifier = scramVerifier(c_, std::string(name), std::string(password));
    Transaction tx(c_);
    execFormatted(c_, "CREATE ROLE %I LOGIN PASSWORD %L", name, verifier);
    joinGroups(std::string(name), admin);
    tx.commit();
}

void ServerUsers::adopt(std::string_view name, bool admin) {
    Transaction tx(c_);
    joinGroups(std::string(name), admin);
    tx.commit();
}

}  // namespace penwick::contacts
