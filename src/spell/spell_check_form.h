#pragma once
// The suggestions dialog: shows one misspelled word with the checker's suggestions and keeps
// the user's decision for the run that showed it.

#include <optional>
#include <string>

#include "ui/program.h"

namespace penwick::spell {

// The dialog's layout, shared by every front end.
const ui::WindowDesc& spellCheckWindow();

// The dialog's controls the program reads and writes, found once per load.
struct SpellCheckControls {
    ui::Control& txtBadWord;
    ui::Control& lstSuggestions;
    ui::Control& txtReplace;
    ui::Control& lblLanguage;
};

class SpellCheckForm : public ui::Form {
public:
    explicit SpellCheckForm(ui::Program& program);

    // The controls of the loaded window, loading it first when it is not.
    SpellCheckControls& controls();

    // The chosen replacement without outer spaces; empty leaves the word unchanged.
    std::u16string ReplacementWord() const;

    // Set when the user dismissed the dialog with its close box instead of a button; the run
    // clears it before each show and ends the spell check when it finds it set afterwards.
    bool closedByUser() const { return closedByUser_; }
    void clearClosedByUser() { closedByUser_ = false; }

protected:
    void handle(const ui::Event& event) override;

private:
    void change();
    void ignore();
    void suggestionClicked();
    void suggestionDoubleClicked();
    std::u16string selectedSuggestion();
    void decide(std::u16string word);

    std::u16string replacementWord_;
    bool closedByUser_ = false;
    std::optional<SpellCheckControls> controls_;
};

}  // namespace penwick::spell
