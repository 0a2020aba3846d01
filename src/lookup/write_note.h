#pragma once
// The main action: the note written to every contact of the contact manager's current lookup.

#include <string>

namespace penwick {
class App;
}

namespace penwick::lookup {

inline constexpr std::u16string_view kLookupFileName = u"lkup.dat";

// The click of "Write Note to Lookup". Traps no failure: an unexpected one reaches the
// fatal-error report, and the notes written until then stay written.
void writeNoteToLookup(App& app);

// Where the contact manager is asked to save the lookup: the program's folder, or the user's
// data folder where the program's folder cannot be written (an installed program).
std::u16string lookupFilePath(App& app);

}  // namespace penwick::lookup
