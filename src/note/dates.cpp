#include "note/dates.h"

#include "util/failure.h"
#include "util/text.h"

namespace penwick::note {

namespace {
constexpr std::size_t kPatternBufferChars = 128;  // the terminator takes one of them

std::u16string padded(int value, std::size_t width) {
    std::u16string digits = decimal(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
    return digits;
}
}  // namespace

std::u16string userShortDatePattern(const Locale& locale) {
    try {
        const auto pattern = locale.shortDatePattern();
        if (!pattern || pattern->size() > kPatternBufferChars - 1)
            return std::u16string(kFallbackDatePattern);
        return *pattern;
    } catch (const Failure& f) {
        throw f.passedOnBy(u"GetDateFormat");
    }
}

std::u16string FormatDateByPattern(std::chrono::year_month_day date, std::u16string_view pattern,
                                   const Locale& locale) {
    const int day = static_cast<int>(static_cast<unsigned>(date.day()));
    const unsigned month = static_cast<unsigned>(date.month());
    const int year = static_cast<int>(date.year());
    const std::chrono::weekday weekday{std::chrono::sys_days{date}};

    std::u16string out;
    for (std::size_t i = 0; i < pattern.size();) {
        const char16_t c = pattern[i];
        if (c == u'\'') {
            // Quoted text; a doubled quote stands for one quote, inside or outside quotes.
            if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            for (++i; i < pattern.size(); ++i) {
                if (pattern[i] == u'\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                        out += u'\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += pattern[i];
            }
            continue;
        }
        if (c == u'/') {
            out += locale.dateSeparator();
            ++i;
            continue;
        }
        const char16_t letter = asciiLower(c);
        std::size_t run = 1;
        while (i + run < pattern.size() && asciiLower(pattern[i + run]) == letter) ++run;
        switch (letter) {
            case u'd':
                out += run == 1   ? decimal(day)
                       : run == 2 ? padded(day, 2)
                                  : locale.dayName(weekday, run == 3);
                break;
            case u'm':
                out += run == 1   ? decimal(month)
                       : run == 2 ? padded(static_cast<int>(month), 2)
                                  : locale.monthName(month, run == 3);
                break;
            case u'y':
                out += run == 1   ? decimal(year % 100)
                       : run == 2 ? padded(year % 100, 2)
                                  : padded(year, 4);
                break;
            case u'g':
                out += u"A.D.";
                break;
            default:
                out.append(pattern.substr(i, run));
                break;
        }
        i += run;
    }
    return out;
}

}  // namespace penwick::note
