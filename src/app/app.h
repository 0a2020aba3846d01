#pragma once
// The program: its three windows, its program-wide values, and its start.

#include <memory>
#include <string>
#include <vector>

#include "app/services.h"
#include "ui/program.h"

namespace penwick {

namespace app {
class NoteUpdateForm;
}
namespace lookup {
class ValidateUserForm;
}
namespace spell {
class SpellCheckForm;
}

// Values that live as long as the program and belong to one routine each.
struct ProgramState {
    std::u16string ShortDateFormat;          // the user's short-date pattern, set once at load
    bool LoginValidated = false;             // the last login through the login routine succeeded
    std::vector<std::u16string> ContactIds;  // the update loop's identifiers; index 0 stays empty
};

class App {
public:
    explicit App(Services& services);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Loads the main window, shows it centred and runs its activation steps.
    void start();

    Services& services() { return services_; }
    ui::Program& program() { return program_; }
    ProgramState& state() { return state_; }
    app::NoteUpdateForm& frmNoteUpdate() { return *noteUpdate_; }
    lookup::ValidateUserForm& frmValidateUser() { return *validateUser_; }
    spell::SpellCheckForm& frmSpellCheck() { return *spellCheck_; }

private:
    Services& services_;
    ui::Program program_;
    ProgramState state_;
    std::unique_ptr<app::NoteUpdateForm> noteUpdate_;
    std::unique_ptr<lookup::ValidateUserForm> validateUser_;
    std::unique_ptr<spell::SpellCheckForm> spellCheck_;
};

}  // namespace penwick
