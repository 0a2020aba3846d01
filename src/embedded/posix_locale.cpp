#include "embedded/posix_locale.h"

#include <langinfo.h>

#include <cstring>
#include <string>

#include "util/text.h"

namespace penwick::embedded {

namespace {

// The strftime date format as pattern letters; nothing for a conversion we do not know.
std::optional<std::u16string> patternOf(const char* format, std::u16string& separator) {
    std::u16string pattern;
    bool sawSeparator = false;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            if (!sawSeparator && (*p == '/' || *p == '-' || *p == '.')) {
                separator = std::u16string(1, char16_t(*p));
                sawSeparator = true;
            }
            pattern += *p == '/' ? u'/' : char16_t(static_cast<unsigned char>(*p));
            continue;
        }
        ++p;
        if (*p == 'E' || *p == 'O') ++p;  // alternative-numeral modifiers
        switch (*p) {
            case 'd':
                pattern += u"dd";
                break;
            case 'e':
                pattern += u"d";
                break;
            case 'm':
                pattern += u"MM";
                break;
            case 'y':
                pattern += u"yy";
                break;
            case 'Y':
                pattern += u"yyyy";
                break;
            case 'b':
            case 'h':
                pattern += u"MMM";
                break;
            case 'B':
                pattern += u"MMMM";
                break;
            case 'D':
                pattern += u"MM/dd/yy";
                break;
            case 'F':
                pattern += u"yyyy-MM-dd";
                break;
            default:
                return std::nullopt;
        }
    }
    return pattern;
}

}  // namespace

PosixLocale::PosixLocale() {
    shortPattern_ = patternOf(nl_langinfo(D_FMT), separator_);
    // Names are only taken when the C library hands them over as UTF-8.
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    static const char* const english[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    static const char* const englishDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};
    for (int m = 0; m < 12; ++m) {
        months_[m] = fromUtf8(utf8 ? nl_langinfo(nl_item(MON_1 + m)) : english[m]);
        monthsShort_[m] = utf8 ? fromUtf8(nl_langinfo(nl_item(ABMON_1 + m)))
                               : fromUtf8(std::string(english[m], 3));
    }
    for (int d = 0; d < 7; ++d) {
        days_[d] = fromUtf8(utf8 ? nl_langinfo(nl_item(DAY_1 + d)) : englishDays[d]);
        daysShort_[d] = utf8 ? fromUtf8(nl_langinfo(nl_item(ABDAY_1 + d)))
                             : fromUtf8(std::string(englishDays[d], 3));
    }
}

std::u16string PosixLocale::monthName(unsigned month, bool abbreviated) const {
    if (month < 1 || month > 12) return {};
    return abbreviated ? monthsShort_[month - 1] : months_[month - 1];
}

std::u16string PosixLocale::dayName(std::chrono::weekday day, bool abbreviated) const {
    const unsigned d = day.c_encoding();
    return abbreviated ? daysShort_[d] : days_[d];
}

}  // namespace penwick::embedded
