#include "lookup/login.h"

#include "app/app.h"
#include "lookup/scramble.h"
#include "lookup/validate_user_form.h"
#include "util/paths.h"

namespace penwick::lookup {

namespace {
void remember(App& app, const std::u16string& databasePath, const std::u16string& userName,
              const std::u16string& scrambledPassword) {
    // The section is taken from the path anew at every store.
    auto& settings = app.services().settings;
    settings.save(kSettingsApp, FileNameOfPath(databasePath), u"USER", userName);
    settings.save(kSettingsApp, FileNameOfPath(databasePath), u"SYS", scrambledPassword);
}
}  // namespace

bool CheckDatabaseLogin(App& app, Database& database, const std::u16string& databasePath,
                        std::u16string& userName) {
    bool& loginValidated = app.state().LoginValidated;
    const CodePage& codePage = app.services().codePage;
    std::u16string password;

    if (!toBool(database.IsMultiUser())) {
        loginValidated = false;
        return true;
    }
    if (!loginValidated) {
        ValidateUserForm& dialog = app.frmValidateUser();
        dialog.control("lblDatabase").setText(databasePath);
        dialog.control("txtUserName").setText(userName);
        dialog.showModal();
        // Closed through its frame, the dialog unloaded itself: this loads it again, empty.
        userName = dialog.control("txtUserName").text();
        password = dialog.control("txtPassword").text();
        dialog.unload();
    }

    remember(app, databasePath, userName, ScrambleText(password, kScrambleKey, codePage));
    database.validateuser(userName, password);
    if (toBool(database.Error())) {
        loginValidated = false;
        remember(app, databasePath, userName, u"");
        return false;
    }
    remember(app, databasePath, userName, ScrambleText(password, kScrambleKey, codePage));
    loginValidated = true;
    return true;
}

}  // namespace penwick::lookup
