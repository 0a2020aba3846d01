#pragma once
// What the test gives the servers: a configuration file named in the registry, read anew for
// each object created, so every test starts from its own data whichever server process answers.
//
//   log C:\...\calls.log
//   database C:\data\contacts.dbf
//   user Pat                 the user logged into the contact manager
//   login Pat secret         the database asks for a login and knows this user
//   contact 7                a contact with its identifier (field 1)
//   lookup 7 9 12            the contact manager's current lookup
//   misspelled teh the ten   a word Word marks, with its suggestions
//   fail SaveCurrentLookup 1001 deferred   a member that raises (deferred description or not)
//   busy 3000                refuses every call, as busy, until 3000 ms after its first object
//   exit-after 12            the process ends abruptly, as a crash would, at its 12th call
//   exit-after 3 Lookup      the same at the 3rd call of one member
//   slow Update 2000         a member that takes 2000 ms to answer
// busy, exit-after and slow are the local server's only: a server in the caller's own process
// that misbehaved so would only stop the caller.

#include <map>
#include <string>
#include <vector>

namespace penwick::testserver {

inline constexpr const wchar_t* kConfigKey = L"Software\\Penwick\\TestServers";

struct Failing {
    long code = 0;
    bool deferred = false;
};

struct Config {
    std::wstring log;
    std::wstring database;
    std::wstring user;
    bool multiUser = false;
    std::map<std::wstring, std::wstring> logins;
    std::vector<std::wstring> contacts;
    std::vector<std::wstring> lookup;
    std::map<std::wstring, std::vector<std::wstring>> misspelled;
    std::map<std::wstring, Failing> failing;
    unsigned long busyMs = 0;
    unsigned long exitAfter = 0;   // 0: never
    std::wstring exitAfterMember;  // empty: any member counts
    std::map<std::wstring, unsigned long> slowMs;
};

// Reads the file the registry names (HKCU\Software\Penwick\TestServers, value "Config").
Config readConfig();
const Config& config();  // the one read last
void reloadConfig();

}  // namespace penwick::testserver
