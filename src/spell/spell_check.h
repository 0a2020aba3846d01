#pragma once
// The spell check of the note: the click of the main window's "Spell Check" button.

#include "spell/speller.h"
#include "ui/window.h"

namespace penwick {
class App;
}

namespace penwick::spell {

class SpellCheckForm;

// Checks the text of the main window's txtNote word by word and writes each replacement the
// user chooses into the note in place. Lets no failure escape; only the end of the program
// (ProgramEnded) passes through.
void runSpellCheck(App& app);

// The same run over any note box, dialog and checker.
void runSpellCheck(ui::Ui& ui, ui::Control& note, SpellCheckForm& dialog,
                   SpellCheckerFactory& checkers);

}  // namespace penwick::spell
