// The contact database file and the automation objects over it.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "contacts/contact_id.h"
#include "contacts/sqlite/sqlite.h"
#include "embedded_support.h"
#include "embedded_world.h"
#include "store_contract.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using contacts::Store;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void rawExec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

using store_contract::failureText;

TEST(Store, RefusesFilesThatAreNotOursOrOfAnotherLayoutAndLeavesThemAlone) {
    TempFolder t;
    const std::string other = t.file("other.db");
    rawExec(other, "CREATE TABLE x(a); INSERT INTO x VALUES (1);");
    const std::string text = t.file("notes.txt");
    std::ofstream(text) << "just some text\n";
    const std::string newer = makeDatabase(t.file("newer.pwdb"), 1);
    rawExec(newer, "PRAGMA user_version = 4");

    for (const std::string& path : {other, text, newer}) {
        const std::string before = bytesOf(path);
        EXPECT_THROW(Store{path}, Failure) << path;
        EXPECT_EQ(bytesOf(path), before) << path;
    }
    EXPECT_NE(failureText([&] { Store{newer}; }).find("version 4"), std::string::npos);
    EXPECT_NE(failureText([&] { Store{other}; }).find("not a Penwick contact database"),
              std::string::npos);
    EXPECT_THROW(Store{t.file("missing.pwdb")}, Failure);
    // create never replaces a file.
    EXPECT_THROW(Store::create(text), Failure);
    EXPECT_EQ(bytesOf(text), "just some text\n");
}

// A file of an older layout, written as that version of the program wrote it: two contacts,
// the users Ann and Bob, and a run of one note. Version 1 had no administrators.
std::string makeOlderDatabase(const std::string& path, int version) {
    const std::string admin = version >= 2 ? ", is_admin INTEGER NOT NULL DEFAULT 0" : "";
    rawExec(path,
            "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;"
            "CREATE TABLE contact(id INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT '',"
            " company TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '',"
            " email TEXT NOT NULL DEFAULT '', city TEXT NOT NULL DEFAULT '');"
            "CREATE TABLE app_user(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE "
            "NOCASE, password_hash TEXT NOT NULL, created_at TEXT NOT NULL" +
                admin +
                ");"
                "CREATE TABLE run(id INTEGER PRIMARY KEY, started_at TEXT NOT NULL,"
                " user_name TEXT NOT NULL, host TEXT NOT NULL, pid INTEGER NOT NULL, undone_at "
                "TEXT);"
                "CREATE TABLE note(id INTEGER PRIMARY KEY,"
                " contact_id INTEGER NOT NULL REFERENCES contact(id),"
                " run_id INTEGER NOT NULL REFERENCES run(id), type_code INTEGER NOT NULL,"
                " text TEXT NOT NULL, attachment TEXT, date_text TEXT NOT NULL, date TEXT NOT "
                "NULL, time TEXT, written_at TEXT NOT NULL, user_name TEXT NOT NULL);"
                "INSERT INTO meta VALUES ('database_id', '0123456789abcdef0123456789abcdef');"
                "INSERT INTO contact(name) VALUES ('One'), ('Two');"
                "INSERT INTO run VALUES (1, '2026-03-07T10:00:00Z', 'Ann', 'desk', 42, NULL);"
                "INSERT INTO note VALUES (1, 2, 1, 100, 'old', NULL, '3/7/2026', '2026-03-07',"
                " NULL, '2026-03-07T10:00:00Z', 'Ann');"
                "PRAGMA application_id = " +
                std::to_string(contacts::kApplicationId) +
                ";"
                "PRAGMA user_version = " +
                std::to_string(version) + ";");
    return path;
}

