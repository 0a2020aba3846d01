#pragma once
// Text helpers. Program text is UTF-16, as the system's counted wide strings.

#include <cstdint>
#include <string>
#include <string_view>

namespace penwick {

// UTF-8 <-> UTF-16. Ill-formed input becomes U+FFFD rather than failing, since these
// only carry text between the program and its outside parts.
std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view text);

// Removes leading and trailing space characters (U+0020 only, not tabs).
std::u16string trimSpaces(std::u16string_view text);

// Plain decimal digits, with a minus sign for negative numbers.
std::u16string decimal(std::int64_t value);

// Case-insensitive comparison for ASCII letters only.
char16_t asciiLower(char16_t c);
bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);
bool isAsciiLetter(char16_t c);
bool isAsciiDigit(char16_t c);

}  // namespace penwick
