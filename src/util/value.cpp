#include "util/value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "util/failure.h"
#include "util/text.h"

namespace penwick {

namespace {

// Text read as a number, as the classic runtime takes numeric text: optional sign, digits with
// an optional point, an optional exponent. Nothing when the text is not a number.
std::optional<double> numericText(std::u16string_view text) {
    std::string ascii;
    for (const char16_t c : text) {
        if (!isAsciiDigit(c) && c != u'.' && c != u'+' && c != u'-' && c != u'e' && c != u'E')
            return std::nullopt;
        ascii.push_back(static_cast<char>(c));
    }
    // from_chars takes no leading plus; it reads neither the locale's point nor "inf".
    std::string_view digits = ascii;
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
        if (digits.starts_with('-')) return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    // Beyond a double's range either way, the number is still not zero.
    if (error == std::errc::result_out_of_range) return 1.0;
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

bool toBool(const Value& v, std::u16string_view source) {
    struct Visitor {
        std::u16string_view source;
        bool operator()(std::monostate) const { return false; }
        bool operator()(bool b) const { return b; }
        bool operator()(std::int16_t i) const { return i != 0; }
        bool operator()(std::int32_t i) const { return i != 0; }
        bool operator()(double d) const { return d != 0.0; }
        bool operator()(const std::u16string& s) const {
            const std::u16string text = trimSpaces(s);
            if (equalsIgnoringAsciiCase(text, u"True")) return true;
            if (equalsIgnoringAsciiCase(text, u"False")) return false;
            if (const auto number = numericText(text)) return *number != 0.0;
            raise(err::TypeMismatch, std::u16string(source));
        }
    };
    return std::visit(Visitor{source}, v);
}

std::u16string toText(const Value& v) {
    struct Visitor {
        std::u16string operator()(std::monostate) const { return {}; }
        std::u16string operator()(bool b) const { return b ? u"True" : u"False"; }
        std::u16string operator()(std::int16_t i) const { return decimal(i); }
        std::u16string operator()(std::int32_t i) const { return decimal(i); }
        std::u16string operator()(double d) const {
            if (std::floor(d) == d && std::fabs(d) < 1e15)
                return decimal(static_cast<long long>(d));
            // 15 significant digits in the shortest form, exponent as "1E-05" and "1E+15", with
            // a point whatever the C locale says.
            char buffer[32];
            const auto [end, error] =
                std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 15);
            std::string out(buffer, error == std::errc{} ? end : buffer);
            for (char& c : out)
                if (c == 'e') c = 'E';
            return fromUtf8(out);
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
