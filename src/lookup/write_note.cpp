#include "lookup/write_note.h"

#include "lookup/login.h"
#include "lookup/scramble.h"
#include "lookup/update_loop.h"
#include "lookup/validate_user_form.h"
#include "note/date_parse.h"
#include "note/note_types.h"
#include "util/paths.h"
#include "util/text.h"

namespace penwick::lookup {

namespace {
constexpr std::u16string_view kTitle = u"Penwick";
constexpr std::u16string_view kEntryCheckTitle = u"Penwicks";
}  // namespace

std::u16string lookupFilePath(const Platform& platform) {
    std::u16string folder = platform.programFolder();
    if (!platform.canWriteInFolder(folder)) folder = platform.userDataFolder();
    const std::u16string separator(1, platform.directorySeparator());
    return EnsureTrailingChar(folder, separator) + std::u16string(kLookupFileName);
}

bool writeNoteToLookup(WriteNoteContext& run, const NoteEntries& entries, WriteProgress& progress) {
    const auto ask = [&](std::u16string_view prompt, ui::MessageStyle style,
                         std::u16string_view title) {
        const ui::MessageAnswer answer = run.ui.messageBox(prompt, style, title);
        run.program.throwIfEnded();
        return answer;
    };

    // The entries first: the date before the note type.
    if (!note::parseDate(entries.date.text(), run.locale, run.clock.today().year())) {
        ask(u"Invalid date", ui::MessageStyle::InformationOk, kEntryCheckTitle);
        progress.setWriteEnabled(true);
        return false;
    }
    const auto noteTypeCode = note::noteTypeCode(entries.noteTypeIndex);
    if (!noteTypeCode) {
        ask(u"Please choose a note type", ui::MessageStyle::InformationOk, kEntryCheckTitle);
        progress.setWriteEnabled(true);
        return false;
    }
    if (*noteTypeCode == note::kFileAttachmentCode) {
        const std::u16string path = entries.file.text();
        if (!FileExists(run.platform, path)) {
            ask(u"Could not find the file:\r\n" + path, ui::MessageStyle::InformationOk, kTitle);
            return false;
        }
    }

    // The contact manager saves its lookup; the same database opens as our connection.
    progress.setWriteEnabled(false);
    // One path for the whole run: asking twice could save to one folder and reload a stale
    // lookup from the other when the program folder's permissions change meanwhile.
    const std::u16string lookupFile = lookupFilePath(run.platform);
    // Held from the save to the reload, so that another run cannot put its lookup in between.
    std::unique_ptr<FileHold> lookupHold = run.platform.holdFile(lookupFile);
    if (!lookupHold) {
        ask(u"Another Penwick run is using the lookup file\r\n" + lookupFile +
                u"\r\nPlease try again when it has finished.",
            ui::MessageStyle::InformationOk, kTitle);
        progress.setWriteEnabled(true);
        return false;
    }
    std::unique_ptr<Application> application =
        run.contactManager.createApplication(kApplicationClass);
    application->SaveCurrentLookup(lookupFile);
    std::u16string databasePath = application->GetOpenDBName();
    std::unique_ptr<Database> database = run.contactManager.createDatabase(kDatabaseClass);
    database->Open(databasePath);

    // The login: the remembered credentials first, then the login dialog as long as asked.
    const std::u16string section = SettingsSectionOf(databasePath);
    const std::u16string scrambled = run.settings.get(kSettingsApp, section, u"SYS", u"");
    std::u16string userName =
        run.settings.get(kSettingsApp, section, u"USER", application->GetCurrentUserName());
    std::u16string password = ScrambleText(scrambled, kScrambleKey, run.codePage);
    database->validateuserByValue(userName, password);
    if (toBool(database->Error(), u"Error")) {
        ValidateUserForm& dialog = run.loginDialog;
        dialog.controls().lblDatabase.setText(databasePath);
        dialog.controls().txtUserName.setText(application->GetCurrentUserName());
        const LoginParts login{.dialog = dialog,
                               .settings = run.settings,
                               .codePage = run.codePage,
                               .loginValidated = run.loginValidated};
        for (;;) {
            std::u16string offered = application->GetCurrentUserName();
            if (CheckDatabaseLogin(login, *database, databasePath, offered)) break;
            const ui::MessageAnswer again =
                ask(u"Incorrect user name and password for this database.\r\n"
                    u"Would you like to try again?",
                    ui::MessageStyle::InformationYesNo, kTitle);
            if (again != ui::MessageAnswer::Yes) {
                progress.setWriteEnabled(true);
                database->Close();
                return false;
            }
        }
    }

    // The lookup reloaded into our connection, then the user confirms the run.
    ContactSet& contacts = database->Contact();
    contacts.Loadlookupquery(lookupFile);
    lookupHold.reset();
    contacts.MoveFirst();
    const std::int32_t n = toInt32(contacts.recordCount(), u"recordCount");
    const ui::MessageAnswer answer =
        ask(u"Are you sure you would like to update the current lookup\r\nof " + decimal(n) +
                u" contacts with this note dated " + entries.date.text(),
            ui::MessageStyle::InformationYesNo, kTitle);
    if (answer == ui::MessageAnswer::Yes) {
        runUpdateLoop(run, entries, progress, *database, n, *noteTypeCode);
    } else {
        progress.setWriteEnabled(true);
    }

    // The connection ends; the program closes after it.
    database->Close();
    return true;
}

}  // namespace penwick::lookup
