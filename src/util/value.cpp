#include "util/value.h"

#include <cmath>
#include <limits>

#include "util/failure.h"
#include "util/text.h"

namespace penwick {

bool toBool(const Value& v) {
    struct Visitor {
        bool operator()(std::monostate) const { return false; }
        bool operator()(bool b) const { return b; }
        bool operator()(std::int16_t i) const { return i != 0; }
        bool operator()(std::int32_t i) const { return i != 0; }
        bool operator()(double d) const { return d != 0.0; }
        bool operator()(const std::u16string& s) const {
            return !s.empty() && s != u"0" && s != u"False" && s != u"false";
        }
    };
    return std::visit(Visitor{}, v);
}

std::u16string toText(const Value& v) {
    struct Visitor {
        std::u16string operator()(std::monostate) const { return {}; }
        std::u16string operator()(bool b) const { return b ? u"True" : u"False"; }
        std::u16string operator()(std::int16_t i) const { return decimal(i); }
        std::u16string operator()(std::int32_t i) const { return decimal(i); }
        std::u16string operator()(double d) const {
            if (std::floor(d) == d && std::fabs(d) < 1e15) return decimal(static_cast<long long>(d));
            return fromUtf8(std::to_string(d));
        }
        std::u16string operator()(const std::u16string& s) const { return s; }
    };
    return std::visit(Visitor{}, v);
}

std::int32_t toInt32(const Value& v, std::u16string_view source) {
    const auto overflow = [&] { raise(err::Overflow, std::u16string(source)); };
    if (const auto* i16 = std::get_if<std::int16_t>(&v)) return *i16;
    if (const auto* i32 = std::get_if<std::int32_t>(&v)) return *i32;
    if (const auto* b = std::get_if<bool>(&v)) return *b ? -1 : 0;
    if (std::holds_alternative<std::monostate>(v)) return 0;
    if (const auto* d = std::get_if<double>(&v)) {
        const double r = std::nearbyint(*d);
        if (!(r >= std::numeric_limits<std::int32_t>::min() &&
              r <= std::numeric_limits<std::int32_t>::max()))
            overflow();
        return static_cast<std::int32_t>(r);
    }
    const auto& s = std::get<std::u16string>(v);
    long long n = 0;
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == u'-';
    if (negative) ++i;
    if (i == s.size()) raise(err::TypeMismatch, std::u16string(source));
    for (; i < s.size(); ++i) {
        if (!isAsciiDigit(s[i])) raise(err::TypeMismatch, std::u16string(source));
        n = n * 10 + (s[i] - u'0');
        if (n > 2147483648LL) overflow();
    }
    if (negative) n = -n;
    if (n > std::numeric_limits<std::int32_t>::max()) overflow();
    return static_cast<std::int32_t>(n);
}

}  // namespace penwick
