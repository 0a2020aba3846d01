#pragma once
// The user's regional settings and today's date, from the C library.

#include <locale.h>

#include <array>
#include <optional>
#include <string>

#include "util/locale.h"

namespace penwick::linux_platform {

// The date conventions of the LC_TIME locale the environment names (LC_ALL, LC_TIME, LANG),
// read once at construction, the way the program reads them once at start.
class PosixLocale final : public Locale {
public:
    // name: a locale name such as "de_DE.UTF-8"; empty means the one the environment names.
    explicit PosixLocale(std::string name = {});

    std::optional<std::u16string> shortDatePattern() const override { return short_; }
    std::u16string dateSeparator() const override { return separator_; }
    std::u16string monthName(unsigned month, bool abbreviated) const override;
    std::u16string dayName(std::chrono::weekday day, bool abbreviated) const override;

private:
    std::optional<std::u16string> short_;
    std::u16string separator_ = u"/";
    std::array<std::u16string, 12> months_, shortMonths_;
    std::array<std::u16string, 7> days_, shortDays_;  // from Sunday
};

// The locale name the environment gives for LC_TIME, "C" when it names none.
std::string environmentTimeLocale();

class SystemClock final : public Clock {
public:
    std::chrono::year_month_day today() const override;
};

}  // namespace penwick::linux_platform
