#pragma once
// penwick-contacts: the command line of the embedded contact manager, for the person who
// works in it: databases, contacts, users, the database and lookup they work in, and the
// notes and runs written to them.

#include <iosfwd>
#include <string>
#include <vector>

namespace penwick::tools {

struct ToolIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    std::string sessionPath;  // the per-user session the contact manager reads
    std::string dataFolder;   // where `demo` puts its database when given none
};

// Runs one command line (without the program name). Returns the exit status: 0 done,
// 1 failed, 2 the command line itself was wrong. Every failure is one line on io.err.
int runContactsTool(const std::vector<std::string>& args, ToolIo& io);

}  // namespace penwick::tools
