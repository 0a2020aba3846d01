#pragma once
// The second half of the write-note run: one note-history record per contact of the lookup.

#include <cstdint>

#include "lookup/contact_manager.h"
#include "lookup/write_note.h"

namespace penwick::lookup {

// The connection's contact record set holds the lookup and stands on its first contact; n is
// the count the user confirmed. Collects every identifier first, then writes one record per
// identifier while the caption counts up, yielding once per contact. Ends with the finish
// caption, the write button enabled and the "Finished" message. Traps no failure.
void runUpdateLoop(WriteNoteContext& run, const NoteEntries& entries, WriteProgress& progress,
                   Database& database, std::int32_t n, std::int16_t noteTypeCode);

}  // namespace penwick::lookup
