#pragma once
// A note as the program hands it to the note history, its texts as typed, and the note as the
// store keeps it: UTF-8, the date read in the user's locale.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "contacts/store.h"
#include "util/locale.h"

namespace penwick::contacts {

struct NoteTexts {
    std::int16_t typeCode = 100;  // a plain note unless told otherwise
    std::u16string text;
    std::optional<std::u16string> attachment;
    std::optional<std::u16string> date;  // none: dated today

    bool operator==(const NoteTexts&) const = default;
};

// Makes the stored form of a note's texts, or fails (invalid property value) on a text that
// cannot be stored or a date that cannot be read. A run hands every contact the same texts,
// so the record last made is kept while they stay the same: each is read once a run.
class NoteRecordMaker {
public:
    NoteRecordMaker(const Locale& locale, const Clock& clock) : locale_(locale), clock_(clock) {}

    // The record for `contact`; a date without a year is taken in `year`. Valid until the
    // next call.
    const NoteRecord& make(std::int64_t contact, const NoteTexts& texts, std::chrono::year year);
    void forget() { last_.reset(); }

private:
    struct Made {
        NoteTexts texts;
        std::chrono::year year;
        NoteRecord record;
    };

    NoteRecord convert(const NoteTexts& texts, std::chrono::year year) const;

    const Locale& locale_;
    const Clock& clock_;
    std::optional<Made> last_;
};

}  // namespace penwick::contacts
