#pragma once
// Text between the program (char16_t) and the wide Win32 calls (wchar_t, 16 bits on Windows).

#include <windows.h>

#include <string>
#include <string_view>

namespace penwick::windows {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are 16 bits");

inline std::wstring wide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
inline std::u16string narrowToU16(std::wstring_view s) {
    return std::u16string(s.begin(), s.end());
}

// Text in the ANSI code page (the system's, CP_ACP) as wide characters.
std::u16string fromAnsiCodePage(std::string_view text);

// The system's description of a Win32 error code, without the trailing line break.
std::u16string systemMessage(DWORD error);

}  // namespace penwick::windows
