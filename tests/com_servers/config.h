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
};

// Reads the file the registry names (HKCU\Software\Penwick\TestServers, value "Config").
Config readConfig();
const Config& config();  // the one read last
void reloadConfig();

}  // namespace penwick::testserver
