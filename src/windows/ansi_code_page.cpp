#include "windows/ansi_code_page.h"

#include <windows.h>

namespace penwick::windows {

ConversionFlags conversionFlags(unsigned codePage) {
    switch (codePage) {
        case 42:
        case 50220:
        case 50221:
        case 50222:
        case 50225:
        case 50227:
        case 50229:
        case 52936:
        case CP_UTF7:
            return {};
        case CP_UTF8:
        case 54936:
            return {WC_ERR_INVALID_CHARS, false, MB_ERR_INVALID_CHARS};
        default:
            if (codePage >= 57002 && codePage <= 57011) return {};
            // No best-fit: a character the page lacks is "none", not a look-alike.
            return {WC_NO_BEST_FIT_CHARS, true, MB_ERR_INVALID_CHARS};
    }
}

AnsiCodePage::AnsiCodePage(unsigned codePage)
    : codePage_(codePage != 0 ? codePage : GetACP()), flags_(conversionFlags(codePage_)) {}

std::optional<std::uint8_t> AnsiCodePage::encodeOne(char16_t c) const {
    const wchar_t in = static_cast<wchar_t>(c);
    char out[8] = {};
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage_, flags_.toBytes, &in, 1, out, sizeof out, nullptr,
                                      flags_.reportsDefaultChar ? &usedDefault : nullptr);
    if (n != 1 || usedDefault) return std::nullopt;
    return static_cast<std::uint8_t>(out[0]);
}

std::optional<char16_t> AnsiCodePage::decodeOne(std::uint8_t code) const {
    const char in = static_cast<char>(code);
    wchar_t out[4] = {};
    const int n = MultiByteToWideChar(codePage_, flags_.toChars, &in, 1, out, 4);
    if (n != 1) return std::nullopt;
    return static_cast<char16_t>(out[0]);
}

std::optional<char16_t> AnsiCodePage::characterOf(std::uint8_t code) const {
    const auto c = decodeOne(code);
    if (c && encodeOne(*c) == code) return c;
    return std::nullopt;
}

std::optional<std::uint8_t> AnsiCodePage::toAnsi(char16_t c) const {
    // Read back, since without the default-char report a replacement looks like a success.
    if (const auto code = encodeOne(c); code && decodeOne(*code) == c) return code;
    if (c >= 0x80 && c <= 0xff) {
        const auto code = static_cast<std::uint8_t>(c);
        if (!characterOf(code)) return code;
    }
    return std::nullopt;
}

char16_t AnsiCodePage::fromAnsi(std::uint8_t code) const {
    return characterOf(code).value_or(static_cast<char16_t>(code));
}

}  // namespace penwick::windows
