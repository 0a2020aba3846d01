#pragma once
// penwick-contacts: the command line of the embedded contact manager, for the person who
// works in it: databases, contacts, users, the database and lookup they work in, and the
// notes and runs written to them.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace penwick::tools {

struct ToolIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    std::string sessionPath;  // the per-user session the contact manager reads
    std::string dataFolder;   // where `demo` puts its database when given none
    // Asks for a password without echo (the prompt given); nothing when there is no one to
    // ask. Empty: passwords come only with --password-stdin.
    std::function<std::optional<std::string>(const std::string&)> askPassword;
};

// Runs one command line (without the program name). Returns the exit status: 0 done,
// 1 failed, 2 the command line itself was wrong. Every failure is one line on io.err.
int runContactsTool(const std::vector<std::string>& args, ToolIo& io);

}  // namespace penwick::tools
