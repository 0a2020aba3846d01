#include "contacts/note_rule.h"

namespace penwick::contacts::note_rule {

namespace {
constexpr int kParameters = 11;
}  // namespace

std::string runFamily(std::string_view run) {
    return "WITH RECURSIVE up(id, parent) AS ("
           " SELECT id, continues_run FROM run WHERE id = " +
           std::string(run) +
           " UNION"
           " SELECT r.id, r.continues_run FROM run r JOIN up ON r.id = up.parent),"
           " family(id) AS (SELECT id FROM up WHERE parent IS NULL UNION"
           " SELECT r.id FROM run r JOIN family ON r.continues_run = family.id) ";
}

namespace {

// The INSERT of a note from its parameters, up to the login check and an AND for the rest.
std::string insertAfterLogin(std::string_view hasUsers) {
    return "INSERT INTO note(contact_id, run_id, type_code, text, attachment, date_text, date, "
           "time, written_at, user_name) SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10 "
           "WHERE (?11 = 1 OR NOT " +
           std::string(hasUsers) + ") AND ";
}

// The run continues none and none continues it.
constexpr std::string_view kLoneRun =
    "NOT EXISTS (SELECT 1 FROM run WHERE id = ?2 AND continues_run IS NOT NULL) "
    "AND NOT EXISTS (SELECT 1 FROM run WHERE continues_run = ?2)";

}  // namespace

std::string insertNote(std::string_view hasUsers, Returning returning) {
    // A run of a family (one completing another's rest, or one whose rest is being completed
    // meanwhile) never writes to a contact that another run of it has reached: two programs
    // at work on one rest, or a stalled run that wakes up, would give the note twice. Most
    // runs have no family (they continue none and none continues them), and then the family
    // is not gathered at all: both engines compute a CTE only when it is read. The login
    // check rides in the same statement: a user added by the tool a moment ago cannot slip a
    // note past it.
    return runFamily("?2") + insertAfterLogin(hasUsers) + "(" + std::string(kLoneRun) +
           " OR NOT EXISTS (SELECT 1 FROM note WHERE contact_id = ?1 AND run_id <> ?2 "
           "AND run_id IN (SELECT id FROM family)))" +
           (returning == Returning::Id ? " RETURNING id" : "");
}

std::string insertLoneRunNote(std::string_view hasUsers) {
    return insertAfterLogin(hasUsers) + std::string(kLoneRun);
}

void bindNote(Query& q, const NoteRow& row) {
    const NoteRecord& note = row.note;
    // The row outlives the query: a note's texts go in without copies.
    q.bind(1, note.contact)
        .bind(2, row.run)
        .bind(3, std::int64_t{note.typeCode})
        .bindStable(4, note.text)
        .bindOptionalStable(5, note.attachment)
        .bindStable(6, note.dateText)
        .bindStable(7, note.date)
        .bindOptionalStable(8, note.time)
        .bindStable(9, row.writtenAt)
        .bindStable(10, row.userName)
        .bind(11, std::int64_t{row.loggedIn});
}

std::string noteParameters() {
    std::string list;
    for (int i = 1; i <= kParameters; ++i) list += (i > 1 ? ", ?" : "?") + std::to_string(i);
    return list;
}

}  // namespace penwick::contacts::note_rule
