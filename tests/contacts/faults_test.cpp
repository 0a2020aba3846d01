// A write-note run on a contact database that is missing, damaged, busy or on a full disk:
// one clear message with a number and a description, no partial note, the notes already
// written stay, and the run's record counts them.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "embedded_support.h"
#include "failing_vfs.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
constexpr int kEmail = 1;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Faults : ::testing::Test {
    EmbeddedRun run;
    std::string db = makeDatabase(run.folder.file("contacts.pwdb"), 40);

    // A run over the whole lookup of `database`; `confirm` queues the answer to the
    // confirmation for runs that get that far. Returns the last message shown.
    std::string writeNotes(const std::string& database, bool confirm) {
        run.work(database);
        run.start();
        run.fill(u"3/7/2026", kEmail, u"a note");
        if (confirm) run.ui->answerMessages({ui::MessageAnswer::Yes});
        run.main().click("cmdWriteNote");
        const auto& messages = run.ui->messages();
        return messages.empty() ? std::string() : toUtf8(messages.back().prompt);
    }

    // The failure report: a number and a description naming what went wrong.
    static void expectFailureReport(const std::string& message, const std::string& words) {
        EXPECT_EQ(message.rfind("Run-time error '", 0), 0u) << message;
        EXPECT_NE(message.find(words), std::string::npos) << message;
    }

    static void expectIntact(const std::string& database) {
        contacts::Store store(database);
        auto check = store.connection().query("PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.text(0), "ok");
    }
};

TEST_F(Faults, AMissingOrDamagedDatabaseIsOneClearFailureAndStaysAsItWas) {
    const std::string text = run.folder.file("notes.txt");
    std::ofstream(text) << "not a database\n";
    const std::string truncated = run.folder.file("truncated.pwdb");
    {
        const std::string whole = bytesOf(db);
        std::ofstream(truncated, std::ios::binary) << whole.substr(0, whole.size() / 3);
    }
    const std::string newer = makeDatabase(run.folder.file("newer.pwdb"), 3);
    {
        sqlite3* c = nullptr;
        sqlite3_open(newer.c_str(), &c);
        sqlite3_exec(c, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
        sqlite3_close(c);
    }
    const struct {
        std::string path, words;
    } cases[] = {
        {run.folder.file("missing.pwdb"), "missing.pwdb"},
        {text, "not a Penwick contact database"},
        {truncated, "truncated.pwdb"},
        {newer, "version 99"},
        {run.folder.path(), "is not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string before = fs::is_regular_file(c.path) ? bytesOf(c.path) : "";
        expectFailureReport(writeNotes(c.path, false), c.words);
        EXPECT_FALSE(run.mainWindowOpen());
        if (fs::is_regular_file(c.path)) {
            EXPECT_EQ(bytesOf(c.path), before);
        }
    }
}

TEST_F(Faults, ABusyDatabaseIsWaitedForThenAClearFailure) {
    // Another writer holds the write lock for a moment: the run waits and writes every note.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([&] {
        std::this_thread::sleep_for(1s);
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(writeNotes(db, true), "Finished");
    release.join();
    EXPECT_EQ(notesOf(db).size(), 40u);

    // Held past the wait: a clear failure, and not one note more.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    expectFailureReport(writeNotes(db, true), "database is locked");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 4s) << "it did not wait";
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(notesOf(db).size(), 40u);
    expectIntact(db);
}

TEST_F(Faults, AFullDiskEndsTheRunWithTheWrittenNotesKeptAndCounted) {
    std::string message;
    {
        // Room for the run record and a few notes, not for all forty.
        FullDisk disk(60 * 1024);
        message = writeNotes(db, true);
        EXPECT_GT(disk.refused(), 0);
    }
    expectFailureReport(message, "full");
    const auto notes = notesOf(db);
    EXPECT_GT(notes.size(), 0u);
    EXPECT_LT(notes.size(), 40u);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].contact, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(notes[i].record.text, "a note");  // no note half-written
    }
    contacts::Store store(db);
    const auto runs = store.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].notes, static_cast<std::int64_t>(notes.size()));
    // With room again, the run's rest is exactly the contacts it did not reach.
    EXPECT_EQ(runs[0].lookupSize, 40);
    const auto rest =
        store.resolve({contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, runs[0].id});
    ASSERT_EQ(rest.size(), 40u - notes.size());
    EXPECT_EQ(rest.front(), static_cast<std::int64_t>(notes.size() + 1));
    expectIntact(db);
}

TEST_F(Faults, AReadOnlyFolderIsAClearFailure) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const std::string folder = run.folder.file("locked");
    fs::create_directories(folder);
    const std::string inside = makeDatabase(folder + "/contacts.pwdb", 3);
    {
        contacts::Store store(inside);  // leaves WAL mode set; no -wal after a clean close
    }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string message = writeNotes(inside, true);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(message.rfind("Run-time error '", 0), 0u) << message;
    EXPECT_TRUE(notesOf(inside).empty());
}

}  // namespace
}  // namespace penwick::testing
