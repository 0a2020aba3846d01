#include "contacts/contact_id.h"

#include <cstdio>

#include "util/text.h"

namespace penwick::contacts {

std::string formatContactId(std::int64_t number) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "C%06lld", static_cast<long long>(number));
    return buffer;
}

std::optional<std::int64_t> parseContactId(std::string_view id) {
    if (id.size() < 7 || id.size() > 19 || id[0] != 'C') return std::nullopt;
    std::int64_t n = 0;
    for (char c : id.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    // Only the canonical spelling names a contact, so "C0000042" is not a second name of 42.
    if (n <= 0 || formatContactId(n) != id) return std::nullopt;
    return n;
}

std::optional<std::int64_t> parseContactId(std::u16string_view id) {
    for (char16_t c : id) {
        if (c > 0x7F) return std::nullopt;
    }
    return parseContactId(std::string_view(toUtf8(id)));
}

}  // namespace penwick::contacts
