#include "tools/csv.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <istream>
#include <sstream>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::tools {

namespace {

constexpr std::size_t kBlock = std::size_t{64} * 1024;
// No cell of a contact is this long; a quote left open would otherwise read the rest of a
// file of any size into one field.
constexpr std::size_t kLongestField = std::size_t{16} * 1024 * 1024;
constexpr std::size_t kIncomplete = static_cast<std::size_t>(-1);

// The length of the UTF-8 sequence at s[i]: 0 when it is not well-formed, kIncomplete when the
// text ends inside it.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t length;
    char32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, cp = c & 0x07;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= s.size()) return kIncomplete;
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
        // Overlongs, surrogates and code points past U+10FFFF show in the first two bytes.
        if (k == 1 && ((length == 3 && cp < 0x20) || (length == 3 && cp >= 0x360 && cp <= 0x37F) ||
                       (length == 4 && (cp < 0x10 || cp > 0x10F)))) {
            return 0;
        }
    }
    return length;
}

std::string hexByte(char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X",
                  static_cast<unsigned>(static_cast<unsigned char>(c)));
    return buffer;
}

bool sameEncoding(std::string_view name, std::string_view utf8) {
    std::string key;
    for (char c : name) {
        if (c != '-' && c != '_') key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return key == utf8;
}

}  // namespace

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = sequenceLength(s, i);
        if (length == 0 || length == kIncomplete) return false;
        i += length;
    }
    return true;
}

CsvReader::CsvReader(std::istream& in, CsvOptions options)
    : in_(in), encodingName_("UTF-8"), delimiter_(options.delimiter) {
    if (options.encoding && !sameEncoding(*options.encoding, "utf8")) {
        const iconv_t converter = iconv_open("UTF-8", options.encoding->c_str());
        // iconv_open's own failure value is (iconv_t)-1.
        if (converter == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
            raise(err::InvalidPropertyValue,
                  fromUtf8("unknown encoding " + *options.encoding +
                           " (iconv -l lists the ones known here)"),
                  u"penwick-contacts");
        }
        converter_ = converter;
        encodingName_ = *options.encoding;
    }
}

CsvReader::~CsvReader() {
    if (converter_) iconv_close(*converter_);
}

void CsvReader::malformed(std::size_t line, const std::string& why) const {
    raise(err::InvalidPropertyValue,
          fromUtf8("line " + std::to_string(line) + " of the CSV file: " + why),
          u"penwick-contacts");
}

// Decoded text is appended to text_ after what has been parsed is dropped; false when there is
// no more.
bool CsvReader::fill() {
    text_.erase(0, pos_);
    pos_ = 0;
    const std::size_t before = text_.size();
    while (!inputDone_) {
        const std::size_t kept = raw_.size();
        raw_.resize(kept + kBlock);
        in_.read(raw_.data() + kept, static_cast<std::streamsize>(kBlock));
        raw_.resize(kept + static_cast<std::size_t>(in_.gcount()));
        if (in_.bad()) malformed(rawLine_, "the file could not be read");
        inputDone_ = in_.eof() || in_.gcount() == 0;
        if (!converter_) {
            decodeUtf8(inputDone_);
        } else {
            decodeWithIconv(inputDone_);
        }
        if (!started_) {
            if (text_.size() < 3 && !inputDone_) continue;  // a byte-order mark may be cut
            started_ = true;
            if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) text_.erase(0, 3);
        }
        if (text_.size() > before) break;
    }
    return text_.size() > before;
}

void CsvReader::decodeUtf8(bool atEnd) {
    std::size_t i = 0;
    while (i < raw_.size()) {
        const char c = raw_[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            if (c == '\n') {
                ++rawLine_;
                rawColumn_ = 1;
            } else {
                ++rawColumn_;
            }
            ++i;
            continue;
        }
        const std::size_t length = sequenceLength(raw_, i);
        if (length == kIncomplete && !atEnd) break;  // the rest comes with the next block
        if (length == 0 || length == kIncomplete) {
            raise(err::InvalidPropertyValue,
                  fromUtf8("line " + std::to_string(rawLine_) + ", column " +
                           std::to_string(rawColumn_) + " of the CSV file: the byte " + hexByte(c) +
                           " is not UTF-8; give the file's encoding with --encoding "
                           "(such as --encoding windows-1252)"),
                  u"penwick-contacts");
        }
        i += length;
        ++rawColumn_;
    }
    text_.append(raw_, 0, i);
    raw_.erase(0, i);
}

