#include "tools/csv.h"

#include "util/failure.h"
#include "util/text.h"

namespace penwick::tools {

namespace {
[[noreturn]] void malformed(std::size_t line, const std::string& why) {
    raise(err::InvalidPropertyValue,
          fromUtf8("line " + std::to_string(line) + " of the CSV file: " + why),
          u"penwick-contacts");
}
}  // namespace

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t length;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + length > s.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::vector<CsvRecord> parseCsv(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    std::vector<CsvRecord> records;
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        CsvRecord record;
        record.line = line;
        bool endOfRecord = false;
        while (!endOfRecord) {
            std::string field;
            if (i < text.size() && text[i] == '"') {
                const std::size_t openedOn = line;
                ++i;
                for (;;) {
                    if (i >= text.size()) malformed(openedOn, "a quoted field is never closed");
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n') ++line;
                    field += text[i++];
                }
                if (i < text.size() && text[i] != ',' && text[i] != '\n' &&
                    !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                    malformed(line, "text follows a closing quote");
                }
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\n' &&
                       !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                    if (text[i] == '"') malformed(line, "a quote inside an unquoted field");
                    field += text[i++];
                }
            }
            if (!isValidUtf8(field)) malformed(line, "the text is not UTF-8");
            record.fields.push_back(std::move(field));
            if (i < text.size() && text[i] == ',') {
                ++i;
            } else {
                if (i < text.size()) {
                    i += text[i] == '\r' ? 2 : 1;
                    ++line;
                }
                endOfRecord = true;
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string csvField(std::string_view value) {
    // A value that starts with U+FEFF is quoted too: at the start of a file those bytes would
    // read as a byte-order mark and be dropped.
    const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!value.empty() && (value.front() == ' ' || value.back() == ' ')) ||
                       value.substr(0, 3) == "\xEF\xBB\xBF";
    if (!quote) return std::string(value);
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace penwick::tools
