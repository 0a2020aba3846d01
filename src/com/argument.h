#pragma once
// One argument of a late-bound call, with the automation type it travels as.

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "util/value.h"

namespace penwick::com {

class Argument {
public:
    struct Omitted {};
    using Payload = std::variant<std::u16string, std::u16string*, std::int16_t, std::int16_t*,
                                 std::int32_t, bool, IDispatch*, Omitted>;

    static Argument text(std::u16string_view v) { return Argument(std::u16string(v)); }  // VT_BSTR
    // VT_BYREF|VT_BSTR: what the object writes into it comes back into `v`.
    static Argument textByRef(std::u16string& v) { return Argument(&v); }
    // A text box is handed over as its text at the time of the call.
    static Argument textOf(const TextSource& box) { return text(box.text()); }
    static Argument int16(std::int16_t v) { return Argument(v); }         // VT_I2
    static Argument int16ByRef(std::int16_t& v) { return Argument(&v); }  // VT_BYREF|VT_I2
    static Argument int32(std::int32_t v) { return Argument(v); }         // VT_I4
    static Argument boolean(bool v) { return Argument(v); }               // VT_BOOL
    static Argument object(IDispatch* v) { return Argument(v); }          // VT_DISPATCH
    // VT_ERROR DISP_E_PARAMNOTFOUND: the object uses its default.
    static Argument omitted() { return Argument(Omitted{}); }

    // The same argument passed by name (after every positional one).
    Argument named(std::u16string_view name) && {
        name_ = name;
        return std::move(*this);
    }

    const Payload& payload() const { return payload_; }
    const std::u16string& name() const { return name_; }

private:
    explicit Argument(Payload p) : payload_(std::move(p)) {}
    Payload payload_;
    std::u16string name_;
};

}  // namespace penwick::com