// An older file is brought up to date when opened: its users, contacts, runs and notes stay;
// from version 1 its first user becomes the administrator; its runs keep no lookup, and say so.
TEST(Store, AnOlderLayoutIsMigratedWithEverythingKept) {
    for (int version : {1, 2}) {
        SCOPED_TRACE("version " + std::to_string(version));
        TempFolder t;
        const std::string path = makeOlderDatabase(t.file("old.pwdb"), version);
        {
            Store store(path);
            store.addUser("Ann", "one");
            store.addUser("Bob", "two");
        }
        Store store(path);
        EXPECT_EQ(dynamic_cast<contacts::SqliteConnection&>(store.connection())
                      .pragmaInteger("user_version"),
                  contacts::kSchemaVersion);
        EXPECT_EQ(store.contactCount(), 2);
        EXPECT_EQ(store.verifyUser("ann", "one"), "Ann");
        EXPECT_TRUE(store.isAdmin("Ann"));
        EXPECT_FALSE(store.isAdmin("Bob"));

        const auto runs = store.runs();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].notes, 1);
        EXPECT_FALSE(runs[0].lookupSize);
        EXPECT_FALSE(runs[0].finished());
        EXPECT_EQ(store.resolve({contacts::LookupQuery::Kind::Run, {}, {}, false, 1}),
                  (std::vector<std::int64_t>{2}));
        const std::string refused = failureText([&] {
            store.resolve({contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, 1});
        });
        EXPECT_NE(refused.find("kept no lookup"), std::string::npos) << refused;
        // The new tables are there: an extra field can be selected on.
        store.connection().exec(
            "INSERT INTO extra_field(name) VALUES ('Region');"
            "INSERT INTO contact_extra VALUES (1, 1, 'North')");
        EXPECT_EQ(store.resolve({contacts::LookupQuery::Kind::Where, {{"region", "north"}}, {}}),
                  (std::vector<std::int64_t>{1}));
        auto import = store.importContacts({"Birthday"});
        import.add({"Dee", "", "", "", ""}, {"1990-01-02"});
        import.commit();
        EXPECT_EQ(store.contactValue(3, store.contactField("birthday")), "1990-01-02");
        auto fk = store.connection().query("PRAGMA foreign_key_check");
        EXPECT_FALSE(fk.step());
    }
}

// Checking a password takes the same work whether or not the user exists, so the time a
// refusal takes does not tell which names do.
TEST(Store, AnUnknownUserCostsWhatAKnownOneDoes) {
    TempFolder t;
    Store store(makeDatabase(t.file("a.pwdb"), 1));
    store.addUser("Pat", "s3cret");
    // The best of several interleaved tries, so that other work on the machine does not count.
    EXPECT_FALSE(store.verifyUser("Nobody", "wrong"));  // makes the stand-in hash once
    auto known = std::chrono::steady_clock::duration::max(), unknown = known;
    for (int i = 0; i < 5; ++i) {
        for (auto [name, best] : {std::pair{"Pat", &known}, {"Nobody", &unknown}}) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(store.verifyUser(name, "wrong"));
            *best = std::min(*best, std::chrono::steady_clock::now() - start);
        }
    }
    const double k = std::chrono::duration<double>(known).count();
    const double u = std::chrono::duration<double>(unknown).count();
    EXPECT_GT(u, k * 0.3) << "known " << k << " s, unknown " << u << " s";
    EXPECT_LT(u, k * 3.0) << "known " << k << " s, unknown " << u << " s";
}

// The rule holds for every caller of the store, not only for the tool.
TEST(Store, ARunIsUndoneOnlyByItsAuthorOrAnAdministrator) {
    TempFolder t;
    const std::string path = makeDatabase(t.file("a.pwdb"), 1);
    std::int64_t run = 0;
    {
        Store owner(path);
        owner.addUser("Ann", "ann's");  // the first user: an administrator
        owner.addUser("Pat", "pat's");
        owner.addUser("Bob", "bob's");
        owner.addNote(noteFor(1), run, "Pat", true);
    }
    Store bob(path);
    ASSERT_TRUE(bob.verifyUser("bob", "bob's"));
    EXPECT_EQ(failureText([&] { bob.undoRun(run); }),
              "run 1 was written by Pat; only they or an administrator can undo it");
    EXPECT_EQ(notesOf(path).size(), 1u);
}

// Contacts, notes and password hashes are the owner's alone, under the usual umask too.
TEST(Store, IsWalWithForeignKeysAndFullSyncAndTheOwnersOnly) {
    TempFolder t;
    const mode_t umaskBefore = ::umask(022);
    Store store(makeDatabase(t.file("a.pwdb"), 1));
    ::umask(umaskBefore);
    for (const std::string& file : {store.path(), store.path() + "-wal"}) {
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
    }
    auto& c = dynamic_cast<contacts::SqliteConnection&>(store.connection());
    auto mode = c.query("PRAGMA journal_mode");
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(mode.text(0), "wal");
    EXPECT_EQ(c.pragmaInteger("foreign_keys"), 1);
    EXPECT_EQ(c.pragmaInteger("synchronous"), 2);  // FULL
}

TEST(Store, ContactIdentifiersAreCanonicalOnly) {
    EXPECT_EQ(contacts::formatContactId(42), "C000042");
    EXPECT_EQ(contacts::parseContactId(std::string_view("C000042")), 42);
    EXPECT_EQ(contacts::parseContactId(std::string_view("C1234567")), 1234567);
    for (const char* bad : {"C0000042", "C42", "c000042", "C00004x", "C000000", " C000042", ""}) {
        EXPECT_FALSE(contacts::parseContactId(std::string_view(bad))) << bad;
    }
}

}  // namespace
}  // namespace penwick::testing

namespace penwick::testing::store_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(File, StoreContract, ::testing::Types<FileDatabases>);
}  // namespace penwick::testing::store_contract
