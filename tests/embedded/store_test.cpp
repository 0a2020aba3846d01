// The contact database file and the automation objects over it.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "embedded/contact_id.h"
#include "embedded/sqlite.h"
#include "embedded_support.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using embedded::Store;

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

std::string failureText(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& failure) {
        return toUtf8(failure.description());
    }
    return "(no failure)";
}

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
                std::to_string(embedded::kApplicationId) +
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
        EXPECT_EQ(dynamic_cast<embedded::SqliteConnection&>(store.connection())
                      .pragmaInteger("user_version"),
                  embedded::kSchemaVersion);
        EXPECT_EQ(store.contactCount(), 2);
        EXPECT_EQ(store.verifyUser("ann", "one"), "Ann");
        EXPECT_TRUE(store.isAdmin("Ann"));
        EXPECT_FALSE(store.isAdmin("Bob"));

        const auto runs = store.runs();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].notes, 1);
        EXPECT_FALSE(runs[0].lookupSize);
        EXPECT_FALSE(runs[0].finished());
        EXPECT_EQ(store.resolve({embedded::LookupQuery::Kind::Run, {}, {}, false, 1}),
                  (std::vector<std::int64_t>{2}));
        const std::string refused = failureText([&] {
            store.resolve({embedded::LookupQuery::Kind::RestOfRun, {}, {}, false, 1});
        });
        EXPECT_NE(refused.find("kept no lookup"), std::string::npos) << refused;
        // The new tables are there: an extra field can be selected on.
        store.connection().exec(
            "INSERT INTO extra_field(name) VALUES ('Region');"
            "INSERT INTO contact_extra VALUES (1, 1, 'North')");
        EXPECT_EQ(store.resolve({embedded::LookupQuery::Kind::Where, {{"region", "north"}}, {}}),
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

TEST(Store, IsWalWithForeignKeysAndFullSync) {
    TempFolder t;
    Store store(makeDatabase(t.file("a.pwdb"), 1));
    auto& c = dynamic_cast<embedded::SqliteConnection&>(store.connection());
    auto mode = c.query("PRAGMA journal_mode");
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(mode.text(0), "wal");
    EXPECT_EQ(c.pragmaInteger("foreign_keys"), 1);
    EXPECT_EQ(c.pragmaInteger("synchronous"), 2);  // FULL
}

TEST(Store, ContactIdentifiersAreCanonicalOnly) {
    EXPECT_EQ(embedded::formatContactId(42), "C000042");
    EXPECT_EQ(embedded::parseContactId(std::string_view("C000042")), 42);
    EXPECT_EQ(embedded::parseContactId(std::string_view("C1234567")), 1234567);
    for (const char* bad : {"C0000042", "C42", "c000042", "C00004x", "C000000", " C000042", ""}) {
        EXPECT_FALSE(embedded::parseContactId(std::string_view(bad))) << bad;
    }
}

TEST(Store, LookupsSelectByFieldIgnoringCaseAndKeepTheGivenOrderOfIdentifiers) {
    TempFolder t;
    Store::create(t.file("a.pwdb"));
    Store store(t.file("a.pwdb"));
    store.addContacts({{"Ann", "Acme", "", "", "Paris"},
                       {"Bob", "Bolt", "", "", "paris"},
                       {"Cy", "Acme", "", "", "Rome"}});
    embedded::LookupQuery all;
    EXPECT_EQ(store.resolve(all), (std::vector<std::int64_t>{1, 2, 3}));
    embedded::LookupQuery where{embedded::LookupQuery::Kind::Where, {{"city", "PARIS"}}, {}};
    EXPECT_EQ(store.resolve(where), (std::vector<std::int64_t>{1, 2}));
    where.where.emplace_back("company", "acme");
    EXPECT_EQ(store.resolve(where), (std::vector<std::int64_t>{1}));
    // A value is bound, never spliced into the SQL.
    embedded::LookupQuery tricky{
        embedded::LookupQuery::Kind::Where, {{"name", "x' OR '1'='1"}}, {}};
    EXPECT_TRUE(store.resolve(tricky).empty());
    embedded::LookupQuery ids{embedded::LookupQuery::Kind::Ids, {}, {3, 1}};
    EXPECT_EQ(store.resolve(ids), (std::vector<std::int64_t>{3, 1}));
    ids.ids.push_back(9);
    EXPECT_THROW(store.resolve(ids), Failure);
    embedded::LookupQuery unknown{embedded::LookupQuery::Kind::Where, {{"id; DROP", "1"}}, {}};
    EXPECT_THROW(store.resolve(unknown), Failure);
}

// Conditions of each kind, alone and combined, on fixed and extra fields.
TEST(Store, ConditionsCompareContainOrDifferAndMayBeAlternatives) {
    using Op = embedded::Condition::Op;
    TempFolder t;
    Store::create(t.file("a.pwdb"));
    Store store(t.file("a.pwdb"));
    store.addContacts({{"Ann Smith", "Acme", "", "", "Paris"},
                       {"Bob", "Bolt 100%", "555", "", "paris"},
                       {"Cy SMITHERS", "", "", "", "Rome"},
                       {"Di", "Acme", "556", "", ""}});
    store.connection().exec(
        "INSERT INTO extra_field(name) VALUES ('Region'), ('Tier');"
        "INSERT INTO contact_extra VALUES (1, 1, 'North'), (2, 1, 'south'), (3, 1, ''),"
        " (3, 2, 'Gold')");
    const auto select = [&](std::vector<embedded::Condition> conditions, bool any = false) {
        return store.resolve({embedded::LookupQuery::Kind::Where, std::move(conditions), {}, any});
    };
    using Ids = std::vector<std::int64_t>;
    EXPECT_EQ(select({{"name", "smith", Op::Contains}}), (Ids{1, 3}));
    EXPECT_EQ(select({{"city", "PARIS", Op::NotEqual}}), (Ids{3, 4}));
    EXPECT_EQ(select({{"city", ""}}), (Ids{4}));
    EXPECT_EQ(select({{"city", "", Op::NotEqual}}), (Ids{1, 2, 3}));
    // The text is looked for as typed: % and _ are no wildcards.
    EXPECT_EQ(select({{"company", "0%", Op::Contains}}), (Ids{2}));
    EXPECT_TRUE(select({{"company", "_", Op::Contains}}).empty());
    EXPECT_EQ(select({{"company", "acme"}, {"phone", "55", Op::Contains}}), (Ids{4}));
    EXPECT_EQ(select({{"company", "acme"}, {"phone", "55", Op::Contains}}, true), (Ids{1, 2, 4}));

    // Extra fields by name, case ignored; a contact without a value has the field empty.
    EXPECT_EQ(select({{"region", "NORTH"}}), (Ids{1}));
    EXPECT_EQ(select({{"Region", ""}}), (Ids{3, 4}));
    EXPECT_EQ(select({{"tier", "gold", Op::NotEqual}}), (Ids{1, 2, 4}));
    EXPECT_EQ(select({{"region", "th", Op::Contains}, {"tier", "gold"}}, true), (Ids{1, 2, 3}));
    // Case is ignored for every letter, not only ASCII's.
    store.addContacts({{"ZOË Grünstraße", "", "", "", "KÖLN"}});
    EXPECT_EQ(select({{"city", "köln"}, {"name", "zoë", Op::Contains}}), (Ids{5}));
    EXPECT_EQ(select({{"name", "STRASSE", Op::Contains}}), (Ids{5}));
    EXPECT_EQ(store.fieldName("REGION"), "Region");
    // Named as an import matches headers: spacing and punctuation ignored too.
    EXPECT_EQ(select({{"re gion", "north"}}), (Ids{1}));
    EXPECT_EQ(store.fieldName("E mail"), "email");
    EXPECT_EQ(store.fieldName("E-mail"), "email");
    EXPECT_FALSE(store.fieldName("shoe size"));
    const std::string unknown = failureText([&] { select({{"shoe size", "9"}}); });
    EXPECT_NE(unknown.find("unknown contact field shoe size"), std::string::npos) << unknown;
    EXPECT_EQ(store.countSelected({embedded::LookupQuery::Kind::Where, {{"city", "paris"}}, {}}),
              2);
}

// The automation objects of one connection on a database of three contacts.
struct Connection {
    explicit Connection(const std::string& database) : path(fromUtf8(database)) {
        db = factory->createDatabase(u"ACTOLE.DATABASE");
        db->Open(path);
    }
    // One note for `contact` with the given date, written the way the update loop does.
    void note(std::u16string contact, std::u16string date, std::u16string text = u"hello") {
        auto& h = db->NOTEHISTORY();
        h.Add();
        h.Data(29, contact);
        h.Data(26, text);
        h.Data(25, std::int16_t{100});
        h.Data(200, date);
        h.Update();
    }
    FakeLocale locale;  // M/d/yyyy
    std::unique_ptr<lookup::ContactManagerFactory> factory =
        embedded::makeContactManagerFactory(locale, "/nonexistent/session.ini");
    std::u16string path;
    std::unique_ptr<lookup::Database> db;
};

TEST(Automation, ClassesAreCreatedByNameOnly) {
    FakeLocale locale;
    auto factory = embedded::makeContactManagerFactory(locale, "/nonexistent/session.ini");
    EXPECT_TRUE(factory->createDatabase(u"actole.database"));
    try {
        factory->createApplication(u"ACTOLE.OTHER");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::CannotCreateObject);
    }
}

