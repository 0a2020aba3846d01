#include "note/date_parse.h"

#include <array>
#include <string>
#include <vector>

#include "util/text.h"

namespace penwick::note {

namespace {

using namespace std::chrono;

constexpr std::array<std::u16string_view, 12> kEnglishMonths = {
    u"january", u"february", u"march",     u"april",   u"may",      u"june",
    u"july",    u"august",   u"september", u"october", u"november", u"december"};
constexpr std::array<std::u16string_view, 7> kEnglishDays = {
    u"sunday", u"monday", u"tuesday", u"wednesday", u"thursday", u"friday", u"saturday"};

// Case folding for the scripts month names are usually written in; enough to match a typed
// name against the locale's, not a general Unicode fold.
char16_t fold(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 32);
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return char16_t(c | 1);
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && (c & 1)) {
        return char16_t(c + 1);
    }
    if (c >= 0x391 && c <= 0x3A9) return char16_t(c + 32);
    if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);
    if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
    return c;
}

std::u16string folded(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) c = fold(c);
    // Abbreviations often carry their own full stop ("déc."); the typed one is a separator.
    while (!out.empty() && (out.back() == u'.' || out.back() == u' ')) out.pop_back();
    return out;
}

bool isSeparator(char16_t c) {
    return c == u' ' || c == u'/' || c == u'-' || c == u'.' || c == u',';
}

enum class Kind { Number, Word, Separator, Colon };

struct Token {
    Kind kind;
    std::u16string_view text;
    char16_t punctuation = 0;  // the one non-space character of a separator run, if any
};

// Splits the text into numbers, words, colons and separator runs. A separator run holds
// spaces and at most one of "/ - . ,", so "6. Dezember" and "December 6, 2026" pass but
// "6//12" does not.
std::optional<std::vector<Token>> tokenize(std::u16string_view s) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t start = i;
        const char16_t c = s[i];
        if (isAsciiDigit(c)) {
            while (i < s.size() && isAsciiDigit(s[i])) ++i;
            tokens.push_back({Kind::Number, s.substr(start, i - start)});
        } else if (c == u':') {
            ++i;
            tokens.push_back({Kind::Colon, s.substr(start, 1)});
        } else if (isSeparator(c)) {
            char16_t punctuation = 0;
            while (i < s.size() && isSeparator(s[i])) {
                if (s[i] != u' ') {
                    if (punctuation != 0) return std::nullopt;
                    punctuation = s[i];
                }
                ++i;
            }
            tokens.push_back({Kind::Separator, s.substr(start, i - start), punctuation});
        } else {
            while (i < s.size() && !isAsciiDigit(s[i]) && s[i] != u':' && !isSeparator(s[i])) {
                ++i;
            }
            tokens.push_back({Kind::Word, s.substr(start, i - start)});
        }
    }
    return tokens;
}

std::optional<int> number(const Token& t, std::size_t minDigits, std::size_t maxDigits) {
    if (t.kind != Kind::Number || t.text.size() < minDigits || t.text.size() > maxDigits) {
        return std::nullopt;
    }
    int v = 0;
    for (char16_t c : t.text) v = v * 10 + (c - u'0');
    return v;
}

// Month 1..12 for a month name or abbreviation, in the locale's language or in English.
std::optional<unsigned> monthOfWord(std::u16string_view word, const Locale& locale) {
    const std::u16string w = folded(word);
    if (w.empty()) return std::nullopt;
    for (unsigned m = 1; m <= 12; ++m) {
        const std::u16string_view english = kEnglishMonths[m - 1];
        if (w == english || w == english.substr(0, 3) || (m == 9 && w == u"sept") ||
            w == folded(locale.monthName(m, false)) || w == folded(locale.monthName(m, true))) {
            return m;
        }
    }
    return std::nullopt;
}

bool isWeekday(std::u16string_view word, const Locale& locale) {
    const std::u16string w = folded(word);
    for (unsigned d = 0; d < 7; ++d) {
        const std::u16string_view english = kEnglishDays[d];
        if (w == english || w == english.substr(0, 3) ||
            w == folded(locale.dayName(weekday{d}, false)) ||
            w == folded(locale.dayName(weekday{d}, true))) {
            return true;
        }
    }
    return false;
}

