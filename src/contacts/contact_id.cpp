#include "contacts/contact_id.h"

#include <array>
#include <charconv>

namespace penwick::contacts {

namespace {
constexpr std::size_t kLongest = 19;  // "C" and 18 digits: any such number fits an int64
}  // namespace

std::string formatContactId(std::int64_t number) {
    // Called for every contact a run passes: to_chars rather than a formatted print.
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    const auto length = static_cast<std::size_t>(end - digits.data());
    std::string id = "C";
    if (length < 6) id.append(6 - length, '0');
    id.append(digits.data(), length);
    return id;
}

std::optional<std::int64_t> parseContactId(std::string_view id) {
    if (id.size() < 7 || id.size() > kLongest || id[0] != 'C') return std::nullopt;
    std::int64_t n = 0;
    for (char c : id.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    // Only the canonical spelling names a contact, so "C0000042" is not a second name of 42:
    // past six digits, no leading zero.
    if (n <= 0 || (id.size() > 7 && id[1] == '0')) return std::nullopt;
    return n;
}

std::optional<std::int64_t> parseContactId(std::u16string_view id) {
    if (id.size() > kLongest) return std::nullopt;
    std::array<char, kLongest> narrow{};
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (id[i] > 0x7F) return std::nullopt;
        narrow[i] = static_cast<char>(id[i]);
    }
    return parseContactId(std::string_view(narrow.data(), id.size()));
}

}  // namespace penwick::contacts
