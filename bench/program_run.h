#pragma once
// A whole write-note run through the program, as the benchmarks measure it: the in-memory
// front end on the embedded contact manager, the session naming the database (a file or a
// server) and the lookup, the note filled in and the confirmation answered Yes.

#include <chrono>
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
#include "util/failure.h"
#include "util/text.h"

namespace penwick::bench {

// Creates `database` (a new file, or an empty server database) with `n` contacts, in the one
// transaction that makes it.
inline void createWithContacts(const std::string& database, std::size_t n) {
    contacts::Store::create(database, [n](contacts::Store& store) {
        store.addContacts(
            std::vector<contacts::ContactFields>(n, {"Pat Doe", "Acme", "555", "p@x", "Town"}));
    });
}

// The program started on `database`, its session and program folder in `folder`, with the
// note to write filled in; write() clicks Write Note.
class ProgramRun {
public:
    ProgramRun(const std::string& database, const std::string& folder,
               contacts::LookupQuery lookup = {})
        : sessionPath_(writeSessionIn(folder, database, std::move(lookup))),
          clock_(std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::March,
                                             std::chrono::day{7}}),
          contacts_(contacts::makeContactManagerFactory(locale_, clock_, sessionPath_)),
          services_{.ui = ui_,
                    .platform = platform_,
                    .settings = settings_,
                    .locale = locale_,
                    .clock = clock_,
                    .codePage = codePage_,
                    .contactManager = *contacts_,
                    .spellChecker = speller_},
          app_(services_) {
        platform_.setSeparator(u'/');
        platform_.setProgramFolder(fromUtf8(folder));
        app_.start();
        testing::FakeWindow& w = main();
        w.type("txtDate", u"3/7/2026");
        w.choose("cboNoteType", 1);
        w.type("txtNote", u"Spring catalogue sent");
        ui_.answerMessages({ui::MessageAnswer::Yes});
    }

    // Writes the note to every contact of the lookup; the seconds it took.
    double write() {
        const auto start = std::chrono::steady_clock::now();
        main().click("cmdWriteNote");
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // The run went as it should: asked once, then "Finished", and nothing else said.
    bool finished() const {
        const auto& m = ui_.messages();
        return m.size() == 2 && m.back().prompt == u"Finished";
    }
    // What the program said, one message a line (to tell why a run did not finish).
    std::string messages() const {
        std::string all;
        for (const auto& m : ui_.messages()) all += toUtf8(m.prompt) + "\n";
        return all;
    }

    testing::FakeUi& ui() { return ui_; }
    testing::FakeWindow& main() { return ui_.window("frmNoteUpdate"); }
    App& app() { return app_; }

private:
    static std::string writeSessionIn(const std::string& folder, const std::string& database,
                                      contacts::LookupQuery lookup) {
        const std::string path = folder + "/session.ini";
        contacts::writeSession(path, {database, "", std::move(lookup)});
        return path;
    }

    struct NoSpeller final : spell::SpellCheckerFactory {
        std::unique_ptr<spell::SpellChecker> create(std::u16string_view) override {
            raise(err::CannotCreateObject, u"bench");
        }
        std::u16string requirement() const override { return u"none"; }
    };

    std::string sessionPath_;
    testing::FakeUi ui_;
    testing::FakePlatform platform_;
    testing::MemorySettings settings_;
    testing::FakeLocale locale_;
    testing::FixedClock clock_;
    Windows1252 codePage_;
    std::unique_ptr<lookup::ContactManagerFactory> contacts_;
    NoSpeller speller_;
    Services services_;
    App app_;
};

}  // namespace penwick::bench
