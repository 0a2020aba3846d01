#include "windows/ansi_code_page.h"

#include <windows.h>

namespace penwick::windows {

AnsiCodePage::AnsiCodePage(unsigned codePage) : codePage_(codePage != 0 ? codePage : GetACP()) {}

std::optional<std::uint8_t> AnsiCodePage::toAnsi(char16_t c) const {
    const wchar_t in = static_cast<wchar_t>(c);
    char out[4] = {};
    BOOL usedDefault = FALSE;
    // No best-fit: a character the page lacks is "none", not a look-alike.
    const int n = WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof out,
                                      nullptr, &usedDefault);
    if (n != 1 || usedDefault) return std::nullopt;
    return static_cast<std::uint8_t>(out[0]);
}

char16_t AnsiCodePage::fromAnsi(std::uint8_t code) const {
    const char in = static_cast<char>(code);
    wchar_t out[2] = {};
    const int n = MultiByteToWideChar(codePage_, 0, &in, 1, out, 2);
    return n == 1 ? static_cast<char16_t>(out[0]) : u'?';
}

}  // namespace penwick::windows
