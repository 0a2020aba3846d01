#include "com/bstr.h"

#include <new>
#include <utility>

namespace penwick::com {

std::u16string textOf(BSTR s) {
    if (!s) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
}

Bstr::Bstr(std::u16string_view text)
    : s_(SysAllocStringLen(wide(text), static_cast<UINT>(text.size()))) {
    if (!s_) throw std::bad_alloc();
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
    if (this != &other) {
        SysFreeString(s_);
        s_ = other.release();
    }
    return *this;
}

BSTR* Bstr::put() {
    SysFreeString(std::exchange(s_, nullptr));
    return &s_;
}

BSTR Bstr::release() {
    return std::exchange(s_, nullptr);
}

}  // namespace penwick::com
