#pragma once
// The user's short-date pattern and the writing of a date with it.

#include <chrono>
#include <string>
#include <string_view>

#include "util/locale.h"

namespace penwick::note {

inline constexpr std::u16string_view kFallbackDatePattern = u"DD/MM/YYYY";

// The user's short-date pattern as the system gives it, or "DD/MM/YYYY" when the system
// refuses or the pattern does not fit 127 characters. Other failures are passed on with
// "GetDateFormat" as their source.
std::u16string userShortDatePattern(const Locale& locale);

// Writes the date with the pattern letters, matched without regard to case: d, dd (day),
// ddd, dddd (weekday name), M, MM (month), MMM, MMMM (month name), y, yy, yyyy (year), g or gg
// (era); "/" is the date separator; text in single quotes is copied ('' is one quote); any
// other character is copied unchanged.
std::u16string FormatDateByPattern(std::chrono::year_month_day date, std::u16string_view pattern,
                                   const Locale& locale);

}  // namespace penwick::note