TEST(Automation, NotesKeepTheDateAsWrittenAndAsACalendarDate) {
    TempFolder t;
    const std::string path = makeDatabase(t.file("a.pwdb"), 3);
    Connection c(path);
    c.note(u"C000002", u"3/7/2026");
    c.note(u"C000003", u"March 9, 2026 14:30");
    c.note(u"C000001", u"2026-12-31");
    const auto notes = notesOf(path);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].contact, 2);
    EXPECT_EQ(notes[0].record.dateText, "3/7/2026");
    EXPECT_EQ(notes[0].record.date, "2026-03-07");
    EXPECT_FALSE(notes[0].record.time);
    EXPECT_EQ(notes[1].record.date, "2026-03-09");
    EXPECT_EQ(notes[1].record.time, "14:30:00");
    EXPECT_EQ(notes[2].record.date, "2026-12-31");
    // One connection is one run.
    EXPECT_EQ(notes[0].run, notes[2].run);
}

TEST(Automation, RefusesAWholeNoteForAnUnknownContactOrAnUnreadableDate) {
    TempFolder t;
    const std::string path = makeDatabase(t.file("a.pwdb"), 3);
    Connection c(path);
    // The first note of a connection would also make its run: neither may be left behind.
    EXPECT_THROW(c.note(u"C000009", u"3/7/2026"), Failure);
    EXPECT_THROW(c.note(u"C0000001", u"3/7/2026"), Failure);
    EXPECT_THROW(c.note(u"C000001", u"2/30/2026"), Failure);
    EXPECT_THROW(c.note(u"C000001", u"3/7/2026 and then some"), Failure);
    EXPECT_TRUE(notesOf(path).empty());
    EXPECT_TRUE(Store(path).runs().empty());
    // A refused record is used up: a second Update has nothing to store.
    EXPECT_THROW(c.db->NOTEHISTORY().Update(), Failure);
    c.note(u"C000001", u"3/7/2026");
    EXPECT_EQ(notesOf(path).size(), 1u);
    EXPECT_EQ(Store(path).runs().size(), 1u);
}

