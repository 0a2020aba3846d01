#include "contacts/note_texts.h"

#include <cstdio>

#include "lookup/contact_manager.h"
#include "note/date_parse.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace {

[[noreturn]] void refuse(const std::string& message) {
    raise(err::InvalidPropertyValue, fromUtf8(message), std::u16string(lookup::kDatabaseClass));
}

// Half of a surrogate pair is no character: UTF-8 cannot hold it, and storing a replacement
// instead would change the note without a word. The note is refused, naming where it is.
void refuseLoneSurrogate(std::u16string_view text, const char* what) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;  // a whole pair
            continue;
        }
        if (high || low) {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(c));
            refuse(std::string("the ") + what + " holds half of a surrogate pair (U+" + code +
                   " at character " + std::to_string(i + 1) +
                   "), which is no character and cannot be stored");
        }
    }
}

std::string isoDate(std::chrono::year_month_day d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()),
                  unsigned(d.day()));
    return buffer;
}

}  // namespace

const NoteRecord& NoteRecordMaker::make(std::int64_t contact, const NoteTexts& texts,
                                        std::chrono::year year) {
    // A note without a date is dated today, which a run may pass: it is made afresh.
    const bool same = texts.date && last_ && last_->year == year && last_->texts == texts;
    if (!same) {
        last_.reset();  // a text that cannot be stored leaves nothing kept
        last_ = Made{texts, year, convert(texts, year)};
    }
    last_->record.contact = contact;
    return last_->record;
}

NoteRecord NoteRecordMaker::convert(const NoteTexts& texts, std::chrono::year year) const {
    NoteRecord note;
    note.typeCode = texts.typeCode;
    refuseLoneSurrogate(texts.text, "note text");
    note.text = toUtf8(texts.text);
    if (texts.attachment) {
        refuseLoneSurrogate(*texts.attachment, "attachment path");
        note.attachment = toUtf8(*texts.attachment);
    }
    if (texts.date) {
        const auto parsed = note::parseDateTime(*texts.date, locale_, year);
        if (!parsed) refuse("cannot read the note date \"" + toUtf8(*texts.date) + "\"");
        note.dateText = toUtf8(*texts.date);
        note.date = isoDate(parsed->date);
        if (parsed->timeOfDay) {
            const long s = static_cast<long>(parsed->timeOfDay->count());
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60,
                          s % 60);
            note.time = buffer;
        }
    } else {
        note.date = isoDate(clock_.today());
        note.dateText = note.date;
    }
    return note;
}

}  // namespace penwick::contacts
