#pragma once
// A contact's identifier is "C" followed by its number with at least six digits ("C000042");
// the number is the contact row's integer primary key, so finding a contact by identifier is
// one primary-key search.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace penwick::contacts {

std::string formatContactId(std::int64_t number);
// The number of a well-formed identifier (exactly as formatContactId writes it), else nothing.
std::optional<std::int64_t> parseContactId(std::u16string_view id);
std::optional<std::int64_t> parseContactId(std::string_view id);

}  // namespace penwick::contacts
