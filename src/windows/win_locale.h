#pragma once
// The user's regional settings and today's date, from the Win32 locale calls.

#include <array>
#include <optional>
#include <string>

#include "util/locale.h"

namespace penwick::windows {

// Read once at construction, the way the program reads them once at start; the reading of a
// typed date asks the system each time (VarDateFromStr with the user's default locale).
class WinLocale final : public Locale {
public:
    WinLocale();

    std::optional<std::u16string> shortDatePattern() const override { return short_; }
    std::u16string dateSeparator() const override { return separator_; }
    std::u16string monthName(unsigned month, bool abbreviated) const override;
    std::u16string dayName(std::chrono::weekday day, bool abbreviated) const override;

    bool recognizesDates() const override { return true; }
    std::optional<SystemDate> recognizeDate(std::u16string_view text) const override;

private:
    std::optional<std::u16string> short_;
    std::u16string separator_ = u"/";
    std::array<std::u16string, 12> months_, shortMonths_;
    std::array<std::u16string, 7> days_, shortDays_;  // from Sunday
};

// The user's short-date pattern the classic way: GetLocaleInfoA(LOCALE_USER_DEFAULT,
// LOCALE_SSHORTDATE) into a buffer of 128, the text before the terminator converted from the
// ANSI code page; nothing when the system reports no characters.
std::optional<std::u16string> userShortDatePattern();

class SystemClock final : public Clock {
public:
    std::chrono::year_month_day today() const override;
};

}  // namespace penwick::windows
