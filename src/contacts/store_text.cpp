// Text folding and field names: how the store compares what users type.

#include "contacts/store.h"

#include <locale.h>
#include <wctype.h>

#include "util/text.h"

namespace penwick::contacts {

std::string foldCase(std::string_view text) {
    // The C library's own Unicode case table; C.UTF-8 is built into glibc, whatever locales
    // the machine has installed.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    const std::u16string wide = fromUtf8(text);
    std::u16string folded;
    folded.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() &&
                          wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000;
        if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        if (c == 0xDF || c == 0x1E9E) {  // sharp s: "Straße" and "STRASSE" are one word
            folded += u"ss";
            continue;
        }
        if (unicode != locale_t{})
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicode));
        if (c >= 0x10000) {
            folded += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            folded += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            folded += static_cast<char16_t>(c);
        }
    }
    return toUtf8(folded);
}

std::string fieldKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (char c : name) {
        if (c == ' ' || c == '\t' || c == '-' || c == '_' || c == '.') continue;
        key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return key;
}

std::optional<std::string> contactColumn(std::string_view field) {
    const std::string key = fieldKey(field);
    for (const ContactFieldColumn& c : kContactFieldColumns) {
        if (key == c.column) return std::string(c.column);
    }
    return std::nullopt;
}

}  // namespace penwick::contacts
