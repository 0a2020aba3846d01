// Whole write-note runs: the program with the in-memory front end, on the embedded contact
// manager and a real database made by the test.

#include <gtest/gtest.h>

#include <sstream>

#include "embedded_support.h"
#include "lookup/scramble.h"
#include "tools/contacts_tool.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using contacts::LookupQuery;
constexpr int kEmail = 1, kFileAttachment = 7;

// Members are built in order; the run (and its folder) must come before the database.
struct Run : ::testing::Test {
    EmbeddedRun run;
    std::string db = makeDatabase(run.folder.file("contacts.pwdb"), 6);

    std::vector<std::u16string> prompts() const {
        std::vector<std::u16string> p;
        for (const auto& m : run.ui->messages()) p.push_back(m.prompt);
        return p;
    }
    void multiUser() { contacts::Store(db).addUser("Pat", "pässwörd€"); }

    // penwick-contacts in the session the program reads; its standard output.
    std::string tool(std::vector<std::string> args) {
        std::istringstream in;
        std::ostringstream out, err;
        tools::ToolIo io{in, out, err, run.sessionPath, run.folder.file("data"), {}};
        EXPECT_EQ(tools::runContactsTool(args, io), 0) << err.str();
        return out.str();
    }
    // Writes the same note to the current lookup, Cancel clicked before the note numbered
    // `cancelAt` (1 for the first) when given.
    void writeNote(std::optional<int> cancelAt = std::nullopt) {
        run.start();
        run.fill(u"March 9, 2026", kEmail, u"Spring catalogue sent");
        run.ui->answerMessages({ui::MessageAnswer::Yes});
        run.ui->onYield([&, cancelAt](int k) {
            if (k == cancelAt) run.main().click("cmdCancel");
        });
        run.main().click("cmdWriteNote");
        EXPECT_TRUE(run.app->program().ended());
    }
};

// A run stopped part way by Cancel, twice, and completed each time by the rest of the first
// run: every contact of the lookup ends with one note, in the lookup's order.
TEST_F(Run, AStoppedRunIsCompletedByItsRestAndNoContactGetsTheNoteTwice) {
    const std::vector<std::int64_t> lookup = {5, 2, 6, 1, 4};
    run.work(db, {LookupQuery::Kind::Ids, {}, lookup});
    writeNote(3);
    ASSERT_EQ(notesOf(db).size(), 2u);
    auto runs = contacts::Store(db).runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].lookupSize, 5);
    EXPECT_FALSE(runs[0].finished());

    EXPECT_NE(tool({"lookup", "--rest-of-run", "1"}).find("3 contacts"), std::string::npos);
    EXPECT_NE(tool({"status"}).find("the contacts of run 1 still without its note, 3 contacts"),
              std::string::npos);
    writeNote(2);  // stopped again, after one more note
    EXPECT_NE(prompts()[0].find(u"of 3 contacts"), std::u16string::npos);

    // The first run's rest again, not the second's: what the second wrote counts too.
    EXPECT_NE(tool({"lookup", "--rest-of-run", "1"}).find("2 contacts"), std::string::npos);
    writeNote();
    EXPECT_NE(prompts()[0].find(u"of 2 contacts"), std::u16string::npos);
    EXPECT_EQ(prompts().back(), u"Finished");

    std::vector<std::int64_t> noted;
    for (const auto& n : notesOf(db)) {
        noted.push_back(n.contact);
        EXPECT_EQ(n.record.text, "Spring catalogue sent");
    }
    EXPECT_EQ(noted, lookup);
    runs = contacts::Store(db).runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].lookupSize, 3);
    EXPECT_EQ(runs[1].continues, 1);
    EXPECT_FALSE(runs[1].finished());
    EXPECT_EQ(runs[2].lookupSize, 2);
    EXPECT_EQ(runs[2].continues, 1);
    EXPECT_TRUE(runs[2].finished());
    const std::string table = tool({"runs", "--format", "csv"});
    EXPECT_NE(table.find(",5,2,no,,\r\n"), std::string::npos) << table;
    EXPECT_NE(table.find(",3,1,no,1,\r\n"), std::string::npos) << table;
    EXPECT_NE(table.find(",2,2,yes,1,\r\n"), std::string::npos) << table;
    EXPECT_NE(tool({"lookup", "--rest-of-run", "1"}).find("0 contacts"), std::string::npos);
    EXPECT_NE(tool({"lookup", "--rest-of-run", "2"}).find("0 contacts"), std::string::npos);
    EXPECT_NE(tool({"lookup", "--run", "2"}).find("1 contact\n"), std::string::npos);
}

