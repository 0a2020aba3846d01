#pragma once
// What the person working in the contact manager has open: the database, the logged-in user
// and the current lookup, kept per user in a small text file, and the lookup files that pass
// a lookup from that session to another connection.
//
// Session file (default $XDG_CONFIG_HOME/penwick-contacts/session.ini):
//     penwick-contacts session 1
//     database=/absolute/path.pwdb
//     user=NAME                      (empty for a single-user database)
//     lookup=all | where | ids | run | rest-of-run
//     match=all | any                (lookup=where: every condition, or any one of them)
//     where=FIELD=VALUE              (one line per condition, lookup=where only; the operator
//                                     is =, ~ (contains) or !=, as on the command line)
//     ids=C000001,C000007            (lookup=ids only)
//     run=N                          (lookup=run and lookup=rest-of-run)
//
// Lookup file (written by SaveCurrentLookup, read by Loadlookupquery):
//     penwick-lookup 1
//     database-id=HEX                (the identity of the database it belongs to)
//     database=/absolute/path.pwdb   (for people reading the file)
//     continues-run=N                (only in a lookup of the rest of run N)
//     count=N
//     C000001                        (N identifiers, one a line)
//     end

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/store.h"

namespace penwick::contacts {

struct Session {
    std::string database;
    std::string user;
    LookupQuery lookup;
};

// $XDG_CONFIG_HOME/penwick-contacts/session.ini, or ~/.config/... when the variable is unset.
std::string defaultSessionPath();
// $XDG_DATA_HOME/penwick, or ~/.local/share/penwick when the variable is unset.
std::string defaultDataFolder();

// Nothing when the file does not exist; a malformed file is a Failure.
std::optional<Session> readSession(const std::string& path);
// Replaces the file atomically (temporary file, fsync, rename), creating its folder.
void writeSession(const std::string& path, const Session& session);

struct LookupFile {
    std::string databaseId;
    std::string database;
    std::vector<std::int64_t> contacts;
    // The run whose rest these contacts are; a run written for them continues it.
    std::optional<std::int64_t> continuesRun;
};

// One condition as the command line and the session file write it: FIELD=VALUE, FIELD~VALUE
// or FIELD!=VALUE (the field ends at the first =, ~ or !=). Nothing when it is none of these.
std::optional<Condition> parseCondition(std::string_view text);
std::string formatCondition(const Condition& condition);

void writeLookupFile(const std::string& path, const LookupFile& lookup);
// Every field is checked; anything else is one Failure "NAME is not a valid lookup file: why".
LookupFile readLookupFile(const std::string& path);
// The same check of a lookup file's text; `name` names it in the failure.
LookupFile parseLookupFile(std::string_view content, const std::string& name);

// Writes the whole text to the path so that readers see the old file or the new one, never a
// part, readable by the user only (posix::writeFileAtomically); failures are Failures.
void writeFileAtomically(const std::string& path, const std::string& content);

}  // namespace penwick::contacts
