#pragma once
// The program on in-memory outside parts: what a test needs to start it and act as the user.

#include <chrono>
#include <memory>

#include "app/app.h"
#include "support/fake_ui.h"
#include "support/fakes.h"
#include "util/codepage.h"

namespace penwick::testing {

// A contact manager and a spelling checker that are not installed: every creation is 429.
class MissingContactManager final : public lookup::ContactManagerFactory {
public:
    std::unique_ptr<lookup::Application> createApplication(std::u16string_view className) override;
    std::unique_ptr<lookup::Database> createDatabase(std::u16string_view className) override;
    int attempts = 0;
};

class MissingSpellChecker final : public spell::SpellCheckerFactory {
public:
    std::unique_ptr<spell::SpellChecker> create(std::u16string_view className) override;
    std::u16string requirement() const override { return u"a spelling checker"; }
};

inline constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::December,
                                                    std::chrono::day{6}};

// Holds every part by value; pass other factories to drive a contact manager or a checker.
struct AppHarness {
    explicit AppHarness(lookup::ContactManagerFactory* contacts = nullptr,
                        spell::SpellCheckerFactory* speller = nullptr);

    // Starts the program: load, show, activation.
    FakeWindow& start();
    FakeWindow& main() { return ui.window("frmNoteUpdate"); }
    // The user's entries: date, note type (list position), note text, and the attachment
    // path when the type takes one.
    FakeWindow& fill(std::u16string_view date, int noteType, std::u16string_view text,
                     std::u16string_view file = {});
    // Queues an answer to the login dialog: the texts typed and the button that closes it
    // ("cmdOK", "Command1" for Cancel, or "" for the window frame's close box).
    void answerLogin(std::u16string user, std::u16string password, std::string button = "cmdOK");

    FakeUi ui;
    FakePlatform platform;
    MemorySettings settings;
    FakeLocale locale;
    FixedClock clock{kToday};
    Windows1252 codePage;
    MissingContactManager missingContacts;
    MissingSpellChecker missingSpeller;
    Services services;
    std::unique_ptr<App> app;
};

}  // namespace penwick::testing
