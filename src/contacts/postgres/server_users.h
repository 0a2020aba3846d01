#pragma once
// The users of a contact database on a PostgreSQL server: the server's own login roles in the
// database's group of writers, administrators also in its group of administrators. The server
// keeps their passwords and checks them when they connect; the database holds no hash of its
// own, so no one who can read its tables can try passwords at leisure. What a user may do is
// what the groups were granted when the database was made.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/database.h"

namespace penwick::contacts {

struct UserEntry {
    std::string name;
    bool admin = false;
};

// The groups of a new server database, named after it (penwick_writer and penwick_admin for a
// database penwick), made unless they exist and granted what each may do. Needs a role that may
// make roles (CREATEROLE) unless the groups are there already.
void setUpServerGroups(Connection& c);

class ServerUsers {
public:
    explicit ServerUsers(Connection& c);

    bool any();
    // The user's role name (names ignore ASCII case, as a file's do), else nothing.
    std::optional<std::string> find(std::string_view name);
    bool isAdmin(std::string_view name);
    std::vector<UserEntry> list();
    // Whether the server has a role of exactly this name, in the groups or not.
    bool roleExists(std::string_view name);
    // Makes the login role with the password, sent as a SCRAM verifier so that the password
    // itself never reaches the server or its log. Needs CREATEROLE; an administrator gets it
    // too, so that he can add users in turn.
    void add(std::string_view name, std::string_view password, bool admin);
    // An existing role becomes a user of this database, keeping its own password.
    void adopt(std::string_view name, bool admin);

private:
    void joinGroups(const std::string& role, bool admin);

    Connection& c_;
    std::string writers_, admins_;
};

}  // namespace penwick::contacts
