#pragma once
// The rule every note is written under, in the SQL both engines speak, written once: a run
// family gives a contact its note once, and a database with users takes notes only from a
// connection that logged in. The store runs it (store_notes.cpp); a server database also keeps
// it in its function penwick_add_note (postgres_layout.cpp), which writes a run's further
// notes in one call.

#include <cstdint>
#include <string>
#include <string_view>

#include "contacts/database.h"
#include "contacts/store.h"

namespace penwick::contacts::note_rule {

// A note as it goes into the note table: the record, the run that writes it, and who.
struct NoteRow {
    const NoteRecord& note;
    std::int64_t run = 0;
    std::string_view writtenAt;
    std::string_view userName;
    bool loggedIn = false;  // the writing connection logged in
};

// The runs that write one note, as the table family(id) of a WITH RECURSIVE clause: the run
// `run` (a parameter, "?1"), the run it was started from, and every run that continues that
// one (and those that continue them).
std::string runFamily(std::string_view run);

enum class Returning { Id, Nothing };

// The INSERT of one note, its parameters a NoteRow's (bindNote), returning the note's id (no
// row when the rule refused it) or nothing. `hasUsers` is the engine's condition for a
// database that asks for a login (Connection::hasUsersSql).
std::string insertNote(std::string_view hasUsers, Returning returning = Returning::Id);
// The same INSERT for a run in no family, which needs no look at the notes: it writes nothing
// for a run of a family, as for a note a check refused, and the caller falls back on
// insertNote. It reads no note, so SQLite fills the table straight from its SELECT instead
// of gathering the row in a temporary table first.
std::string insertLoneRunNote(std::string_view hasUsers);

// The row bound to the parameters of insertNote and of penwick_add_note: the one place their
// numbers are given. The row must outlive the query.
void bindNote(Query& q, const NoteRow& row);
// Those parameters in order, "?1, ?2, ...", for a call that passes them on.
std::string noteParameters();

}  // namespace penwick::contacts::note_rule