TEST_F(Run, EveryContactOfTheLookupGetsOneNoteInLookupOrder) {
    run.work(db, {LookupQuery::Kind::Ids, {}, {5, 2, 6, 1}});
    run.start();
    run.fill(u"March 9, 2026", kEmail, u"Spring catalogue sent");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");

    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 4u);
    const std::vector<std::int64_t> order = {5, 2, 6, 1};
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].contact, order[i]);
        EXPECT_EQ(notes[i].record.typeCode, 102);
        EXPECT_EQ(notes[i].record.text, "Spring catalogue sent");
        EXPECT_EQ(notes[i].record.dateText, "March 9, 2026");
        EXPECT_EQ(notes[i].record.date, "2026-03-09");
        EXPECT_FALSE(notes[i].record.attachment);
        EXPECT_EQ(notes[i].run, notes[0].run);
    }
    EXPECT_EQ(contacts::Store(db).runs().size(), 1u);

    const auto& m = run.ui->messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].prompt,
              u"Are you sure you would like to update the current lookup\r\nof 4 contacts "
              u"with this note dated March 9, 2026");
    EXPECT_EQ(m[0].style, ui::MessageStyle::InformationYesNo);
    EXPECT_EQ(m[0].title, u"Penwick");
    EXPECT_EQ(m[1].prompt, u"Finished");
    EXPECT_EQ(run.ui->yieldCount(), 4);
    EXPECT_FALSE(run.mainWindowOpen());  // the run ends the program
    EXPECT_TRUE(run.app->program().ended());
}

// The contact manager the user works in, with something happening right after it saved the
// lookup and before the program's own connection reads it back.
struct AfterSave final : lookup::ContactManagerFactory {
    struct App final : lookup::Application {
        App(std::unique_ptr<lookup::Application> inner, std::function<void()> after)
            : inner(std::move(inner)), after(std::move(after)) {}
        void SaveCurrentLookup(std::u16string_view file) override {
            inner->SaveCurrentLookup(file);
            after();
        }
        std::u16string GetOpenDBName() override { return inner->GetOpenDBName(); }
        std::u16string GetCurrentUserName() override { return inner->GetCurrentUserName(); }
        std::unique_ptr<lookup::Application> inner;
        std::function<void()> after;
    };
    AfterSave(lookup::ContactManagerFactory& inner, std::function<void()> after)
        : inner(inner), after(std::move(after)) {}
    std::unique_ptr<lookup::Application> createApplication(std::u16string_view name) override {
        return std::make_unique<App>(inner.createApplication(name), after);
    }
    std::unique_ptr<lookup::Database> createDatabase(std::u16string_view name) override {
        return inner.createDatabase(name);
    }
    lookup::ContactManagerFactory& inner;
    std::function<void()> after;
};

// A contact of the loaded lookup removed while the run is under way: its note is refused with
// the contact named, and the notes before it stay.
TEST_F(Run, AContactRemovedPartWayStopsTheRunAtItsNote) {
    run.work(db, {LookupQuery::Kind::Ids, {}, {1, 2, 3, 4}});
    run.start();
    run.fill(u"3/7/2026", kEmail, u"x");
    run.ui->answerMessages({ui::MessageAnswer::Yes, ui::MessageAnswer::Ok});
    run.ui->onYield([&](int k) {
        if (k == 2) contacts::Store(db).connection().exec("DELETE FROM contact WHERE id = 3");
    });
    run.main().click("cmdWriteNote");
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].contact, 2);
    const auto said = prompts();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[1].find(u"no contact has the identifier C000003"), std::u16string::npos)
        << toUtf8(said[1]);
}

// The clock passes midnight on 31 December between the second and third notes: a date typed
// without a year still lands in one year for the whole run.
TEST_F(Run, ARunAcrossNewYearKeepsAYearlessDateInOneYear) {
    using namespace std::chrono;
    run.clock.set(year{2030} / December / 31);
    run.work(db, {LookupQuery::Kind::Ids, {}, {1, 2, 3, 4}});
    run.start();
    run.fill(u"12/6", kEmail, u"x");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.ui->onYield([&](int k) {
        if (k == 2) run.clock.set(year{2031} / January / 1);
    });
    run.main().click("cmdWriteNote");
    ASSERT_EQ(run.clock.today().year(), year{2031});
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 4u);
    for (const auto& n : notes) EXPECT_EQ(n.record.date, "2030-12-06") << n.contact;
}

TEST_F(Run, TheConfirmationCountsTheReloadedLookup) {
    run.work(db, {LookupQuery::Kind::Ids, {}, {1, 2, 3}});
    AfterSave factory(*run.embedded, [&] {
        contacts::Store(db).connection().exec("DELETE FROM contact WHERE id = 3");
    });
    run.start(&factory);
    run.fill(u"3/7/2026", 0, u"x");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    EXPECT_NE(prompts()[0].find(u"of 2 contacts"), std::u16string::npos);
    EXPECT_EQ(notesOf(db).size(), 2u);
}

TEST_F(Run, AFileAttachmentCarriesItsPath) {
    run.work(db, {LookupQuery::Kind::Ids, {}, {1, 2}});
    run.platform.addFile(u"/home/pat/offer.pdf");
    run.start();
    run.fill(u"2026-03-07", kFileAttachment, u"Offer attached", u"/home/pat/offer.pdf");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].record.typeCode, 101);
    EXPECT_EQ(notes[1].record.attachment, "/home/pat/offer.pdf");
}

