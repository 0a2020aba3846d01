#pragma once
// What the files of the store (store*.cpp) share; nothing else includes it.

#include <string>
#include <string_view>

namespace penwick::contacts::store_parts {

// A failure of the store, named by the tool.
[[noreturn]] void fail(int number, const std::string& message);

// A password's Argon2 hash in libsodium's string form, for a file's users.
std::string hashPassword(std::string_view password);

}  // namespace penwick::contacts::store_parts
