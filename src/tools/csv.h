#pragma once
// Comma-separated values as RFC 4180 has them: fields separated by commas, records by line
// breaks (CRLF or LF), a field in double quotes may hold commas, quotes (doubled) and line
// breaks.

#include <string>
#include <string_view>
#include <vector>

namespace penwick::tools {

struct CsvRecord {
    std::size_t line = 0;  // the line the record starts on, counting from 1
    std::vector<std::string> fields;
};

// The records of the text, in order. A text that is not well-formed (a quote inside an
// unquoted field, text after a closing quote, a quote left open, bytes that are not UTF-8)
// is a Failure naming the line. A leading byte-order mark is skipped; a line break at the
// very end ends the last record rather than starting an empty one.
std::vector<CsvRecord> parseCsv(std::string_view text);

// One field, quoted when it holds a comma, a quote, a line break or leading/trailing space,
// or starts with a byte-order mark.
std::string csvField(std::string_view value);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace penwick::tools