TEST(Automation, LookupFindsOnlyExistingContactsByIdentifier) {
    TempFolder t;
    Connection c(makeDatabase(t.file("a.pwdb"), 3));
    std::u16string id = u"C000003";
    c.db->Contact().Lookup(1, id, 1);
    EXPECT_EQ(toText(c.db->Contact().Data(2)), u"Contact 3");
    std::u16string missing = u"C000004";
    EXPECT_THROW(c.db->Contact().Lookup(1, missing, 1), Failure);
    EXPECT_THROW(c.db->Contact().Lookup(2, id, 1), Failure);
}

TEST(Automation, AMultiUserDatabaseTakesNotesOnlyFromALoggedInConnection) {
    TempFolder t;
    const std::string path = makeDatabase(t.file("a.pwdb"), 2);
    Store(path).addUser("Pat", "s3cret");
    Connection c(path);
    EXPECT_TRUE(toBool(c.db->IsMultiUser()));
    EXPECT_THROW(c.note(u"C000001", u"3/7/2026"), Failure);  // never logged in

    std::u16string user = u"pat", wrong = u"guess";
    c.db->validateuser(user, wrong);
    EXPECT_TRUE(toBool(c.db->Error()));
    EXPECT_THROW(c.note(u"C000001", u"3/7/2026"), Failure);

    std::u16string right = u"s3cret";
    c.db->validateuser(user, right);
    EXPECT_FALSE(toBool(c.db->Error()));
    c.note(u"C000001", u"3/7/2026");

    // A later refusal logs the connection out again.
    c.db->validateuser(user, wrong);
    EXPECT_THROW(c.note(u"C000002", u"3/7/2026"), Failure);

    const auto notes = notesOf(path);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].userName, "Pat");  // as stored, not as typed
}

TEST(Automation, ASingleUserDatabaseTakesAnyLogin) {
    TempFolder t;
    Connection c(makeDatabase(t.file("a.pwdb"), 1));
    EXPECT_FALSE(toBool(c.db->IsMultiUser()));
    std::u16string user = u"anyone", password;
    c.db->validateuser(user, password);
    EXPECT_FALSE(toBool(c.db->Error()));
}

