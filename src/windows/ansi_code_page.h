#pragma once
// The user's ANSI code page (GetACP), as the credential scrambling uses it.

#include "util/codepage.h"

namespace penwick::windows {

class AnsiCodePage final : public CodePage {
public:
    // codePage: 0 means the system's ANSI code page.
    explicit AnsiCodePage(unsigned codePage = 0);

    std::optional<std::uint8_t> toAnsi(char16_t c) const override;
    char16_t fromAnsi(std::uint8_t code) const override;
    unsigned number() const { return codePage_; }

private:
    unsigned codePage_;
};

}  // namespace penwick::windows
