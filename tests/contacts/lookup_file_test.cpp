// The lookup file between the contact manager's save and our connection's reload: one path per
// run, and held against other runs for that time.

#include <gtest/gtest.h>

#include <filesystem>

#include "embedded_support.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using contacts::LookupQuery;
constexpr int kEmail = 1;

struct LookupFile : ::testing::Test {
    EmbeddedRun run;
    std::string db = makeDatabase(run.folder.file("contacts.pwdb"), 6);
    std::u16string programFile = fromUtf8(run.folder.file("lkup.dat"));

    void writeNotes(bool confirm) {
        run.start();
        run.fill(u"3/7/2026", kEmail, u"x");
        if (confirm) run.ui->answerMessages({ui::MessageAnswer::Yes});
        run.main().click("cmdWriteNote");
    }
};

// The program folder stops being writable during the run (say while the login dialog is
// open): the lookup is still reloaded from where it was saved, not from a stale file of the
// same database in the other folder, which would put notes on the wrong contacts.
TEST_F(LookupFile, ARunReloadsTheFileItSavedEvenWhenTheFolderChangesMeanwhile) {
    const std::string data = run.folder.file("data");
    std::filesystem::create_directories(data);
    run.platform.setDataFolder(fromUtf8(data));
    const std::string databaseId = contacts::Store(db).databaseId();
    contacts::writeLookupFile(
        data + "/lkup.dat",
        {.databaseId = databaseId, .database = db, .contacts = {6}});  // an older lookup
    run.platform.turnReadOnlyAfter(fromUtf8(run.folder.path()), 1);

    run.work(db, {LookupQuery::Kind::Ids, {}, {1, 2}});
    writeNotes(true);
    std::vector<std::int64_t> written;
    for (const auto& n : notesOf(db)) written.push_back(n.contact);
    EXPECT_EQ(written, (std::vector<std::int64_t>{1, 2}));
}

// While another run holds the lookup file, a second one says so and writes nothing; the hold
// ends with the reload.
TEST_F(LookupFile, ASecondRunMeanwhileIsToldAndWritesNothing) {
    run.work(db);
    run.platform.holdElsewhere(programFile);
    writeNotes(false);
    ASSERT_EQ(run.ui->messages().size(), 1u);
    EXPECT_NE(run.ui->messages()[0].prompt.find(u"Another Penwick run is using the lookup file"),
              std::u16string::npos);
    EXPECT_NE(run.ui->messages()[0].prompt.find(programFile), std::u16string::npos);
    EXPECT_EQ(run.contacts.created, 0);
    EXPECT_TRUE(run.main().control("cmdWriteNote").enabled());
    EXPECT_TRUE(notesOf(db).empty());
    EXPECT_FALSE(std::filesystem::exists(run.folder.file("lkup.dat")));
}

TEST_F(LookupFile, TheHoldIsLetGoByTheEndOfTheRun) {
    run.work(db);
    writeNotes(true);
    EXPECT_EQ(notesOf(db).size(), 6u);
    EXPECT_TRUE(run.platform.held().empty()) << "the hold outlived the run";
}

}  // namespace
}  // namespace penwick::testing
