#pragma once
// What the files of the store (store*.cpp) share; nothing else includes it.

#include <string>
#include <string_view>

namespace penwick::embedded::store_parts {

// A failure of the store, named by the tool.
[[noreturn]] void fail(int number, const std::string& message);

// A password's Argon2 hash in libsodium's string form, for a file's users.
std::string hashPassword(std::string_view password);

// The runs that write one note: the run ?1, the run it was started from, and every run that
// continues that one (and those that continue them).
inline constexpr const char* kRunFamily =
    "WITH RECURSIVE up(id, parent) AS ("
    " SELECT id, continues_run FROM run WHERE id = ?1 UNION"
    " SELECT r.id, r.continues_run FROM run r JOIN up ON r.id = up.parent),"
    " family(id) AS (SELECT id FROM up WHERE parent IS NULL UNION"
    " SELECT r.id FROM run r JOIN family ON r.continues_run = family.id) ";

}  // namespace penwick::embedded::store_parts
