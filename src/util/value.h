#pragma once
// Values that cross the automation interfaces, with the kinds the contact manager and the
// checker give them.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace penwick {

// Anything whose default value is its current text (a text box handed over as an object).
class TextSource {
public:
    virtual ~TextSource() = default;
    virtual std::u16string text() const = 0;
};

// std::monostate is "no value".
using Value =
    std::variant<std::monostate, bool, std::int16_t, std::int32_t, double, std::u16string>;

// A value read as a boolean: no value counts as false; text is "True" or "False" in any case or
// a number (nonzero is true), around spaces, and anything else a type mismatch (13).
bool toBool(const Value& v, std::u16string_view source);
// A value read as text: whole numbers below 1E15 in plain decimal, other numbers with 15
// significant digits ("12.5", "1E+15"), no value as the empty text.
std::u16string toText(const Value& v);
// A value taken as a 32-bit integer; out of range is an overflow failure (6).
std::int32_t toInt32(const Value& v, std::u16string_view source);

}  // namespace penwick
