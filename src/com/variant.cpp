#include "com/variant.h"

#include "com/automation_error.h"
#include "com/bstr.h"
#include "util/failure.h"

namespace penwick::com {

namespace {

constexpr int kObjectRequired = 424;
constexpr int kTypeMismatch = 13;

// A copy without the by-reference indirection, so that one set of rules reads both.
Variant dereferenced(const VARIANT& v, std::u16string_view source) {
    Variant copy;
    const HRESULT hr = VariantCopyInd(copy.put(), const_cast<VARIANT*>(&v));
    if (FAILED(hr)) throw automationFailure(hr, source);
    return copy;
}

}  // namespace

Variant::Variant(Variant&& other) noexcept : v_(other.v_) {
    VariantInit(&other.v_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&v_);
        v_ = other.v_;
        VariantInit(&other.v_);
    }
    return *this;
}

VARIANT* Variant::put() {
    VariantClear(&v_);
    return &v_;
}

Value Variant::toValue(std::u16string_view source) const {
    if (V_VT(&v_) & VT_BYREF) return dereferenced(v_, source).toValue(source);
    switch (V_VT(&v_)) {
        case VT_EMPTY:
        case VT_NULL:
            return std::monostate{};
        case VT_BOOL:
            return V_BOOL(&v_) != VARIANT_FALSE;
        case VT_I2:
            return static_cast<std::int16_t>(V_I2(&v_));
        case VT_UI1:
            return static_cast<std::int16_t>(V_UI1(&v_));
        case VT_I4:
            return static_cast<std::int32_t>(V_I4(&v_));
        case VT_INT:
            return static_cast<std::int32_t>(V_INT(&v_));
        case VT_BSTR:
            return textOf(V_BSTR(&v_));
        case VT_DISPATCH:
        case VT_UNKNOWN:
            break;
        default: {
            // Currency, dates, decimals, unsigned and 8-byte integers: as a double.
            Variant number;
            if (SUCCEEDED(VariantChangeType(number.put(), const_cast<VARIANT*>(&v_), 0, VT_R8)))
                return V_R8(&*number);
            break;
        }
    }
    raise(kTypeMismatch, u"Type mismatch", std::u16string(source));
}

ComPtr<IDispatch> Variant::toObject(std::u16string_view source) const {
    if (V_VT(&v_) & VT_BYREF) return dereferenced(v_, source).toObject(source);
    if (V_VT(&v_) == VT_DISPATCH && V_DISPATCH(&v_))
        return ComPtr<IDispatch>::share(V_DISPATCH(&v_));
    if (V_VT(&v_) == VT_UNKNOWN && V_UNKNOWN(&v_)) {
        ComPtr<IDispatch> object;
        const HRESULT hr = V_UNKNOWN(&v_)->QueryInterface(IID_IDispatch, object.putVoid());
        if (FAILED(hr)) throw automationFailure(hr, source);
        return object;
    }
    raise(kObjectRequired, u"Object required", std::u16string(source));
}

}  // namespace penwick::com
