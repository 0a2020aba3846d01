#pragma once
// The spell check of the note: the click of the main window's "Spell Check" button.

#include "spell/speller.h"
#include "ui/window.h"

namespace penwick::spell {

class SpellCheckForm;

// Checks the note's text word by word, asking the user through the dialog about each
// misspelled word, and writes each replacement the user chooses into the note in place. Lets
// no failure escape; only the end of the program (ProgramEnded) passes through.
void runSpellCheck(ui::Ui& ui, ui::Control& note, SpellCheckForm& dialog,
                   SpellCheckerFactory& checkers);

}  // namespace penwick::spell
