#pragma once
// Comma-separated values as RFC 4180 has them, and as spreadsheets write them: fields separated
// by commas (or semicolons or tabs), records by line breaks (CRLF or LF), a field in double
// quotes may hold separators, quotes (doubled) and line breaks.

#include <iconv.h>

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::tools {

struct CsvRecord {
    std::size_t line = 0;  // the line the record starts on, counting from 1
    std::vector<std::string> fields;
};

struct CsvOptions {
    // The file's character encoding as iconv names it ("windows-1252", "ISO-8859-15"...);
    // nothing: UTF-8, checked byte by byte.
    std::optional<std::string> encoding;
    // The field separator; 0: whichever of ',', ';' and tab the first line holds most of
    // outside quotes (',' when it holds none).
    char delimiter = 0;
};

// Reads records one at a time from a stream, holding only a block of the file at once. The
// text is read as UTF-8 (or converted to it from CsvOptions::encoding); a leading byte-order
// mark is skipped, and a line break at the very end ends the last record rather than starting
// an empty one. Text that is not well-formed (a quote inside an unquoted field, text after a
// closing quote, a quote left open, bytes that are not UTF-8 or not of the encoding) is a
// Failure naming the line, and for a bad byte its column.
class CsvReader {
public:
    explicit CsvReader(std::istream& in, CsvOptions options = {});
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;
    ~CsvReader();

    // The next record into `record` (its buffers reused); false at the end of the text.
    bool next(CsvRecord& record);
    char delimiter();
    // The encoding the text is read in, as given ("UTF-8" when none was).
    const std::string& encoding() const { return encodingName_; }

private:
    bool fill();
    void decodeUtf8(bool atEnd);
    void decodeWithIconv(bool atEnd);
    void chooseDelimiter();
    [[noreturn]] void malformed(std::size_t line, const std::string& why) const;

    std::istream& in_;
    std::string encodingName_;
    std::optional<iconv_t> converter_;  // only for a file that is not UTF-8
    char delimiter_;
    bool started_ = false;
    bool inputDone_ = false;
    std::string raw_;   // bytes read and not yet decoded (a character cut by the block's end)
    std::string text_;  // decoded text; text_[pos_] is the next character to parse
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    // Where the decoder is in the file, for naming a bad byte.
    std::size_t rawLine_ = 1, rawColumn_ = 1;
};

// The records of a whole text, in order (CsvReader on a string, comma-separated, UTF-8).
std::vector<CsvRecord> parseCsv(std::string_view text);

// One field, quoted when it holds a separator (comma, semicolon, tab), a quote, a line break or
// leading/trailing space, or starts with a byte-order mark.
std::string csvField(std::string_view value);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace penwick::tools
