// The users of a database: a file keeps them with their password hashes, a server as its
// roles.

#include "contacts/store.h"

#include <sodium.h>

#include "contacts/postgres/postgres.h"
#include "contacts/postgres/server_users.h"
#include "contacts/store_parts.h"
#include "contacts/system.h"
#include "util/failure.h"

namespace penwick::contacts {

using store_parts::fail;
using store_parts::hashPassword;

namespace store_parts {

std::string hashPassword(std::string_view password) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        fail(err::OutOfMemory, "not enough memory to hash the password");
    }
    return hash;
}

}  // namespace store_parts

namespace {

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

bool Store::isMultiUser() {
    auto q = connection_->query(std::string("SELECT ") + connection_->hasUsersSql());
    return q.step() && q.integer(0) != 0;
}

LoginOutcome Store::logIn(std::string_view name, std::string_view password) {
    if (!isMultiUser()) return {true, std::nullopt};
    auto user = verifyUser(name, password);
    return {user.has_value(), std::move(user)};
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
        auto role = ServerUsers(*connection_).find(name);
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

std::vector<UserEntry> Store::users() {
    if (connection_->serverRoles()) return ServerUsers(*connection_).list();
    std::vector<UserEntry> users;
    auto q = connection_->query("SELECT name, is_admin FROM app_user ORDER BY id");
    while (q.step()) users.push_back({q.text(0), q.integer(1) != 0});
    return users;
}

}  // namespace penwick::contacts