// Two runs at work on one rest, or a stalled run waking after its rest was written: a contact
// that a run of the family has reached is refused, and a refused first note leaves no run.
TEST(Store, RunsOfOneFamilyNeverGiveAContactTheNoteTwice) {
    TempFolder t;
    Store store(makeDatabase(t.file("a.pwdb"), 4));
    const auto note = [](std::int64_t contact) {
        embedded::NoteRecord n;
        n.contact = contact;
        n.text = "x";
        n.dateText = n.date = "2026-03-07";
        return n;
    };
    const std::vector<std::int64_t> lookup{1, 2, 3, 4}, rest{2, 3, 4};
    std::int64_t first = 0, second = 0, third = 0, plain = 0;
    store.addNote(note(1), first, "u", false, {&lookup, std::nullopt});
    store.addNote(note(2), second, "u", false, {&rest, first});
    const std::string twice = failureText([&] { store.addNote(note(2), first, "u", false); });
    EXPECT_NE(twice.find("C000002 already has this note, from run 2"), std::string::npos) << twice;
    store.addNote(note(3), first, "u", false);  // the stalled run goes on where it may
    EXPECT_THROW(store.addNote(note(3), second, "u", false), Failure);
    EXPECT_THROW(store.addNote(note(1), third, "u", false, {&rest, second}), Failure);
    EXPECT_EQ(third, 0);
    EXPECT_EQ(store.runs().size(), 2u);
    // Outside a family a connection may add a contact as many notes as it likes.
    store.addNote(note(1), plain, "u", false);
    store.addNote(note(1), plain, "u", false);
    EXPECT_EQ(notesOf(store.path()).size(), 5u);
    EXPECT_EQ(store.resolve({embedded::LookupQuery::Kind::RestOfRun, {}, {}, false, second}),
              (std::vector<std::int64_t>{4}));
}

TEST(Store, UndoRemovesExactlyOneRunOnce) {
    TempFolder t;
    const std::string path = makeDatabase(t.file("a.pwdb"), 3);
    {
        Connection first(path);
        first.note(u"C000001", u"3/7/2026", u"first");
        first.note(u"C000002", u"3/7/2026", u"first");
    }
    {
        Connection second(path);
        second.note(u"C000001", u"3/8/2026", u"second");
    }
    Store store(path);
    const auto runs = store.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].notes, 2);
    EXPECT_EQ(runs[1].notes, 1);
    EXPECT_EQ(store.undoRun(runs[0].id), 2);
    const auto left = notesOf(path);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].record.text, "second");
    EXPECT_TRUE(store.run(runs[0].id)->undoneAt);
    EXPECT_THROW(store.undoRun(runs[0].id), Failure);
    EXPECT_THROW(store.undoRun(99), Failure);
}

}  // namespace
}  // namespace penwick::testing

namespace penwick::testing {
namespace {

using embedded::Store;

// Imported rows go in by batches: every contact keeps its own extra fields whatever batch it
// fell in, numbering goes on from the contacts there were, and an import not committed leaves
// nothing behind, not even the names of its fields.
TEST(Store, ImportedContactsKeepTheirExtraFieldsAcrossBatches) {
    TempFolder t;
    Store store(makeDatabase(t.file("a.pwdb"), 3));
    {
        auto import = store.importContacts({"Ref", "Note"});
        for (int i = 0; i < 130; ++i) {
            const std::string n = std::to_string(i);
            import.add({"P" + n, "", "", "", ""}, {"R" + n, i % 3 == 0 ? "" : "N\n" + n});
        }
        import.commit();
    }
    {
        auto dropped = store.importContacts({"Lost"});
        dropped.add({"Nobody", "", "", "", ""}, {"x"});
    }
    EXPECT_EQ(store.extraFields(), (std::vector<std::string>{"Ref", "Note"}));
    std::int64_t seen = 0;
    store.forEachContact([&](const embedded::Contact& c) {
        ++seen;
        EXPECT_EQ(c.number, seen);
        ASSERT_EQ(c.extras.size(), 2u);
        if (c.number <= 3) {
            EXPECT_EQ(c.extras, (std::vector<std::string>{"", ""}));
            return;
        }
        const std::string n = std::to_string(c.number - 4);
        EXPECT_EQ(c.fields.name, "P" + n);
        EXPECT_EQ(c.extras[0], "R" + n);
        EXPECT_EQ(c.extras[1], (c.number - 4) % 3 == 0 ? "" : "N\n" + n);
    });
    EXPECT_EQ(seen, 133);
    EXPECT_EQ(store.contactValue(101, store.contactField("note")), "N\n97");
    EXPECT_EQ(store.contactValue(999, store.contactField("note")), std::nullopt);
    EXPECT_THROW(store.contactField("Lost"), Failure);
}

}  // namespace
}  // namespace penwick::testing
