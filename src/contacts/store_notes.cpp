// Notes and the runs that write them: a run family writes a contact its note once, and a
// run is undone whole.

#include "contacts/store.h"

#include <unistd.h>

#include <algorithm>

#include "contacts/contact_id.h"
#include "contacts/insert_rows.h"
#include "contacts/note_rule.h"
#include "contacts/store_parts.h"
#include "contacts/system.h"
#include "util/failure.h"

namespace penwick::contacts {

using note_rule::bindNote;
using note_rule::insertNote;
using note_rule::NoteRow;
using note_rule::runFamily;
using store_parts::fail;

namespace {
constexpr const char* kRunLookupInto = "run_lookup(run_id, position, contact_id)";
}  // namespace

void Store::addNote(const NoteRecord& note, std::int64_t& run, const std::string& userName,
                    bool loggedIn, const RunStart& start) {
    const std::string now = utcTimestamp();
    const auto bound = [&](Query& q, std::int64_t runId) -> Query& {
        bindNote(q, NoteRow{note, runId, now, userName, loggedIn});
        return q;
    };
    // Which check of the rule refused a note, found out afterwards: the family's note first.
    const auto refused = [&](std::int64_t runId) {
        auto q =
            connection_->query(runFamily("?1") +
                               "SELECT run_id FROM note WHERE contact_id = ?2 AND run_id <> ?1 "
                               "AND run_id IN (SELECT id FROM family) LIMIT 1");
        if (q.bind(1, runId).bind(2, note.contact).step()) {
            fail(err::InvalidPropertyValue,
                 formatContactId(note.contact) + " already has this note, from run " +
                     std::to_string(q.integer(0)) + "; it is not written twice");
        }
        fail(err::PermissionDenied, "this database asks for a login: log in before writing notes");
    };

    // Where the engine writes a run's further notes in one statement with every check in it
    // (a server, which would otherwise be asked six times a note; a file, where BEGIN, three
    // statements and COMMIT cost more than the note's own writing), it is asked that; which
    // check refused a note is found out afterwards.
    if (run != 0) {
        std::optional<bool> written;
        try {
            written = connection_->addFurtherNote(NoteRow{note, run, now, userName, loggedIn});
        } catch (const Failure&) {
            bool missing = false;
            try {
                missing = !contactExists(note.contact);
            } catch (const Failure&) {
                // The connection is gone: the first failure says why.
            }
            if (missing) {
                fail(err::InvalidPropertyValue,
                     "no contact has the identifier " + formatContactId(note.contact));
            }
            throw;
        }
        if (written) {
            if (!*written) refused(run);
            return;
        }
    }

    Transaction tx(*connection_);
    connection_->lockContact(note.contact);
    if (!contactExists(note.contact)) {
        fail(err::InvalidPropertyValue,
             "no contact has the identifier " + formatContactId(note.contact));
    }
    std::int64_t runId = run;
    if (runId == 0) {
        auto q = connection_->query(
            "INSERT INTO run(started_at, user_name, host, pid, lookup_size, continues_run) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6) RETURNING id");
        q.bind(1, now)
            .bind(2, userName)
            .bind(3, hostName())
            .bind(4, std::int64_t{getpid()})
            .bindOptional(
                5, start.lookup ? std::optional(std::int64_t(start.lookup->size())) : std::nullopt)
            .bindOptional(6, start.continues);
        if (!q.step()) fail(err::AutomationError, "the run was not recorded");
        runId = q.integer(0);
        // The lookup goes in with the run's first note: a run on record always has its lookup.
        if (start.lookup) addRunLookup(runId, *start.lookup);
    }
    {
        auto q = connection_->query(insertNote(connection_->hasUsersSql()));
        if (!bound(q, runId).step()) refused(runId);
    }
    tx.commit();
    run = runId;
}

void Store::forEachNote(const std::function<void(const StoredNote&)>& visit) {
    auto q = connection_->stream(
        "SELECT id, contact_id, run_id, type_code, text, attachment, date_text, date, time, "
        "written_at, user_name FROM note ORDER BY id");
    while (q.step()) {
        StoredNote n;
        n.id = q.integer(0);
        n.contact = q.integer(1);
        n.run = q.integer(2);
        n.record.contact = n.contact;
        n.record.typeCode = static_cast<std::int16_t>(q.integer(3));
        n.record.text = q.text(4);
        n.record.attachment = q.optionalText(5);
        n.record.dateText = q.text(6);
        n.record.date = q.text(7);
        n.record.time = q.optionalText(8);
        n.writtenAt = q.text(9);
        n.userName = q.text(10);
        visit(n);
    }
}

namespace {
constexpr const char* kRunColumns =
    "SELECT r.id, r.started_at, r.user_name, r.host, r.pid, r.undone_at, "
    "(SELECT count(*) FROM note WHERE run_id = r.id), r.lookup_size, r.continues_run "
    "FROM run r ";

Run runOf(const Query& q) {
    Run r{q.integer(0), q.text(1),    q.text(2),        q.text(3),
          q.integer(4), q.integer(6), q.optionalText(5)};
    r.lookupSize = q.optionalInteger(7);
    r.continues = q.optionalInteger(8);
    return r;
}
}  // namespace

std::vector<Run> Store::runs() {
    std::vector<Run> result;
    auto q = connection_->query(std::string(kRunColumns) + "ORDER BY r.id");
    while (q.step()) result.push_back(runOf(q));
    return result;
}

std::optional<Run> Store::run(std::int64_t id) {
    auto q = connection_->query(std::string(kRunColumns) + "WHERE r.id = ?1");
    if (!q.bind(1, id).step()) return std::nullopt;
    return runOf(q);
}

void Store::addRunLookup(std::int64_t run, const std::vector<std::int64_t>& contacts) {
    // kLookupBatch rows a statement: a server's round trips would cost more than the rows.
    constexpr std::size_t kLookupBatch = 64;
    const auto insert = [&](std::size_t from, std::size_t rows) {
        auto q = connection_->query(insertRows(kRunLookupInto, 3, rows));
        int index = 1;
        for (std::size_t i = from; i < from + rows; ++i) {
            q.bind(index, run).bind(index + 1, std::int64_t(i)).bind(index + 2, contacts[i]);
            index += 3;
        }
        q.run();
    };
    std::size_t i = 0;
    for (; i + kLookupBatch <= contacts.size(); i += kLookupBatch) insert(i, kLookupBatch);
    for (; i < contacts.size(); ++i) insert(i, 1);
}

void Store::requireMayUndo(const Run& run) {
    if (!user_) return;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    const bool author =
        std::equal(user_->begin(), user_->end(), run.userName.begin(), run.userName.end(),
                   [&](char p, char q) { return lower(p) == lower(q); });
    if (author || isAdmin(*user_)) return;
    fail(err::PermissionDenied, "run " + std::to_string(run.id) + " was written by " +
                                    run.userName + "; only they or an administrator can undo it");
}

std::int64_t Store::undoRun(std::int64_t id) {
    Transaction tx(*connection_);
    const auto found = run(id);
    if (!found) fail(err::InvalidPropertyValue, "no run " + std::to_string(id));
    requireMayUndo(*found);
    if (found->undoneAt) {
        fail(err::InvalidPropertyValue,
             "run " + std::to_string(id) + " was already undone at " + *found->undoneAt);
    }
    std::int64_t removed = 0;
    {
        auto q = connection_->query("DELETE FROM note WHERE run_id = ?1 RETURNING id");
        for (q.bind(1, id); q.step();) ++removed;
    }
    connection_->query("UPDATE run SET undone_at = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, utcTimestamp())
        .run();
    tx.commit();
    return removed;
}

}  // namespace penwick::contacts
