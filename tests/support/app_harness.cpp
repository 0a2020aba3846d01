#include "support/app_harness.h"

#include "util/failure.h"

namespace penwick::testing {

std::unique_ptr<lookup::Application> MissingContactManager::createApplication(std::u16string_view) {
    ++attempts;
    raise(err::CannotCreateObject, u"MissingContactManager");
}

std::unique_ptr<lookup::Database> MissingContactManager::createDatabase(std::u16string_view) {
    ++attempts;
    raise(err::CannotCreateObject, u"MissingContactManager");
}

std::unique_ptr<spell::SpellChecker> MissingSpellChecker::create(std::u16string_view) {
    raise(err::CannotCreateObject, u"MissingSpellChecker");
}

AppHarness::AppHarness(lookup::ContactManagerFactory* contacts, spell::SpellCheckerFactory* speller)
    : services{.ui = ui,
               .platform = platform,
               .settings = settings,
               .locale = locale,
               .clock = clock,
               .codePage = codePage,
               .contactManager = contacts != nullptr ? *contacts : missingContacts,
               .spellChecker = speller != nullptr ? *speller : missingSpeller} {}

FakeWindow& AppHarness::start() {
    app = std::make_unique<App>(services);
    app->start();
    return main();
}

FakeWindow& AppHarness::fill(std::u16string_view date, int noteType, std::u16string_view text,
                             std::u16string_view file) {
    FakeWindow& w = main();
    w.type("txtDate", date);
    w.choose("cboNoteType", noteType);
    w.type("txtNote", text);
    if (!file.empty()) w.type("txtFile", file);
    return w;
}

void AppHarness::answerLogin(std::u16string user, std::u16string password, std::string button) {
    ui.onModal("frmValidateUser", [user, password, button](FakeWindow& dialog) {
        dialog.type("txtUserName", user);
        dialog.type("txtPassword", password);
        if (button.empty()) {
            dialog.requestClose();
        } else {
            dialog.click(button);
        }
    });
}

}  // namespace penwick::testing
