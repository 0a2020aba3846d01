#pragma once
// The contact database on a PostgreSQL server that a team shares, reached through libpq: the
// engine's connection and statements, and the database's layout, made and checked here.
// A server is named by a libpq URI (postgresql://host/dbname?options); its password comes
// from ~/.pgpass or the environment, as libpq reads them, until a user logs in with his own.

#include <functional>
#include <memory>
#include <string>

#include "contacts/database.h"

namespace penwick::contacts {

// A Failure unless `uri` is a URI libpq accepts, without a password in it.
void checkPostgresName(const std::string& uri);

// Connects to the database of an existing contact database of ours, of this layout version.
std::unique_ptr<Connection> openPostgresDatabase(const std::string& uri);

// Connects as `user` with the password typed for it, which the server checks: nothing when it
// refused them (an unknown user included). A server that asks for no password is a Failure.
std::unique_ptr<Connection> openPostgresDatabaseAs(const std::string& uri, const std::string& user,
                                                   const std::string& password);

// The password as the SCRAM verifier CREATE ROLE ... PASSWORD takes, made on this side.
std::string scramVerifier(Connection& c, const std::string& user, const std::string& password);

// Makes the contact database's tables in the (existing, empty) server database: `fill` runs
// inside the same transaction, so that the tables appear complete or not at all.
void createPostgresDatabase(const std::string& uri, const std::function<void(Connection&)>& fill);

}  // namespace penwick::contacts
