// A process killed while it writes notes leaves an intact database holding a prefix of its
// lookup, each contact at most once.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <numeric>
#include <random>
#include <set>
#include <thread>

#include "embedded_support.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using namespace std::chrono_literals;

std::int64_t noteCount(const std::string& path) {
    sqlite3* db = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM note", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            n = sqlite3_column_int64(s, 0);
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return n;
}

// Runs the program's write-note run in this (child) process and never returns.
[[noreturn]] void writeNotesAndExit(const std::string& db, std::vector<std::int64_t> lookup,
                                    const std::string& folder) {
    setenv("TMPDIR", folder.c_str(), 1);  // the child's scratch folder goes with the test's
    EmbeddedRun run;
    run.readyToWrite(db, {contacts::LookupQuery::Kind::Ids, {}, std::move(lookup)}, u"crash test")
        .click("cmdWriteNote");
    _exit(0);
}

// Starts the run of the note over `lookup` in a child process and kills it at a random moment
// within `maxDelay` of its first note.
void killRunPartWay(const std::string& db, const std::vector<std::int64_t>& lookup,
                    const std::string& folder, std::chrono::microseconds maxDelay,
                    std::mt19937& random) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) writeNotesAndExit(db, lookup, folder);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (noteCount(db) < 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    const int delay = std::uniform_int_distribution<int>(0, int(maxDelay.count()))(random);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended before it was killed";
}

TEST(Crash, AKilledRunLeavesAnIntactPrefixOfItsLookup) {
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 3; ++round) {
        TempFolder t;
        constexpr std::size_t kContacts = 20000;
        const std::string db = makeDatabase(t.file("contacts.pwdb"), kContacts);
        // The lookup in an order of its own, so that "prefix" means the lookup's order.
        std::vector<std::int64_t> lookup(kContacts);
        std::iota(lookup.begin(), lookup.end(), 1);
        std::shuffle(lookup.begin(), lookup.end(), random);

        ASSERT_NO_FATAL_FAILURE(killRunPartWay(db, lookup, t.path(), 300ms, random));

        contacts::Store store(db);  // opens: the database is still ours and readable
        auto check = store.connection().query("PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.text(0), "ok");
        auto fk = store.connection().query("PRAGMA foreign_key_check");
        EXPECT_FALSE(fk.step());

        const auto notes = notesOf(db);
        ASSERT_GE(notes.size(), 1u);
        EXPECT_LT(notes.size(), kContacts);
        std::set<std::int64_t> seen;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            ASSERT_EQ(notes[i].contact, lookup[i]) << "note " << i << " is out of order";
            EXPECT_TRUE(seen.insert(notes[i].contact).second);
            EXPECT_EQ(notes[i].record.text, "crash test");
            EXPECT_EQ(notes[i].record.date, "2026-03-07");
        }
        const auto runs = store.runs();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].notes, static_cast<std::int64_t>(notes.size()));
    }
}

// Killed at a random moment of each of 100 runs (while it starts, logs in, reloads the lookup
// or writes): every database stays intact and holds a prefix of its lookup, each contact at
// most once, and a run's record counts exactly its notes.
TEST(Crash, HundredRunsKilledAtRandomMomentsLeaveIntactPrefixes) {
    std::mt19937 random(std::random_device{}());
    TempFolder t;
    constexpr std::size_t kContacts = 2000;
    const std::string original = makeDatabase(t.file("original.pwdb"), kContacts);
    std::vector<std::int64_t> lookup(kContacts);
    std::iota(lookup.begin(), lookup.end(), 1);
    std::shuffle(lookup.begin(), lookup.end(), random);

    int cutMidway = 0;
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string db = t.file("round" + std::to_string(round) + ".pwdb");
        std::filesystem::copy_file(original, db);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) writeNotesAndExit(db, lookup, t.path());
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 400000)(random)));
        kill(child, SIGKILL);  // it may have finished already: that is a moment too
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        contacts::Store store(db);
        auto check = store.connection().query("PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.text(0), "ok");
        const auto notes = notesOf(db);
        std::set<std::int64_t> seen;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            ASSERT_EQ(notes[i].contact, lookup[i]) << "note " << i << " is out of order";
            EXPECT_TRUE(seen.insert(notes[i].contact).second);
        }
        const auto runs = store.runs();
        ASSERT_LE(runs.size(), 1u);
        EXPECT_EQ(runs.empty() ? 0 : runs[0].notes, static_cast<std::int64_t>(notes.size()));
        // A run on record has its whole lookup, and its rest is exactly what it did not write.
        if (!runs.empty()) {
            EXPECT_EQ(runs[0].lookupSize, static_cast<std::int64_t>(kContacts));
            const auto rest =
                store.resolve({contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, runs[0].id});
            EXPECT_TRUE(
                std::equal(rest.begin(), rest.end(), lookup.begin() + notes.size(), lookup.end()));
        }
        if (!notes.empty() && notes.size() < kContacts) ++cutMidway;
        std::filesystem::remove(db);
    }
    // The moments must include the loop itself, not only the start-up.
    EXPECT_GE(cutMidway, 10);
    RecordProperty("cut_in_the_loop", cutMidway);
}

// A run killed part way, completed by writing the same note to the rest of its lookup: every
// contact ends with exactly one note, in the lookup's order.
TEST(Crash, AKilledRunCompletedByItsRestNotesEveryContactOnce) {
    std::mt19937 random(std::random_device{}());
    TempFolder t;
    constexpr std::size_t kContacts = 3000;
    const std::string db = makeDatabase(t.file("contacts.pwdb"), kContacts);
    std::vector<std::int64_t> lookup(kContacts);
    std::iota(lookup.begin(), lookup.end(), 1);
    std::shuffle(lookup.begin(), lookup.end(), random);

    ASSERT_NO_FATAL_FAILURE(killRunPartWay(db, lookup, t.path(), 100ms, random));
    const std::size_t before = notesOf(db).size();
    ASSERT_LT(before, kContacts);

    EmbeddedRun run;
    run.work(db, {contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, 1});
    run.start();
    run.fill(u"3/7/2026", 0, u"crash test");
    run.ui->answerMessages({ui::MessageAnswer::Yes});
    run.main().click("cmdWriteNote");
    ASSERT_FALSE(run.ui->messages().empty());
    EXPECT_NE(run.ui->messages()[0].prompt.find(u"of " + decimal(std::int64_t(kContacts - before)) +
                                                u" contacts"),
              std::u16string::npos);

    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), kContacts);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        ASSERT_EQ(notes[i].contact, lookup[i]) << "note " << i;
        EXPECT_EQ(notes[i].run, i < before ? 1 : 2);
    }
    const auto runs = contacts::Store(db).runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_FALSE(runs[0].finished());
    EXPECT_TRUE(runs[1].finished());
    EXPECT_EQ(runs[1].continues, 1);
    RecordProperty("written_before_the_kill", static_cast<int>(before));
}

}  // namespace
}  // namespace penwick::testing
