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

}  // namespace penwick::testing
