#pragma once
// The user's ANSI code page (GetACP), as the credential scrambling uses it.

#include "util/codepage.h"

namespace penwick::windows {

// What the system's converters accept for a code page: some pages (UTF-8, UTF-7, GB18030, the
// ISO-2022 and ISCII pages, Symbol) fail every call with other flags or with the default-char
// report, so that every character would come out as "?".
struct ConversionFlags {
    unsigned long toBytes = 0;        // dwFlags of WideCharToMultiByte
    bool reportsDefaultChar = false;  // whether lpUsedDefaultChar may be passed
    unsigned long toChars = 0;        // dwFlags of MultiByteToWideChar
    bool operator==(const ConversionFlags&) const = default;
};
ConversionFlags conversionFlags(unsigned codePage);

// The scrambled password holds codes 128 to 255 even for an ASCII password, and on UTF-8 or a
// double-byte page such a byte is no character by itself. So a byte that is one stands for the
// page's character, and any other byte b for the stand-in U+0000 + b (its Latin-1 position);
// toAnsi takes the stand-in back to b. Every code 0 to 255 thus survives the way into text
// and back, and single-byte pages read as they always did.
class AnsiCodePage final : public CodePage {
public:
    // codePage: 0 means the system's ANSI code page.
    explicit AnsiCodePage(unsigned codePage = 0);

    // The page's single byte for c when it reads back as c; else b = c for a stand-in.
    std::optional<std::uint8_t> toAnsi(char16_t c) const override;
    char16_t fromAnsi(std::uint8_t code) const override;
    unsigned number() const { return codePage_; }

private:
    std::optional<std::uint8_t> encodeOne(char16_t c) const;
    std::optional<char16_t> decodeOne(std::uint8_t code) const;
    // The character the byte is by itself in the page, if any.
    std::optional<char16_t> characterOf(std::uint8_t code) const;

    unsigned codePage_;
    ConversionFlags flags_;
};

}  // namespace penwick::windows
