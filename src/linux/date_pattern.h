#pragma once
// strftime date formats turned into the program's date-pattern letters.

#include <optional>
#include <string>
#include <string_view>

namespace penwick::linux_platform {

struct DatePattern {
    std::u16string pattern;    // d, dd, M, MM, yy, yyyy, MMM, MMMM, ddd, dddd; "/" separates
    std::u16string separator;  // the text that "/" stands for
};

// Converts a strftime date format (such as nl_langinfo's D_FMT, "%d.%m.%Y") into a pattern
// ("dd/MM/yyyy") and its separator ("."). The separator is the literal text between the first
// two date fields; each occurrence of it becomes "/". Other literal text is kept, ASCII letters
// in single quotes. Time fields and unknown conversions are dropped, together with the literal
// text that joined them to the date. Nothing when the format has no date field at all.
// With a separator given, that text stands for "/" instead of the one the format would give.
std::optional<DatePattern> patternFromStrftime(
    std::string_view format, std::optional<std::u16string_view> separator = std::nullopt);

// The pattern with its separator written out where "/" stands ("dd.MM.yyyy"), as Windows
// gives a user's short-date pattern: what the user reads then matches the dates written with
// it. A separator that holds a letter or a quote is quoted, so it stays text.
std::u16string writtenPattern(const DatePattern& pattern);

}  // namespace penwick::linux_platform
