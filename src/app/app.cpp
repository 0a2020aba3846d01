#include "app/app.h"

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "spell/spell_check_form.h"

namespace penwick {

App::App(Services& services)
    : services_(services),
      program_(services.ui),
      noteUpdate_(std::make_unique<app::NoteUpdateForm>(*this)),
      validateUser_(std::make_unique<lookup::ValidateUserForm>(program_)),
      spellCheck_(std::make_unique<spell::SpellCheckForm>(program_)) {
    program_.setMainForm(noteUpdate_.get());
}

App::~App() {
    // Dialogs go before the main window, as the close steps would unload them.
    spellCheck_.reset();
    validateUser_.reset();
    noteUpdate_.reset();
}

void App::start() {
    program_.dispatch([&] {
        ui::Window& main = noteUpdate_->window();  // runs the load steps
        main.show();
        noteUpdate_->activate();
    });
}

}  // namespace penwick
