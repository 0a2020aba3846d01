#pragma once
// A Locale from the process's C library locale (LC_TIME), for the tool and for programs that
// have no locale of their own. Call setlocale(LC_ALL, "") first to follow the user's settings.

#include "util/locale.h"

namespace penwick::embedded {

class PosixLocale final : public Locale {
public:
    PosixLocale();
    std::optional<std::u16string> shortDatePattern() const override { return shortPattern_; }
    std::optional<std::u16string> longDatePattern() const override { return std::nullopt; }
    std::u16string dateSeparator() const override { return separator_; }
    std::u16string monthName(unsigned month, bool abbreviated) const override;
    std::u16string dayName(std::chrono::weekday day, bool abbreviated) const override;

private:
    std::optional<std::u16string> shortPattern_;
    std::u16string separator_ = u"/";
    std::u16string months_[12], monthsShort_[12], days_[7], daysShort_[7];
};

}  // namespace penwick::embedded
