#pragma once
// What the commands of penwick-contacts share: the session, passwords, logins, files, and the
// commands themselves for the table in commands.cpp.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "contacts/session.h"
#include "contacts/store.h"
#include "tools/arguments.h"
#include "tools/contacts_tool.h"

namespace penwick::tools {

inline constexpr const char* kProgram = "penwick-contacts";

std::optional<contacts::Session> currentSession(const ToolIo& io);
contacts::Session requireSession(const ToolIo& io);
// The database named on the command line, else the one the user works in.
std::string databaseArgument(const Arguments& a, const ToolIo& io);

// "1 note", "2 notes".
std::string plural(std::int64_t n, const char* word);
// A regular file opened for reading; anything else is a ToolError.
std::ifstream openFile(const std::string& path);
// One line of standard input, without its line break.
std::string readLine(ToolIo& io);
// A password: the next line of standard input with --password-stdin, else asked for on the
// terminal without echo.
std::string readPassword(const Arguments& a, ToolIo& io, const std::string& prompt);
// On a database with users, a command that changes it acts as one of them, who proves it with
// a password: --user NAME, or the user of the session when it works in this database. Returns
// the user's stored name; empty for a database without users, which asks for nothing.
std::string logIn(contacts::Store& store, const Arguments& a, ToolIo& io);

// The commands: databases and users (database_commands.cpp), the lookup
// (lookup_commands.cpp), listings (listing_commands.cpp), runs (run_commands.cpp).
int cmdInit(const Arguments& a, ToolIo& io);
int cmdCopy(const Arguments& a, ToolIo& io);
int cmdImport(const Arguments& a, ToolIo& io);
int cmdAddUser(const Arguments& a, ToolIo& io);
int cmdOpen(const Arguments& a, ToolIo& io);
int cmdDemo(const Arguments& a, ToolIo& io);
int cmdLookup(const Arguments& a, ToolIo& io);
int cmdStatus(const Arguments& a, ToolIo& io);
int cmdContacts(const Arguments& a, ToolIo& io);
int cmdNotes(const Arguments& a, ToolIo& io);
int cmdRuns(const Arguments& a, ToolIo& io);
int cmdUndoRun(const Arguments& a, ToolIo& io);

}  // namespace penwick::tools
