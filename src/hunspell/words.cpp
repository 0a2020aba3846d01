#include "hunspell/words.h"

#include <locale.h>
#include <wctype.h>

namespace penwick::hunspell {

namespace {

// The C library's Unicode character classes, independent of the process's own locale.
locale_t unicodeClasses() {
    static const locale_t classes = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return l != nullptr ? l : newlocale(LC_CTYPE_MASK, "en_US.UTF-8", nullptr);
    }();
    return classes;
}

// One code point at i (a surrogate pair counts as one), and its size in UTF-16 units.
char32_t codePointAt(std::u16string_view s, std::size_t i, std::size_t& units) {
    const char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
        units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
    }
    units = 1;
    return c;
}

bool isLetterOrDigit(char32_t c) {
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    if (c >= 0x0300 && c <= 0x036F) return true;  // combining accents belong to their letter
    const locale_t classes = unicodeClasses();
    if (classes == nullptr) return true;  // no tables: keep non-ASCII letters whole
    return iswalnum_l(static_cast<wint_t>(c), classes) != 0;
}

bool isJoiner(char32_t c) {
    return c == u'\'' || c == u'\u2019' || c == u'-' || c == u'\u2010' || c == u'\u2011';
}

bool isBreak(char32_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u00A0' ||
           c == u'\u2028' || c == u'\u2029';
}

bool isAddress(std::u16string_view chunk) {
    std::u16string lower;
    for (char16_t c : chunk) lower.push_back(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
    if (lower.find(u"://") != std::u16string::npos) return true;
    // "www." after any opening punctuation such as a bracket or a quote.
    const auto first = lower.find_first_not_of(u"([{<\"'\u201C\u2018");
    if (first != std::u16string::npos && lower.compare(first, 4, u"www.") == 0) return true;
    const auto at = lower.find(u'@');
    if (at == std::u16string::npos || at == 0) return false;
    const auto dot = lower.find(u'.', at + 2);
    return dot != std::u16string::npos && dot + 1 < lower.size() &&
           isLetterOrDigit(lower[dot + 1]) && isLetterOrDigit(lower[at - 1]);
}

void wordsOfChunk(std::u16string_view token, std::size_t from, std::size_t to,
                  std::vector<Word>& words) {
    std::size_t i = from;
    while (i < to) {
        std::size_t units = 1;
        if (!isLetterOrDigit(codePointAt(token, i, units))) {
            i += units;
            continue;
        }
        // A word starts at a letter or digit and runs on through joiners; joiners at its
        // end are punctuation ("don't" keeps its apostrophe, "'quoted'" loses both).
        const std::size_t start = i;
        std::size_t lastLetter = i;
        while (i < to) {
            const char32_t c = codePointAt(token, i, units);
            if (isLetterOrDigit(c)) {
                lastLetter = i + units;
            } else if (!isJoiner(c)) {
                break;
            }
            i += units;
        }
        words.push_back({token.substr(start, lastLetter - start), start});
        i = lastLetter;
    }
}

}  // namespace

std::vector<Word> wordsOf(std::u16string_view token) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < token.size()) {
        if (isBreak(token[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < token.size() && !isBreak(token[end])) ++end;
        if (!isAddress(token.substr(i, end - i))) wordsOfChunk(token, i, end, words);
        i = end;
    }
    return words;
}

bool isExempt(std::u16string_view word) {
    const locale_t classes = unicodeClasses();
    int letters = 0;
    bool allCapitals = true;
    for (std::size_t i = 0; i < word.size();) {
        std::size_t units = 1;
        const char32_t c = codePointAt(word, i, units);
        i += units;
        if (c >= u'0' && c <= u'9') return true;
        const bool digit = classes != nullptr && iswdigit_l(static_cast<wint_t>(c), classes) != 0;
        if (digit) return true;
        if (!isLetterOrDigit(c) || (c >= 0x0300 && c <= 0x036F)) continue;
        ++letters;
        const bool capital =
            c < 0x80 ? (c >= u'A' && c <= u'Z')
                     : classes != nullptr && iswupper_l(static_cast<wint_t>(c), classes) != 0;
        if (!capital) allCapitals = false;
    }
    return letters >= 2 && allCapitals;
}

}  // namespace penwick::hunspell
