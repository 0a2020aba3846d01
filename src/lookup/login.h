#pragma once
// The login of the program's own connection, with the credentials remembered per database file.

#include <string>

#include "lookup/contact_manager.h"
#include "util/codepage.h"
#include "util/settings.h"

namespace penwick::lookup {

class ValidateUserForm;

// What the login reaches: the dialog, the remembered credentials, and whether the last login
// through the dialog succeeded (kept for the whole program).
struct LoginParts {
    ValidateUserForm& dialog;
    SettingsStore& settings;
    const CodePage& codePage;
    bool& loginValidated;
};

// True when the connection is usable: the database needs no login or accepted it. Shows the
// login dialog unless a login through this routine already succeeded; userName is then
// replaced by what the user typed. Stores "USER" and the scrambled "SYS" for the database
// file before and after the attempt. Traps no failure.
bool CheckDatabaseLogin(const LoginParts& login, Database& database,
                        const std::u16string& databasePath, std::u16string& userName);

}  // namespace penwick::lookup
