#include "hunspell/ranking.h"

#include <algorithm>
#include <cwctype>
#include <unordered_set>

namespace penwick::hunspell {

namespace {

// Case mapping of the user's LC_CTYPE, as Hunspell itself uses for UTF-8 dictionaries.
// Surrogates are left alone: no case pair crosses the basic plane in the scripts we meet.
char16_t upper(char16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    const auto mapped = std::towupper(static_cast<std::wint_t>(c));
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

char16_t lower(char16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    const auto mapped = std::towlower(static_cast<std::wint_t>(c));
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

bool isUpper(char16_t c) {
    return lower(c) != c;
}

// "Teh", "Dont": a capital first letter and no other.
bool capitalised(std::u16string_view word) {
    return !word.empty() && isUpper(word.front()) &&
           std::none_of(word.begin() + 1, word.end(), isUpper);
}

bool isApostrophe(char16_t c) {
    return c == u'\'' || c == u'\u2019';
}

bool addsOnlyApostrophes(std::u16string_view word, std::u16string_view suggestion) {
    if (suggestion.size() <= word.size()) return false;
    std::u16string stripped;
    for (char16_t c : suggestion)
        if (!isApostrophe(c)) stripped += c;
    return stripped == word;
}

// A split the engine offers by putting a space into the word, where one piece is a lone
// letter: a slip of the space bar is rarer than a slip of a letter.
bool splitsOffALetter(std::u16string_view suggestion) {
    if (suggestion.find(u' ') == std::u16string_view::npos) return false;
    std::size_t start = 0;
    while (start <= suggestion.size()) {
        std::size_t end = suggestion.find(u' ', start);
        if (end == std::u16string_view::npos) end = suggestion.size();
        const std::u16string_view piece = suggestion.substr(start, end - start);
        if (piece.size() == 1 && piece != u"a" && piece != u"A" && piece != u"I") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::vector<std::u16string> rankSuggestions(std::u16string_view word,
                                            const std::vector<std::u16string>& engineOrder,
                                            const SuggestFn& suggestLower) {
    std::vector<std::u16string> candidates;
    if (capitalised(word)) {
        std::u16string lowered(word);
        lowered.front() = lower(lowered.front());
        for (std::u16string s : suggestLower(lowered)) {
            if (!s.empty()) s.front() = upper(s.front());
            candidates.push_back(std::move(s));
        }
    }
    candidates.insert(candidates.end(), engineOrder.begin(), engineOrder.end());

    std::vector<std::u16string> ranked;
    std::unordered_set<std::u16string> seen;
    for (std::u16string& s : candidates) {
        if (s.empty() || splitsOffALetter(s) || !seen.insert(s).second) continue;
        ranked.push_back(std::move(s));
    }
    std::stable_partition(ranked.begin(), ranked.end(),
                          [&](const std::u16string& s) { return addsOnlyApostrophes(word, s); });
    return ranked;
}

}  // namespace penwick::hunspell
