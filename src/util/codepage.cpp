#include "util/codepage.h"

#include <array>

namespace penwick {

namespace {
// 0x80..0x9F differ from Latin-1; the five codes Windows leaves unassigned map to the C1
// control characters of the same value, as Windows' own conversion does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

std::optional<std::uint8_t> Windows1252::toAnsi(char16_t c) const {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c) return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

char16_t Windows1252::fromAnsi(std::uint8_t code) const {
    if (code >= 0x80 && code < 0xA0) return kHigh[code - 0x80];
    return code;
}

}  // namespace penwick