// The order of day, month and year in the locale's short-date pattern, as "DMY", "MDY" or
// "YMD"; day-month-year when the pattern is missing or lacks one of them.
std::string fieldOrder(const Locale& locale) {
    const std::optional<std::u16string> pattern = locale.shortDatePattern();
    if (!pattern) return "DMY";
    std::string order;
    bool quoted = false;
    for (char16_t c : *pattern) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        char field = 0;
        if (c == u'd' || c == u'D') field = 'D';
        if (c == u'M' || c == u'm') field = 'M';
        if (c == u'y' || c == u'Y') field = 'Y';
        if (field != 0 && order.find(field) == std::string::npos) order += field;
    }
    return order.size() == 3 ? order : "DMY";
}

std::optional<int> yearOf(const Token& t) {
    if (auto y2 = number(t, 2, 2)) return *y2 < 30 ? 2000 + *y2 : 1900 + *y2;
    if (auto y4 = number(t, 4, 4); y4 && *y4 >= 1000) return *y4;
    return std::nullopt;
}

// The time of day from tokens[i] on, up to the end of the text.
std::optional<seconds> timeOfDay(const std::vector<Token>& tokens, std::size_t i) {
    auto at = [&](std::size_t k) -> const Token* {
        return k < tokens.size() ? &tokens[k] : nullptr;
    };
    const Token* h = at(i);
    const Token* c1 = at(i + 1);
    const Token* m = at(i + 2);
    if (!h || !c1 || !m || c1->kind != Kind::Colon) return std::nullopt;
    auto hour = number(*h, 1, 2);
    auto minute = number(*m, 2, 2);
    if (!hour || !minute || *minute > 59) return std::nullopt;
    int second = 0;
    i += 3;
    if (const Token* c2 = at(i); c2 && c2->kind == Kind::Colon) {
        const Token* s = at(i + 1);
        auto sec = s ? number(*s, 2, 2) : std::nullopt;
        if (!sec || *sec > 59) return std::nullopt;
        second = *sec;
        i += 2;
    }
    if (const Token* sp = at(i); sp && sp->kind == Kind::Separator && sp->punctuation == 0) ++i;
    if (const Token* w = at(i); w && w->kind == Kind::Word) {
        const std::u16string marker = folded(w->text);
        const bool am = marker == u"am" || marker == u"a";
        const bool pm = marker == u"pm" || marker == u"p";
        if ((!am && !pm) || *hour < 1 || *hour > 12) return std::nullopt;
        *hour = (*hour % 12) + (pm ? 12 : 0);
        ++i;
    } else if (*hour > 23) {
        return std::nullopt;
    }
    if (i != tokens.size()) return std::nullopt;
    return hours{*hour} + minutes{*minute} + seconds{second};
}

// Day and month without a year, or a month name with a year: two components.
std::optional<year_month_day> twoComponentDate(const std::array<const Token*, 3>& parts,
                                               const Locale& locale, year thisYear) {
    const Token& a = *parts[0];
    const Token& b = *parts[1];
    if (a.kind == Kind::Word && b.kind == Kind::Word) return std::nullopt;
    if (a.kind == Kind::Number && b.kind == Kind::Number) {
        // Day and month in the locale's order; a month over 12 is not read the other way round.
        const std::string order = fieldOrder(locale);
        const bool dayFirst = order.find('D') < order.find('M');
        const auto day = number(dayFirst ? a : b, 1, 2);
        const auto month = number(dayFirst ? b : a, 1, 2);
        if (!day || !month || *month < 1 || *month > 12) return std::nullopt;
        return year_month_day{thisYear, std::chrono::month{unsigned(*month)},
                              std::chrono::day{unsigned(*day)}};
    }
    const Token& word = a.kind == Kind::Word ? a : b;
    const Token& digits = a.kind == Kind::Word ? b : a;
    const auto month = monthOfWord(word.text, locale);
    if (!month) return std::nullopt;
    if (auto y = number(digits, 4, 4); y && *y >= 1000)
        return year_month_day{year{*y}, std::chrono::month{*month}, std::chrono::day{1}};
    const auto day = number(digits, 1, 2);
    if (!day) return std::nullopt;
    return year_month_day{thisYear, std::chrono::month{*month}, std::chrono::day{unsigned(*day)}};
}

