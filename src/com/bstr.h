#pragma once
// An owned BSTR, and the conversions between BSTRs and the program's text.

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

namespace penwick::com {

// Program text is UTF-16, as the system's wide characters are.
inline const wchar_t* wide(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}
// A BSTR's text; a null BSTR is the empty text, and embedded nulls are kept.
std::u16string textOf(BSTR s);

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : s_(other.release()) {}
    Bstr& operator=(Bstr&& other) noexcept;
    ~Bstr() { SysFreeString(s_); }

    BSTR get() const { return s_; }
    // For functions that hand out a new BSTR; frees the one held before.
    BSTR* put();
    BSTR release();
    std::u16string text() const { return textOf(s_); }

private:
    BSTR s_ = nullptr;
};

}  // namespace penwick::com