TEST_F(Run, AnotherNoteTypeNeverWritesTheAttachment) {
    run.work(db, {LookupQuery::Kind::Ids, {}, {1}});
    run.start();
    run.fill(u"3/7/2026", kEmail, u"x", u"/no/such/file.pdf");  // not tested either
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_FALSE(notes[0].record.attachment);
}

TEST_F(Run, ADeclinedConfirmationWritesNothingAndEndsTheProgram) {
    run.work(db);
    run.start();
    run.fill(u"3/7/2026", kEmail, u"x");
    run.ui->answerMessages({ui::MessageAnswer::No});
    run.main().click("cmdWriteNote");
    EXPECT_NE(prompts()[0].find(u"of 6 contacts"), std::u16string::npos);
    EXPECT_TRUE(notesOf(db).empty());
    EXPECT_TRUE(contacts::Store(db).runs().empty());
    EXPECT_FALSE(run.mainWindowOpen());
}

TEST_F(Run, ALookupWithoutContactsFinishesWithoutWriting) {
    run.work(db, {LookupQuery::Kind::Where, {{"city", "Atlantis"}}, {}});
    run.start();
    run.fill(u"3/7/2026", kEmail, u"x");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    EXPECT_NE(prompts()[0].find(u"of 0 contacts"), std::u16string::npos);
    EXPECT_EQ(prompts().back(), u"Finished");
    EXPECT_TRUE(notesOf(db).empty());
    EXPECT_TRUE(contacts::Store(db).runs().empty());  // no empty run is recorded
}

TEST_F(Run, ARefusedLoginGivenUpKeepsTheWindowOpenAndTheNextTryWorks) {
    multiUser();
    run.work(db, {}, "Pat");
    run.start();
    run.fill(u"3/7/2026", kEmail, u"x");
    run.answerLogin(u"Pat", u"wrong");
    run.ui->answerMessages({ui::MessageAnswer::No});  // try again? No
    run.main().click("cmdWriteNote");
    EXPECT_TRUE(run.mainWindowOpen());
    EXPECT_TRUE(run.main().control("cmdWriteNote").enabled());
    EXPECT_TRUE(notesOf(db).empty());
    EXPECT_EQ(run.settings.get(u"penwick", u"contacts.pwdb", u"USER", u"-"), u"Pat");
    EXPECT_EQ(run.settings.get(u"penwick", u"contacts.pwdb", u"SYS", u"-"), u"");

    // Again, now wrong once and then right after "Yes".
    run.answerLogin(u"Pat", u"nope");
    run.answerLogin(u"Pat", u"pässwörd€");
    run.ui->answerMessages({ui::MessageAnswer::Yes, ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 6u);
    EXPECT_EQ(notes[0].userName, "Pat");
    EXPECT_FALSE(run.mainWindowOpen());
}

TEST_F(Run, RememberedCredentialsSkipTheDialogInTheNextProgram) {
    multiUser();
    run.work(db, {LookupQuery::Kind::Ids, {}, {1}}, "Pat");
    run.start();
    run.fill(u"3/7/2026", kEmail, u"first");
    run.answerLogin(u"Pat", u"pässwörd€");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    ASSERT_EQ(notesOf(db).size(), 1u);
    // Stored scrambled, never as typed.
    const std::u16string sys = run.settings.get(u"penwick", u"contacts.pwdb", u"SYS", u"");
    EXPECT_NE(sys, u"pässwörd€");
    EXPECT_EQ(lookup::ScrambleText(sys, lookup::kScrambleKey, run.codePage), u"pässwörd€");

    run.start();  // a new program with the same settings; no login dialog answer is queued
    run.fill(u"3/8/2026", kEmail, u"second");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].record.text, "second");
    EXPECT_NE(notes[1].run, notes[0].run);
}

}  // namespace
}  // namespace penwick::testing

namespace penwick::testing {
namespace {

// The two entry checks are titled "Penwicks"; the missing-file message is an ordinary
// "Penwick" box; after all three the run still works.
TEST_F(Run, EntryCheckTitles) {
    run.work(db, {LookupQuery::Kind::Ids, {}, {2, 4}});
    run.start();
    run.fill(u"31/31/2026", kEmail, u"x");
    run.main().click("cmdWriteNote");
    run.fill(u"3/7/2026", -1, u"x");
    run.main().click("cmdWriteNote");
    run.fill(u"3/7/2026", kFileAttachment, u"x", u"/nowhere/gone.pdf");
    run.main().click("cmdWriteNote");
    const auto& m = run.ui->messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].title, u"Penwicks");
    EXPECT_EQ(m[1].title, u"Penwicks");
    EXPECT_EQ(m[2].title, u"Penwick");

    run.fill(u"3/7/2026", kEmail, u"x");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    EXPECT_EQ(run.ui->messages().back().prompt, u"Finished");
    EXPECT_EQ(notesOf(db).size(), 2u);
}

}  // namespace
}  // namespace penwick::testing
