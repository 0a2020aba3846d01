#include "fuzz/fuzz_entries.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "contacts/session.h"
#include "linux/ini_settings.h"
#include "lookup/scramble.h"
#include "note/date_parse.h"
#include "note/dates.h"
#include "support/fakes.h"
#include "tools/csv.h"
#include "util/codepage.h"
#include "util/failure.h"
#include "util/paths.h"

namespace penwick::fuzz {

namespace {

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// Bytes in pairs as UTF-16 code units (lone surrogates and all), an odd last byte dropped.
std::u16string utf16(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}

std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Locales with the pattern shapes people have: month first, day first, year first, names.
const testing::FakeLocale& localeFor(std::uint8_t choice) {
    using testing::FakeLocale;
    static const FakeLocale locales[] = {FakeLocale(u"M/d/yyyy"), FakeLocale(u"dd.MM.yyyy", u"."),
                                         FakeLocale(u"yyyy-MM-dd", u"-"),
                                         FakeLocale(u"d MMM yy", u" "), FakeLocale(std::nullopt)};
    return locales[choice % std::size(locales)];
}

}  // namespace

void dateRecognition(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const Locale& locale = localeFor(data[0]);
    const std::u16string text = utf16(data + 1, size - 1);
    try {
        const auto parsed = note::parseDateTime(text, locale, std::chrono::year{2026});
        if (parsed) {
            check(parsed->date.ok(), "a recognised date is a real calendar date");
            if (parsed->timeOfDay) {
                check(parsed->timeOfDay->count() >= 0 && parsed->timeOfDay->count() < 86400,
                      "a time of day lies within the day");
            }
        }
        const auto date = note::parseDate(text, locale, std::chrono::year{2026});
        check(!date || date->ok(), "a recognised date is a real calendar date");
    } catch (const Failure&) {
    }
}

void dateFormat(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return;
    using namespace std::chrono;
    const int y = (data[0] | (data[1] << 8)) % 10000;
    const year_month_day date{year(y), month(data[2] % 12 + 1), day(data[3] % 28 + 1)};
    const std::u16string pattern = utf16(data + 5, size - 5);
    try {
        const std::u16string text = note::FormatDateByPattern(date, pattern, localeFor(data[4]));
        // Each pattern character yields a bounded amount of text (a name at most).
        check(text.size() <= 64 * (pattern.size() + 1), "the text is bounded by the pattern");
    } catch (const Failure&) {
    }
}

void paths(const std::uint8_t* data, std::size_t size) {
    const std::u16string path = utf16(data, size);
    for (PathStyle style : {PathStyle::Windows, PathStyle::Posix}) {
        const std::u16string folder = FolderOfPath(path, style);
        check(path.compare(0, folder.size(), folder) == 0, "the folder is a prefix of the path");
    }
    const std::u16string name = FileNameOfPath(path);
    check(name.size() <= path.size() &&
              path.compare(path.size() - name.size(), name.size(), name) == 0,
          "the file name is a suffix of the path");
    std::u16string text = path;
    try {
        const std::u16string ensured = EnsureTrailingChar(text, u"\\");
        check(!ensured.empty() && ensured.back() == u'\\', "the result ends with the suffix");
    } catch (const Failure&) {
    }
}

void lookupFile(const std::uint8_t* data, std::size_t size) {
    try {
        const auto lookup = contacts::parseLookupFile(bytes(data, size), "fuzz");
        check(lookup.databaseId.size() == 32, "an accepted identity has 32 digits");
        // An accepted file lists at most one contact per 8 bytes: nothing sized by its count.
        check(lookup.contacts.size() <= size / 8, "the contacts come from the file's lines");
    } catch (const Failure&) {
    }
}

void csvImport(const std::uint8_t* data, std::size_t size) {
    try {
        const auto records = tools::parseCsv(bytes(data, size));
        // Written back field by field and read again, the records are the same.
        std::string text;
        for (const auto& record : records) {
            for (std::size_t f = 0; f < record.fields.size(); ++f) {
                if (f) text += ',';
                text += tools::csvField(record.fields[f]);
            }
            text += "\r\n";
        }
        const auto again = tools::parseCsv(text);
        check(again.size() == records.size(), "written records read back as many");
        for (std::size_t r = 0; r < records.size(); ++r) {
            check(again[r].fields == records[r].fields, "written fields read back unchanged");
        }
    } catch (const Failure&) {
    }
}

void settingsFile(const std::uint8_t* data, std::size_t size) {
    using linux_platform::escapeIni;
    using linux_platform::unescapeIni;
    const auto sections = linux_platform::parseIni(bytes(data, size));
    // Every value, whatever its characters, survives being written and read back.
    const std::u16string value = utf16(data, size);
    check(unescapeIni(escapeIni(value, false)) == value, "a value reads back unchanged");
    check(unescapeIni(escapeIni(value, true)) == value, "a name reads back unchanged");
    if (sections) {
        std::string text;
        for (const auto& [name, keys] : *sections) {
            text += '[';
            text += escapeIni(name, true);
            text += "]\n";
            for (const auto& [k, v] : keys)
                text += escapeIni(k, true) + "=" + escapeIni(v, false) + "\n";
        }
        check(linux_platform::parseIni(text) == sections, "a written file reads back the same");
    }
}

void scramble(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::size_t keyLength = data[0] % 32;  // 0: an empty key, which must be refused
    const std::u16string all = utf16(data + 1, size - 1);
    const std::u16string key = all.substr(0, keyLength);
    const std::u16string text = all.substr(std::min(keyLength, all.size()));
    static const Windows1252 codePage;
    try {
        const std::u16string once = lookup::ScrambleText(text, key, codePage);
        check(once.size() == text.size(), "the result is as long as the text");
        bool representable = true;
        for (char16_t c : text) representable = representable && codePage.toAnsi(c).has_value();
        if (representable) {
            check(lookup::ScrambleText(once, key, codePage) == text, "twice gives the text back");
        }
    } catch (const Failure&) {
    }
}

Entry entryNamed(std::string_view target) {
    struct Named {
        std::string_view name;
        Entry entry;
    };
    static constexpr Named entries[] = {{"date_recognition", dateRecognition},
                                        {"date_format", dateFormat},
                                        {"paths", paths},
                                        {"lookup_file", lookupFile},
                                        {"csv_import", csvImport},
                                        {"settings_file", settingsFile},
                                        {"scramble", scramble}};
    for (const auto& e : entries) {
        if (e.name == target) return e.entry;
    }
    return nullptr;
}

}  // namespace penwick::fuzz