std::optional<year_month_day> threeComponentDate(const std::array<const Token*, 3>& parts,
                                                 const Locale& locale) {
    std::optional<int> day, year;
    std::optional<unsigned> month;
    int words = 0;
    for (const Token* t : parts) words += t->kind == Kind::Word;
    if (words > 1) return std::nullopt;

    if (words == 1) {
        std::array<const Token*, 2> numbers{};
        std::size_t n = 0;
        for (const Token* t : parts) {
            if (t->kind == Kind::Word) {
                month = monthOfWord(t->text, locale);
            } else {
                numbers[n++] = t;
            }
        }
        // A four-digit number is the year wherever it stands; otherwise the locale decides.
        bool yearFirst;
        if (numbers[0]->text.size() == 4) {
            yearFirst = true;
        } else if (numbers[1]->text.size() == 4) {
            yearFirst = false;
        } else {
            const std::string order = fieldOrder(locale);
            yearFirst = order.find('Y') < order.find('D');
        }
        day = number(*numbers[yearFirst ? 1 : 0], 1, 2);
        year = yearOf(*numbers[yearFirst ? 0 : 1]);
    } else {
        const std::string order = parts[0]->text.size() == 4 ? "YMD" : fieldOrder(locale);
        for (std::size_t p = 0; p < 3; ++p) {
            switch (order[p]) {
                case 'D':
                    day = number(*parts[p], 1, 2);
                    break;
                case 'M':
                    if (auto m = number(*parts[p], 1, 2)) month = unsigned(*m);
                    break;
                default:
                    year = yearOf(*parts[p]);
                    break;
            }
        }
    }
    if (!day || !month || !year) return std::nullopt;
    return year_month_day{std::chrono::year{*year}, std::chrono::month{*month},
                          std::chrono::day{unsigned(*day)}};
}

// The date (and time) from tokens[i] to the end.
std::optional<ParsedDateTime> parseFrom(const std::vector<Token>& tokens, std::size_t i,
                                        const Locale& locale, year thisYear) {
    // Two or three components, each a number or a month name, with one separator run between
    // them; a number followed by a colon starts the time of day instead.
    std::array<const Token*, 3> parts{};
    std::size_t count = 0;
    while (count < 3) {
        std::size_t j = i;
        if (count > 0) {
            if (j >= tokens.size() || tokens[j].kind != Kind::Separator) break;
            ++j;
        }
        if (j >= tokens.size()) break;
        const Token& t = tokens[j];
        if (t.kind != Kind::Number && t.kind != Kind::Word) break;
        if (j + 1 < tokens.size() && tokens[j + 1].kind == Kind::Colon) break;
        parts[count++] = &t;
        i = j + 1;
    }
    if (count < 2) return std::nullopt;

    std::optional<seconds> time;
    if (i < tokens.size()) {
        if (tokens[i].kind != Kind::Separator || tokens[i].punctuation != 0) return std::nullopt;
        time = timeOfDay(tokens, i + 1);
        if (!time) return std::nullopt;
    }

    const std::optional<year_month_day> date =
        count == 2 ? twoComponentDate(parts, locale, thisYear) : threeComponentDate(parts, locale);
    if (!date || !date->ok()) return std::nullopt;
    return ParsedDateTime{*date, time};
}

}  // namespace

std::optional<ParsedDateTime> parseDateTime(std::u16string_view text, const Locale& locale,
                                            year thisYear) {
    const std::u16string trimmed = trimSpaces(text);
    const auto tokens = tokenize(trimmed);
    if (!tokens) return std::nullopt;
    // A leading weekday name is skipped, unless the word is also a month ("mar" in Spanish).
    if (!tokens->empty() && (*tokens)[0].kind == Kind::Word &&
        isWeekday((*tokens)[0].text, locale)) {
        std::size_t i = 1;
        if (i < tokens->size() && (*tokens)[i].kind == Kind::Separator) ++i;
        if (auto parsed = parseFrom(*tokens, i, locale, thisYear)) return parsed;
    }
    return parseFrom(*tokens, 0, locale, thisYear);
}

std::optional<std::chrono::year_month_day> parseDate(std::u16string_view text, const Locale& locale,
                                                     year thisYear) {
    if (auto parsed = parseDateTime(text, locale, thisYear)) return parsed->date;
    return std::nullopt;
}

}  // namespace penwick::note
