#pragma once
// What the server engine's files (postgres*.cpp) share; nothing else includes it.

#include <memory>
#include <string>

#include "contacts/database.h"

namespace penwick::contacts::postgres_parts {

[[noreturn]] void fail(int number, const std::string& message);

// libpq's messages end in a line break.
std::string messageOf(const char* text);

// The store's SQL with PostgreSQL's own parameters: each `?N` becomes `$N`.
std::string dollarParameters(const std::string& sql);

struct Login {
    std::string user, password;
};

// Connects as the URI says, or as `login` (a user and the password typed for it), which
// then overrides the URI's user and whatever password libpq would have found. A login the
// server refused leaves `refused` set and the connection unusable.
std::unique_ptr<Connection> connectPostgres(const std::string& uri, const Login* login = nullptr,
                                            bool* refused = nullptr);

}  // namespace penwick::contacts::postgres_parts
