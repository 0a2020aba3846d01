#include "lookup/write_note.h"

#include <utility>

#include "app/app.h"
#include "app/date_parse.h"
#include "app/note_types.h"
#include "app/note_update_form.h"
#include "lookup/login.h"
#include "lookup/scramble.h"
#include "lookup/update_loop.h"
#include "lookup/validate_user_form.h"
#include "util/paths.h"
#include "util/text.h"

namespace penwick::lookup {

namespace {
constexpr std::u16string_view kTitle = u"Penwick";
constexpr std::u16string_view kEntryCheckTitle = u"Penwicks";
}  // namespace

std::u16string lookupFilePath(App& app) {
    const Platform& platform = app.services().platform;
    std::u16string folder = platform.programFolder();
    if (!platform.canWriteInFolder(folder)) folder = platform.userDataFolder();
    const std::u16string separator(1, platform.directorySeparator());
    return EnsureTrailingChar(folder, separator) + std::u16string(kLookupFileName);
}

void writeNoteToLookup(App& app) {
    Services& services = app.services();
    ui::Ui& ui = services.ui;
    app::NoteUpdateForm& main = app.frmNoteUpdate();
    ui::Control& writeButton = main.control("cmdWriteNote");
    const auto ask = [&](std::u16string_view prompt, int style, std::u16string_view title) {
        const int answer = ui.messageBox(prompt, style, title);
        app.program().throwIfEnded();
        return answer;
    };

    // 1-3: the entries, the date before the note type.
    if (!parseDate(main.control("txtDate").text(), services.locale)) {
        ask(u"Invalid date", ui::kInformationOk, kEntryCheckTitle);
        writeButton.setEnabled(true);
        return;
    }
    const auto noteTypeCode = app::noteTypeCode(main.control("cboNoteType").listIndex());
    if (!noteTypeCode) {
        ask(u"Please choose a note type", ui::kInformationOk, kEntryCheckTitle);
        writeButton.setEnabled(true);
        return;
    }
    if (*noteTypeCode == app::kFileAttachmentCode) {
        const std::u16string path = main.control("txtFile").text();
        if (!FileExists(services.platform, path)) {
            ask(u"Could not find the file:\r\n" + path, ui::kInformationOk, kTitle);
            return;
        }
    }

    // 4-8: the contact manager saves its lookup; the same database opens as our connection.
    writeButton.setEnabled(false);
    std::unique_ptr<Application> application =
        services.contactManager.createApplication(kApplicationClass);
    application->SaveCurrentLookup(lookupFilePath(app));
    std::u16string databasePath = application->GetOpenDBName();
    std::unique_ptr<Database> database = services.contactManager.createDatabase(kDatabaseClass);
    database->Open(databasePath);

    // 9-11: the remembered credentials first, then the login dialog as long as asked.
    const std::u16string section = FileNameOfPath(databasePath);
    const std::u16string scrambled = services.settings.get(kSettingsApp, section, u"SYS", u"");
    std::u16string userName = services.settings.get(kSettingsApp, section, u"USER",
                                                    application->GetCurrentUserName());
    std::u16string password = ScrambleText(scrambled, kScrambleKey, services.codePage);
    database->validateuser(std::as_const(userName), std::as_const(password));
    if (toBool(database->Error())) {
        ValidateUserForm& dialog = app.frmValidateUser();
        dialog.control("lblDatabase").setText(databasePath);
        dialog.control("txtUserName").setText(application->GetCurrentUserName());
        for (;;) {
            std::u16string offered = application->GetCurrentUserName();
            if (CheckDatabaseLogin(app, *database, databasePath, offered)) break;
            const int again = ask(
                u"Incorrect user name and password for this database.\r\n"
                u"Would you like to try again?",
                ui::kInformationYesNo, kTitle);
            if (again != ui::kAnswerYes) {
                writeButton.setEnabled(true);
                database->Close();
                return;
            }
        }
    }

    // 12-13: the lookup reloaded into our connection, and the user's confirmation.
    ContactSet& contacts = database->Contact();
    contacts.Loadlookupquery(lookupFilePath(app));
    contacts.MoveFirst();
    const std::int32_t n = toInt32(contacts.recordCount(), u"recordCount");
    const int answer = ask(u"Are you sure you would like to update the current lookup\r\nof " +
                               decimal(n) + u" contacts with this note dated " +
                               main.control("txtDate").text(),
                           ui::kInformationYesNo, kTitle);
    if (answer == ui::kAnswerYes) {
        runUpdateLoop(app, *database, n, *noteTypeCode);
    } else {
        writeButton.setEnabled(true);
    }

    // 15: the connection ends, then the program.
    database->Close();
    database.reset();
    application.reset();
    main.closeSteps();
}

}  // namespace penwick::lookup
