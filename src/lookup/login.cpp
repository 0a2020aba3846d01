#include "lookup/login.h"

#include "lookup/scramble.h"
#include "lookup/validate_user_form.h"
#include "util/paths.h"

namespace penwick::lookup {

namespace {
void remember(SettingsStore& settings, const std::u16string& databasePath,
              const std::u16string& userName, const std::u16string& scrambledPassword) {
    // The section is taken from the path anew at every store.
    settings.save(kSettingsApp, SettingsSectionOf(databasePath), u"USER", userName);
    settings.save(kSettingsApp, SettingsSectionOf(databasePath), u"SYS", scrambledPassword);
}
}  // namespace

bool CheckDatabaseLogin(const LoginParts& login, Database& database,
                        const std::u16string& databasePath, std::u16string& userName) {
    bool& loginValidated = login.loginValidated;
    const CodePage& codePage = login.codePage;
    std::u16string password;

    if (!toBool(database.IsMultiUser(), u"IsMultiUser")) {
        loginValidated = false;
        return true;
    }
    if (!loginValidated) {
        ValidateUserForm& dialog = login.dialog;
        dialog.controls().lblDatabase.setText(databasePath);
        dialog.controls().txtUserName.setText(userName);
        dialog.showModal();
        // Closed through its frame, the dialog unloaded itself: this loads it again, empty.
        userName = dialog.controls().txtUserName.text();
        password = dialog.controls().txtPassword.text();
        dialog.unload();
    }

    remember(login.settings, databasePath, userName,
             ScrambleText(password, kScrambleKey, codePage));
    database.validateuserByRef(userName, password);
    if (toBool(database.Error(), u"Error")) {
        loginValidated = false;
        remember(login.settings, databasePath, userName, u"");
        return false;
    }
    remember(login.settings, databasePath, userName,
             ScrambleText(password, kScrambleKey, codePage));
    loginValidated = true;
    return true;
}

}  // namespace penwick::lookup
