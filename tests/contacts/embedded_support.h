#pragma once
// What the tests of the embedded contact manager share: a scratch folder, contact databases
// made in it, a session naming one of them, and the program on the real contact manager.

#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "contacts/factory.h"
#include "contacts/session.h"
#include "contacts/store.h"
#include "support/fake_ui.h"
#include "support/fakes.h"
#include "util/codepage.h"

namespace penwick::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A database with `count` contacts named "Contact 1".. (numbers 1..count).
std::string makeDatabase(const std::string& path, std::size_t count);

// A plain note to `contact`, dated 2026-03-07, as a run stores it.
contacts::NoteRecord noteFor(std::int64_t contact, std::string text = "x");

// Every stored note, oldest first.
std::vector<contacts::StoredNote> notesOf(const std::string& database);

// Counts the objects made through it, so that a test can tell none were.
class CountingFactory final : public lookup::ContactManagerFactory {
public:
    explicit CountingFactory(lookup::ContactManagerFactory& inner) : inner_(inner) {}
    std::unique_ptr<lookup::Application> createApplication(std::u16string_view name) override {
        ++created;
        return inner_.createApplication(name);
    }
    std::unique_ptr<lookup::Database> createDatabase(std::u16string_view name) override {
        ++created;
        return inner_.createDatabase(name);
    }
    int created = 0;

private:
    lookup::ContactManagerFactory& inner_;
};

class NoSpellChecker final : public spell::SpellCheckerFactory {
public:
    std::unique_ptr<spell::SpellChecker> create(std::u16string_view className) override;
    std::u16string requirement() const override { return u"a spelling checker"; }
};

// The program on the embedded contact manager, with its session in a scratch folder and its
// program folder there too (the lookup file goes there).
struct EmbeddedRun {
    EmbeddedRun();

    // Makes `database` the one the user works in, with that lookup (and user).
    void work(const std::string& database, contacts::LookupQuery lookup = {},
              const std::string& user = {});
    // Starts the program (again, after an earlier one has ended), on the embedded contact
    // manager or on the factory given. Queue dialog answers after this.
    FakeWindow& start(lookup::ContactManagerFactory* factory = nullptr);
    FakeWindow& fill(std::u16string date, int noteType, std::u16string text,
                     std::u16string file = {});
    // The program started on `database` with that lookup, a note with `text` filled in and
    // the confirmation to be answered Yes: Write Note is all that is left to click.
    FakeWindow& readyToWrite(const std::string& database, contacts::LookupQuery lookup,
                             std::u16string text);
    FakeWindow& main() { return ui->window("frmNoteUpdate"); }
    bool mainWindowOpen() const { return ui->find("frmNoteUpdate") != nullptr; }
    // Queues an answer to the login dialog: the texts typed and the button that closes it
    // ("cmdOK", "Command1" for Cancel, or "" for the window frame's close box).
    void answerLogin(std::u16string user, std::u16string password, std::string button = "cmdOK");

    TempFolder folder;
    std::string sessionPath;
    std::unique_ptr<FakeUi> ui = std::make_unique<FakeUi>();
    FakePlatform platform;
    MemorySettings settings;
    FakeLocale locale;
    FixedClock clock;
    Windows1252 codePage;
    std::unique_ptr<lookup::ContactManagerFactory> embedded;
    CountingFactory contacts;
    NoSpellChecker speller;
    std::unique_ptr<Services> services;
    std::unique_ptr<App> app;
};

}  // namespace penwick::testing
