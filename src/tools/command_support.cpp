#include "tools/command_support.h"

#include <sys/stat.h>

#include "util/failure.h"

namespace penwick::tools {

using contacts::Session;
using contacts::Store;

std::optional<Session> currentSession(const ToolIo& io) {
    return contacts::readSession(io.sessionPath);
}

Session requireSession(const ToolIo& io) {
    auto session = currentSession(io);
    if (!session) {
        throw ToolError{"no contact database is open; open one with: penwick-contacts open DB"};
    }
    return *session;
}

std::string databaseArgument(const Arguments& a, const ToolIo& io) {
    if (!a.positional.empty()) return a.positional[0];
    return requireSession(io).database;
}

std::string plural(std::int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::ifstream openFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw ToolError{"no file at " + path};
    if (!S_ISREG(st.st_mode)) throw ToolError{path + " is not a file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError{"cannot read " + path};
    return in;
}

std::string readLine(ToolIo& io) {
    std::string line;
    std::getline(io.in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string readPassword(const Arguments& a, ToolIo& io, const std::string& prompt) {
    if (a.has("password-stdin")) return readLine(io);
    if (!io.askPassword) {
        throw ToolError{"no terminal to ask for the password on; give it with --password-stdin"};
    }
    const auto answer = io.askPassword(prompt);
    if (!answer) {
        throw ToolError{"no terminal to ask for the password on; give it with --password-stdin"};
    }
    return *answer;
}

std::string logIn(Store& store, const Arguments& a, ToolIo& io) {
    if (!store.isMultiUser()) return {};  // nothing to ask for
    std::optional<std::string> name = a.value("user");
    if (!name) {
        if (const auto session = currentSession(io);
            session && session->database == store.path() && !session->user.empty()) {
            name = session->user;
        }
    }
    if (!name) {
        throw UsageError{store.path() + " asks for a login: give --user NAME (and the password)"};
    }
    const std::string password = readPassword(a, io, "Password for " + *name + ": ");
    // One answer for an unknown name and a wrong password: the tool tells no names.
    const auto login = store.logIn(*name, password);
    if (!login.accepted) throw ToolError{"wrong user name or password for " + store.path()};
    return login.user.value_or("");
}

}  // namespace penwick::tools
