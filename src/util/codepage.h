#pragma once
// The ANSI code page: single-byte character codes, as the credential scrambling uses them.

#include <cstdint>
#include <optional>

namespace penwick {

class CodePage {
public:
    virtual ~CodePage() = default;
    // The character's code in the code page, or nothing when the page has no such character.
    virtual std::optional<std::uint8_t> toAnsi(char16_t c) const = 0;
    virtual char16_t fromAnsi(std::uint8_t code) const = 0;
};

// Windows-1252, classic Western Windows: the code page used where the system has none, so that
// values stored by either platform read the same on the other.
class Windows1252 final : public CodePage {
public:
    std::optional<std::uint8_t> toAnsi(char16_t c) const override;
    char16_t fromAnsi(std::uint8_t code) const override;
};

}  // namespace penwick
