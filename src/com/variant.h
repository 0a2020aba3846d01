#pragma once
// An owned VARIANT, and how a result read from an automation object becomes a program value.

#include <windows.h>

#include <oaidl.h>

#include <string_view>

#include "com/com_ptr.h"
#include "util/value.h"

namespace penwick::com {

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() { VariantClear(&v_); }

    const VARIANT& operator*() const { return v_; }
    const VARIANT* operator->() const { return &v_; }
    // For functions that fill in a VARIANT; clears the one held before.
    VARIANT* put();

    // The classic conversions: empty and null are no value, booleans, 16- and 32-bit integers
    // and texts keep their kind, every other number becomes a double; a by-reference result is
    // read through. Failure 13 (type mismatch) for an object or anything else without a value.
    Value toValue(std::u16string_view source) const;
    // The object the result holds; failure 424 ("Object required") when it holds none.
    ComPtr<IDispatch> toObject(std::u16string_view source) const;

private:
    VARIANT v_;
};

}  // namespace penwick::com
