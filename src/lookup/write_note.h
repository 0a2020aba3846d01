#pragma once
// The main action: the note written to every contact of the contact manager's current lookup.

#include <string>
#include <string_view>
#include <vector>

#include "lookup/contact_manager.h"
#include "ui/program.h"
#include "util/codepage.h"
#include "util/locale.h"
#include "util/platform.h"
#include "util/settings.h"

namespace penwick::lookup {

class ValidateUserForm;

inline constexpr std::u16string_view kLookupFileName = u"lkup.dat";

// The main window's entries. They are read whenever the run needs them, so an edit made while
// the run yields reaches the records written after it.
struct NoteEntries {
    const TextSource& date;
    const TextSource& note;
    const TextSource& file;
    int noteTypeIndex;  // position in the note-type list, -1 for none
};

// Where the run shows how far it has got.
class WriteProgress {
public:
    virtual ~WriteProgress() = default;
    virtual void setCaption(std::u16string_view caption) = 0;
    virtual void setWriteEnabled(bool enabled) = 0;
    virtual void setProgress(const ui::Progress& progress) = 0;
};

// Everything the run reaches besides the entries, and the program-wide values it owns.
struct WriteNoteContext {
    ui::Ui& ui;            // message boxes
    ui::Program& program;  // yields, and the end of the program underneath a box
    ContactManagerFactory& contactManager;
    SettingsStore& settings;
    const Platform& platform;
    const CodePage& codePage;
    const Locale& locale;
    const Clock& clock;  // the year of a date typed without one
    ValidateUserForm& loginDialog;
    bool& loginValidated;                     // the last login through the dialog succeeded
    std::vector<std::u16string>& contactIds;  // the update loop's identifiers; index 0 empty
};

// The click of "Write Note to Lookup". Returns true when the run went as far as the
// connection's end, after which the program closes; false when it stopped at an entry check
// or a refused login, leaving the main window as it is. Traps no failure: an unexpected one
// reaches the fatal-error report, and the notes written until then stay written.
bool writeNoteToLookup(WriteNoteContext& run, const NoteEntries& entries, WriteProgress& progress);

// Where the contact manager is asked to save the lookup: the program's folder, or the user's
// data folder where the program's folder cannot be written (an installed program).
std::u16string lookupFilePath(const Platform& platform);

}  // namespace penwick::lookup