void CsvReader::decodeWithIconv(bool atEnd) {
    char* in = raw_.data();
    std::size_t inLeft = raw_.size();
    while (inLeft > 0) {
        const std::size_t start = text_.size();
        text_.resize(start + 4 * inLeft + 16);
        char* out = text_.data() + start;
        std::size_t outLeft = text_.size() - start;
        const std::size_t result = iconv(*converter_, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        text_.resize(text_.size() - outLeft);
        // Lines counted in the converted text: in UTF-16 a 0x0A byte need not be a line break.
        rawLine_ += static_cast<std::size_t>(
            std::count(text_.begin() + static_cast<std::ptrdiff_t>(start), text_.end(), '\n'));
        if (result != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) continue;
        if (error == EINVAL && !atEnd) break;  // a character cut by the block's end
        malformed(rawLine_, error == EINVAL ? "the file ends inside a character"
                                            : "the byte " + hexByte(*in) + " is not " +
                                                  encodingName_ + " text");
    }
    raw_.erase(0, raw_.size() - inLeft);
}

void CsvReader::chooseDelimiter() {
    if (delimiter_ != 0) return;
    // The first line (a header line is never longer than a few blocks).
    std::size_t end;
    while ((end = text_.find('\n', pos_)) == std::string::npos && fill()) {
    }
    std::size_t commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (std::size_t i = pos_; i < std::min(end, text_.size()); ++i) {
        const char c = text_[i];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        commas += c == ',';
        semicolons += c == ';';
        tabs += c == '\t';
    }
    delimiter_ = semicolons > commas && semicolons >= tabs ? ';' : tabs > commas ? '\t' : ',';
}

char CsvReader::delimiter() {
    chooseDelimiter();
    return delimiter_;
}

bool CsvReader::next(CsvRecord& record) {
    chooseDelimiter();
    const auto peek = [&]() -> int {
        if (pos_ >= text_.size() && !fill()) return -1;
        return static_cast<unsigned char>(text_[pos_]);
    };
    if (peek() < 0) return false;
    record.line = line_;
    std::size_t count = 0;
    for (;;) {
        if (count == record.fields.size()) record.fields.emplace_back();
        std::string& field = record.fields[count++];
        field.clear();
        int c = peek();
        if (c == '"') {
            const std::size_t openedOn = line_;
            ++pos_;
            for (;;) {
                c = peek();
                if (c < 0) malformed(openedOn, "a quoted field is never closed");
                ++pos_;
                if (c == '"') {
                    if (peek() != '"') break;
                    ++pos_;
                } else if (c == '\n') {
                    ++line_;
                }
                field += static_cast<char>(c);
                if (field.size() > kLongestField) {
                    malformed(
                        openedOn,
                        "a quoted field runs on for more than 16 MiB (is a quote left open?)");
                }
            }
            c = peek();
            if (c == '\r') {
                ++pos_;
                if (peek() != '\n') malformed(line_, "text follows a closing quote");
                c = '\n';
            }
            if (c >= 0 && c != delimiter_ && c != '\n') {
                malformed(line_, "text follows a closing quote");
            }
        } else {
            for (;;) {
                // The common case: a run of plain characters inside the block.
                std::size_t end = pos_;
                while (end < text_.size()) {
                    const char d = text_[end];
                    if (d == delimiter_ || d == '\n' || d == '\r' || d == '"') break;
                    ++end;
                }
                field.append(text_, pos_, end - pos_);
                pos_ = end;
                if (field.size() > kLongestField) {
                    malformed(line_, "a field runs on for more than 16 MiB");
                }
                c = peek();
                if (c < 0 || c == delimiter_ || c == '\n') break;
                if (c == '"') malformed(line_, "a quote inside an unquoted field");
                if (c == '\r') {
                    ++pos_;
                    if (peek() == '\n') {
                        c = '\n';
                        break;
                    }
                    field += '\r';  // a lone carriage return is text
                }
            }
        }
        if (c == delimiter_) {
            ++pos_;
            continue;
        }
        if (c == '\n') {
            ++pos_;
            ++line_;
        }
        break;
    }
    record.fields.resize(count);
    return true;
}

std::vector<CsvRecord> parseCsv(std::string_view text) {
    std::istringstream in{std::string(text)};
    CsvReader reader(in, {std::nullopt, ','});
    std::vector<CsvRecord> records;
    CsvRecord record;
    while (reader.next(record)) records.push_back(record);
    return records;
}

std::string csvField(std::string_view value) {
    // A value that starts with U+FEFF is quoted too: at the start of a file those bytes would
    // read as a byte-order mark and be dropped. Semicolons and tabs are quoted so that a
    // reader guessing the separator from the first line guesses the comma.
    const bool quote = value.find_first_of(",;\t\"\r\n") != std::string_view::npos ||
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
