#pragma once
// Recognition of a typed date: the one rule both the note-date check and the contact manager
// use, so that a date the program lets through is a date the manager can store.

#include <chrono>
#include <optional>
#include <string_view>

#include "util/locale.h"

namespace penwick::note {

struct ParsedDateTime {
    std::chrono::year_month_day date;
    // Seconds since midnight, when the text carried a time of day.
    std::optional<std::chrono::seconds> timeOfDay;
};

// Accepts numeric dates in the order of the locale's short-date pattern (day-month-year when
// the pattern gives none), separated by "/", "-", "." or spaces; ISO yyyy-mm-dd (any date
// that starts with a four-digit year is year-month-day); month names and abbreviations in
// the locale's language or in English, with an optional leading weekday name; an optional
// time of day hh:mm[:ss] with optional AM/PM. Two-digit years 00-29 are 20xx, 30-99 19xx.
// As Windows does, a day and month without a year ("12/6", "Dec 6", "6 Dec") are taken in
// thisYear, and a month name with a four-digit year ("Dec 2026") is that month's first day.
// Impossible dates, a day and month in the wrong order, a time alone and trailing text are
// refused.
std::optional<ParsedDateTime> parseDateTime(std::u16string_view text, const Locale& locale,
                                            std::chrono::year thisYear);

std::optional<std::chrono::year_month_day> parseDate(std::u16string_view text, const Locale& locale,
                                                     std::chrono::year thisYear);

}  // namespace penwick::note
