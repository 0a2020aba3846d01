#include "windows/win_locale.h"

#include <windows.h>

#include <oleauto.h>

#include <cmath>

#include "windows/wide.h"

namespace penwick::windows {

namespace {

std::optional<std::u16string> localeText(LCTYPE type) {
    wchar_t buffer[128] = {};
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
    if (n <= 0) return std::nullopt;
    return narrowToU16(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)));
}

}  // namespace

std::optional<std::u16string> userShortDatePattern() {
    char buffer[128] = {};
    const int count = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, 128);
    if (count <= 0) return std::nullopt;
    return fromAnsiCodePage(std::string_view(buffer, static_cast<std::size_t>(count - 1)));
}

WinLocale::WinLocale() : short_(userShortDatePattern()) {
    if (auto s = localeText(LOCALE_SDATE); s && !s->empty()) separator_ = *s;
    for (unsigned m = 0; m < 12; ++m) {
        months_[m] = localeText(LOCALE_SMONTHNAME1 + m).value_or(u"");
        shortMonths_[m] = localeText(LOCALE_SABBREVMONTHNAME1 + m).value_or(u"");
    }
    // Windows counts the days from Monday (SDAYNAME1); the program from Sunday.
    for (unsigned d = 0; d < 7; ++d) {
        const unsigned fromSunday = (d + 1) % 7;
        days_[fromSunday] = localeText(LOCALE_SDAYNAME1 + d).value_or(u"");
        shortDays_[fromSunday] = localeText(LOCALE_SABBREVDAYNAME1 + d).value_or(u"");
    }
}

std::u16string WinLocale::monthName(unsigned month, bool abbreviated) const {
    if (month < 1 || month > 12) return {};
    return abbreviated ? shortMonths_[month - 1] : months_[month - 1];
}

std::u16string WinLocale::dayName(std::chrono::weekday day, bool abbreviated) const {
    if (!day.ok()) return {};
    return abbreviated ? shortDays_[day.c_encoding()] : days_[day.c_encoding()];
}

std::optional<SystemDate> WinLocale::recognizeDate(std::u16string_view text) const {
    // VarDateFromStr wants a terminated string and may not change it.
    std::wstring input = wide(text);
    DATE value = 0;
    if (FAILED(VarDateFromStr(input.data(), LOCALE_USER_DEFAULT, 0, &value))) return std::nullopt;
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(value, &st)) return std::nullopt;
    using namespace std::chrono;
    SystemDate result{year_month_day{year{st.wYear}, month{st.wMonth}, day{st.wDay}}, {}};
    double whole = 0;
    if (std::modf(value, &whole) != 0.0)
        result.timeOfDay = hours{st.wHour} + minutes{st.wMinute} + seconds{st.wSecond};
    return result;
}

std::chrono::year_month_day SystemClock::today() const {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    using namespace std::chrono;
    return year_month_day{year{st.wYear}, month{st.wMonth}, day{st.wDay}};
}

}  // namespace penwick::windows
