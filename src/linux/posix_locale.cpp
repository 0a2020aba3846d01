#include "linux/posix_locale.h"

#include <iconv.h>
#include <langinfo.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "linux/date_pattern.h"
#include "util/text.h"

namespace penwick::linux_platform {

namespace {

// The C library's text in the locale's own character set, as UTF-8.
std::string toUtf8From(const char* text, const char* codeset) {
    if (text == nullptr) return {};
    if (codeset == nullptr || std::strcmp(codeset, "UTF-8") == 0 ||
        std::strcmp(codeset, "ANSI_X3.4-1968") == 0)  // ASCII is UTF-8 as it stands
        return text;
    iconv_t cd = iconv_open("UTF-8", codeset);
    // iconv's documented failure value. NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string in(text), out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return text;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string environmentTimeLocale() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

PosixLocale::PosixLocale(std::string name) {
    if (name.empty()) name = environmentTimeLocale();
    // The character set comes from the same locale, so that the names decode as they were
    // written even when LC_CTYPE names another locale.
    locale_t loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, name.c_str(), nullptr);
    const bool system = loc != nullptr;
    if (!system) loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", nullptr);
    if (loc == nullptr) return;  // out of memory: no pattern, English names

    const char* codeset = nl_langinfo_l(CODESET, loc);
    auto text = [&](nl_item item) { return toUtf8From(nl_langinfo_l(item, loc), codeset); };

    if (system) {
        if (auto p = patternFromStrftime(text(D_FMT))) {
            short_ = writtenPattern(*p);
            separator_ = p->separator;
        }
    }

    static const nl_item kMonths[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                        MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    static const nl_item kShortMonths[12] = {ABMON_1, ABMON_2,  ABMON_3,  ABMON_4,
                                             ABMON_5, ABMON_6,  ABMON_7,  ABMON_8,
                                             ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    static const nl_item kDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    static const nl_item kShortDays[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                          ABDAY_5, ABDAY_6, ABDAY_7};
    for (int i = 0; i < 12; ++i) {
        months_[i] = fromUtf8(text(kMonths[i]));
        shortMonths_[i] = fromUtf8(text(kShortMonths[i]));
    }
    for (int i = 0; i < 7; ++i) {
        days_[i] = fromUtf8(text(kDays[i]));
        shortDays_[i] = fromUtf8(text(kShortDays[i]));
    }
    freelocale(loc);
}

std::u16string PosixLocale::monthName(unsigned month, bool abbreviated) const {
    if (month < 1 || month > 12) return {};
    return abbreviated ? shortMonths_[month - 1] : months_[month - 1];
}

std::u16string PosixLocale::dayName(std::chrono::weekday day, bool abbreviated) const {
    const unsigned i = day.c_encoding();
    if (i > 6) return {};
    return abbreviated ? shortDays_[i] : days_[i];
}

std::chrono::year_month_day SystemClock::today() const {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                       std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                       std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}

}  // namespace penwick::linux_platform
