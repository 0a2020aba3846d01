#pragma once
// The calls the canonical runs must send to ACT! and to Word, written out in full, and their
// comparison with what the test servers recorded. Shared by the runs through the program's
// handlers and by penwick.exe driven from outside, so that both hold the same sequence.

#include <string>
#include <string_view>
#include <vector>

namespace penwick::testing {

using Lines = std::vector<std::u16string>;

// Configured as: database C:\Data\Contacts.dbf, user Pat remembered with the password "old"
// (refused), `typedPassword` accepted from the login dialog; the lookup 9, 12, 7; the note
// "Offer sent" dated 12/6/2026 of type "File Attachment" with `attachment`. `lookupFile` is
// the full path the program saves the lookup to.
Lines canonicalWriteNoteCalls(std::u16string_view lookupFile, std::u16string_view typedPassword,
                              std::u16string_view attachment);

// "Meet teh clent today": "teh" with the suggestions the, ten; "clent" with client.
Lines canonicalSpellCheckCalls();

// Fails at the first call that differs, naming its place.
void expectSameCalls(const Lines& actual, const Lines& expected);

}  // namespace penwick::testing
