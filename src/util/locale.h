#pragma once
// The user's regional settings, as far as the note date needs them.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace penwick {

// A date the system read from typed text, with the time of day when the text carried one.
struct SystemDate {
    std::chrono::year_month_day date;
    std::optional<std::chrono::seconds> timeOfDay;
};

class Locale {
public:
    virtual ~Locale() = default;

    // The short-date pattern in the system's pattern letters (d, M, y; "/" for the date
    // separator; text in single quotes), or nothing when the system refuses to give one.
    virtual std::optional<std::u16string> shortDatePattern() const = 0;
    // The date separator that "/" stands for in a pattern.
    virtual std::u16string dateSeparator() const = 0;
    // Month 1..12 and weekday names in the user's language.
    virtual std::u16string monthName(unsigned month, bool abbreviated) const = 0;
    virtual std::u16string dayName(std::chrono::weekday day, bool abbreviated) const = 0;

    // Where the system itself recognises the dates of the user's locale (Windows does), the
    // program leaves the reading of a typed date to it, so that it accepts what the contact
    // manager on the same system accepts. Elsewhere the program's own rule reads the text.
    virtual bool recognizesDates() const { return false; }
    // The system's reading; nothing when the text is no date.
    virtual std::optional<SystemDate> recognizeDate(std::u16string_view /*text*/) const {
        return std::nullopt;
    }
};

// The machine's clock, replaceable so that "today" is fixed in tests.
class Clock {
public:
    virtual ~Clock() = default;
    // Today's date in the user's time zone.
    virtual std::chrono::year_month_day today() const = 0;
};

}  // namespace penwick
