#pragma once
// What a contact database does whatever engine keeps it: users, contacts and their fields,
// lookups, runs and notes, through the store and through the automation classes. One suite,
// run against each engine. An engine supplies a Databases type:
//
//   std::string fresh(const TempFolder&);   a name no database has yet
//   std::string layoutVersionSql(int);       SQL that marks a database as of that layout
//   static constexpr int layoutVersion;      the layout it makes
//
// and instantiates, in namespace penwick::testing::store_contract:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, StoreContract, Types<Databases>).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contacts/factory.h"
#include "contacts/store.h"
#include "embedded_support.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing::store_contract {

template <class Databases>
class StoreContract : public ::testing::Test {
protected:
    std::string fresh() { return databases.fresh(folder); }
    std::string created() {
        const std::string name = fresh();
        contacts::Store::create(name);
        return name;
    }

    TempFolder folder;
    Databases databases;
};

TYPED_TEST_SUITE_P(StoreContract);

using contacts::Store;

// Every row of every table, in a fixed order, each as its columns' texts ("NULL" for none):
// two databases with equal dumps hold the same data under the same identifiers.
// Users are listed by name and whether each is an administrator: a server keeps no hashes.
inline std::vector<std::string> dumpOf(const std::string& database) {
    static const char* const selects[] = {
        "SELECT id, name, company, phone, email, city FROM contact ORDER BY id",
        "SELECT id, name FROM extra_field ORDER BY id",
        "SELECT contact_id, field_id, value FROM contact_extra ORDER BY contact_id, field_id",
        "SELECT id, started_at, user_name, host, pid, undone_at, lookup_size, continues_run "
        "FROM run ORDER BY id",
        "SELECT run_id, position, contact_id FROM run_lookup ORDER BY run_id, position",
        "SELECT id, contact_id, run_id, type_code, text, attachment, date_text, date, time, "
        "written_at, user_name FROM note ORDER BY id",
    };
    Store store(database);
    std::vector<std::string> rows;
    for (const contacts::UserEntry& user : store.users())
        rows.push_back("user:|" + user.name + (user.admin ? "|admin" : "|writer"));
    for (const char* select : selects) {
        const std::string sql = select;
        const std::size_t columns =
            std::size_t(std::count(sql.begin(), sql.begin() + long(sql.find(" FROM ")), ',')) + 1;
        auto q = store.connection().query(sql);
        while (q.step()) {
            std::string row = sql.substr(sql.find(" FROM ") + 6, 12) + ":";
            for (std::size_t c = 0; c < columns; ++c) {
                row += '|';
                row += q.optionalText(int(c)).value_or("NULL");
            }
            rows.push_back(row);
        }
    }
    return rows;
}

// A database with something in every table: two users, contacts with extra fields (one
// with none), a run stopped part way and the run that continued it, and an undone run.
inline void fillEveryTable(const std::string& database) {
    Store store(database);
    store.addUser("Ann", "first password");
    store.addUser("Bob", "zweites Paßwort", true);
    auto import = store.importContacts({"Customer No", "Région"});
    import.add({"Zoë Grün", "Acme, Inc.", "+49 221 1", "zoe@example.com", "Köln"}, {"K-1", "Nord"});
    import.add({"Bob \"Bobby\" Tables", "", "", "", ""}, {"", ""});
    import.add({"Line\nbreak", "x", "y", "z", "Rome"}, {"K-3", ""});
    import.commit();
    const auto note = [](std::int64_t contact, std::string text, bool attached) {
        contacts::NoteRecord n;
        n.contact = contact;
        n.text = std::move(text);
        n.typeCode = attached ? 14 : 100;
        if (attached) n.attachment = "/home/ann/offer.pdf";
        n.dateText = "3/7/2026 9:05";
        n.date = "2026-03-07";
        n.time = "09:05:00";
        return n;
    };
    const std::vector<std::int64_t> lookup{3, 1, 2}, rest{1, 2};
    std::int64_t first = 0, second = 0, undone = 0;
    store.addNote(note(3, "first", false), first, "Ann", true, {&lookup, std::nullopt});
    store.addNote(note(1, "rest €", true), second, "Bob", true, {&rest, first});
    store.addNote(note(2, "gone", false), undone, "Ann", true);
    store.undoRun(undone);
}

inline std::string failureText(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& failure) {
        return toUtf8(failure.description());
    }
    return "(no failure)";
}

TYPED_TEST_P(StoreContract, LookupsSelectByFieldIgnoringCaseAndKeepTheGivenOrderOfIdentifiers) {
    Store store(this->created());
    store.addContacts({{"Ann", "Acme", "", "", "Paris"},
                       {"Bob", "Bolt", "", "", "paris"},
                       {"Cy", "Acme", "", "", "Rome"}});
    contacts::LookupQuery all;
    EXPECT_EQ(store.resolve(all), (std::vector<std::int64_t>{1, 2, 3}));
    contacts::LookupQuery where{contacts::LookupQuery::Kind::Where, {{"city", "PARIS"}}, {}};
    EXPECT_EQ(store.resolve(where), (std::vector<std::int64_t>{1, 2}));
    where.where.emplace_back("company", "acme");
    EXPECT_EQ(store.resolve(where), (std::vector<std::int64_t>{1}));
    // A value is bound, never spliced into the SQL.
    contacts::LookupQuery tricky{
        contacts::LookupQuery::Kind::Where, {{"name", "x' OR '1'='1"}}, {}};
    EXPECT_TRUE(store.resolve(tricky).empty());
    contacts::LookupQuery ids{contacts::LookupQuery::Kind::Ids, {}, {3, 1}};
    EXPECT_EQ(store.resolve(ids), (std::vector<std::int64_t>{3, 1}));
    ids.ids.push_back(9);
    EXPECT_THROW(store.resolve(ids), Failure);
    contacts::LookupQuery unknown{contacts::LookupQuery::Kind::Where, {{"id; DROP", "1"}}, {}};
    EXPECT_THROW(store.resolve(unknown), Failure);
}

// Conditions of each kind, alone and combined, on fixed and extra fields.
TYPED_TEST_P(StoreContract, ConditionsCompareContainOrDifferAndMayBeAlternatives) {
    using Op = contacts::Condition::Op;
    Store store(this->created());
    store.addContacts({{"Ann Smith", "Acme", "", "", "Paris"},
                       {"Bob", "Bolt 100%", "555", "", "paris"},
                       {"Cy SMITHERS", "", "", "", "Rome"},
                       {"Di", "Acme", "556", "", ""}});
    store.connection().exec(
        "INSERT INTO extra_field(name) VALUES ('Region'), ('Tier');"
        "INSERT INTO contact_extra VALUES (1, 1, 'North'), (2, 1, 'south'), (3, 1, ''),"
        " (3, 2, 'Gold')");
    const auto select = [&](std::vector<contacts::Condition> conditions, bool any = false) {
        return store.resolve({contacts::LookupQuery::Kind::Where, std::move(conditions), {}, any});
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
    EXPECT_EQ(store.countSelected({contacts::LookupQuery::Kind::Where, {{"city", "paris"}}, {}}),
              2);
}

// The automation objects of one connection on a database of three contacts.
struct AutomationConnection {
    explicit AutomationConnection(const std::string& database) : path(fromUtf8(database)) {
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
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    std::unique_ptr<lookup::ContactManagerFactory> factory =
        contacts::makeContactManagerFactory(locale, clock, "/nonexistent/session.ini");
    std::u16string path;
    std::unique_ptr<lookup::Database> db;
};

TYPED_TEST_P(StoreContract, ClassesAreCreatedByNameOnly) {
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    auto factory = contacts::makeContactManagerFactory(locale, clock, "/nonexistent/session.ini");
    EXPECT_TRUE(factory->createDatabase(u"actole.database"));
    try {
        factory->createApplication(u"ACTOLE.OTHER");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::CannotCreateObject);
    }
}

TYPED_TEST_P(StoreContract, NotesKeepTheDateAsWrittenAndAsACalendarDate) {
    const std::string path = makeDatabase(this->fresh(), 3);
    AutomationConnection c(path);
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

TYPED_TEST_P(StoreContract, RefusesAWholeNoteForAnUnknownContactOrAnUnreadableDate) {
    const std::string path = makeDatabase(this->fresh(), 3);
    AutomationConnection c(path);
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
    // The same for a later note of the run, to a contact removed meanwhile.
    Store(path).connection().exec("DELETE FROM contact WHERE id = 3");
    const std::string removed = failureText([&] { c.note(u"C000003", u"3/7/2026"); });
    EXPECT_NE(removed.find("C000003"), std::string::npos) << removed;
    EXPECT_EQ(notesOf(path).size(), 1u);
}

TYPED_TEST_P(StoreContract, LookupFindsOnlyExistingContactsByIdentifier) {
    AutomationConnection c(makeDatabase(this->fresh(), 3));
    std::u16string id = u"C000003";
    c.db->Contact().Lookup(1, id, 1);
    EXPECT_EQ(toText(c.db->Contact().Data(2)), u"Contact 3");
    std::u16string missing = u"C000004";
    EXPECT_THROW(c.db->Contact().Lookup(1, missing, 1), Failure);
    EXPECT_THROW(c.db->Contact().Lookup(2, id, 1), Failure);
}

TYPED_TEST_P(StoreContract, AMultiUserDatabaseTakesNotesOnlyFromALoggedInConnection) {
    const std::string path = makeDatabase(this->fresh(), 2);
    Store(path).addUser("Pat", "s3cret");
    AutomationConnection c(path);
    EXPECT_TRUE(toBool(c.db->IsMultiUser(), u""));
    EXPECT_THROW(c.note(u"C000001", u"3/7/2026"), Failure);  // never logged in

    std::u16string user = u"pat", wrong = u"guess";
    c.db->validateuserByRef(user, wrong);
    EXPECT_TRUE(toBool(c.db->Error(), u""));
    EXPECT_THROW(c.note(u"C000001", u"3/7/2026"), Failure);

    std::u16string right = u"s3cret";
    c.db->validateuserByRef(user, right);
    EXPECT_FALSE(toBool(c.db->Error(), u""));
    c.note(u"C000001", u"3/7/2026");

    // A later refusal logs the connection out again.
    c.db->validateuserByRef(user, wrong);
    EXPECT_THROW(c.note(u"C000002", u"3/7/2026"), Failure);

    const auto notes = notesOf(path);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].userName, "Pat");  // as stored, not as typed
}

TYPED_TEST_P(StoreContract, ASingleUserDatabaseTakesAnyLogin) {
    AutomationConnection c(makeDatabase(this->fresh(), 1));
    EXPECT_FALSE(toBool(c.db->IsMultiUser(), u""));
    std::u16string user = u"anyone", password;
    c.db->validateuserByRef(user, password);
    EXPECT_FALSE(toBool(c.db->Error(), u""));
}

// Two runs at work on one rest, or a stalled run waking after its rest was written: a contact
// that a run of the family has reached is refused, and a refused first note leaves no run.
TYPED_TEST_P(StoreContract, RunsOfOneFamilyNeverGiveAContactTheNoteTwice) {
    Store store(makeDatabase(this->fresh(), 4));
    const auto note = [](std::int64_t contact) { return noteFor(contact); };
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
    EXPECT_EQ(store.resolve({contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, second}),
              (std::vector<std::int64_t>{4}));
}

TYPED_TEST_P(StoreContract, UndoRemovesExactlyOneRunOnce) {
    const std::string path = makeDatabase(this->fresh(), 3);
    {
        AutomationConnection first(path);
        first.note(u"C000001", u"3/7/2026", u"first");
        first.note(u"C000002", u"3/7/2026", u"first");
    }
    {
        AutomationConnection second(path);
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

// Imported rows go in by batches: every contact keeps its own extra fields whatever batch it
// fell in, numbering goes on from the contacts there were, and an import not committed leaves
// nothing behind, not even the names of its fields.
TYPED_TEST_P(StoreContract, ImportedContactsKeepTheirExtraFieldsAcrossBatches) {
    Store store(makeDatabase(this->fresh(), 3));
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
    store.forEachContact([&](const contacts::Contact& c) {
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

// A database is made once; a second making of the same name is refused and the first is left
// as it was. One of a newer layout is refused by name and version.
TYPED_TEST_P(StoreContract, IsMadeOnceAndRefusedWhenOfANewerLayout) {
    const std::string name = this->created();
    const std::string id = Store(name).databaseId();
    EXPECT_EQ(id.size(), 32u);
    EXPECT_THROW(Store::create(name), Failure);
    EXPECT_EQ(Store(name).databaseId(), id);
    constexpr int version = TypeParam::layoutVersion;
    Store(name).connection().exec(this->databases.layoutVersionSql(version + 1));
    const std::string newer = failureText([&] { Store store(name); });
    EXPECT_NE(newer.find("has database layout version " + std::to_string(version + 1) +
                         "; this program reads version " + std::to_string(version)),
              std::string::npos)
        << newer;
}

// A copy holds every row of the original under the same identifiers, as a database of its own
// (another identity), that hands out identifiers after the copied ones; users log in to it
// with their passwords.
TYPED_TEST_P(StoreContract, ACopyKeepsEveryRowAndGoesOnFromThere) {
    const std::string original = this->created();
    fillEveryTable(original);
    const std::string copy = this->fresh();
    contacts::CopyCounts counts;
    {
        Store source(original);
        Store::create(copy, [&](Store& made) { counts = made.copyFrom(source); });
    }
    EXPECT_EQ(dumpOf(copy), dumpOf(original));
    EXPECT_EQ(counts.users, 2);
    EXPECT_EQ(counts.contacts, 3);
    EXPECT_EQ(counts.extraFields, 2);
    EXPECT_EQ(counts.extraValues, 3);
    EXPECT_EQ(counts.runs, 3);
    EXPECT_EQ(counts.lookupEntries, 5);
    EXPECT_EQ(counts.notes, 2);
    Store made(copy);
    EXPECT_NE(made.databaseId(), Store(original).databaseId());
    EXPECT_EQ(made.verifyUser("bob", "zweites Paßwort"), "Bob");
    EXPECT_FALSE(made.verifyUser("Ann", "zweites Paßwort"));
    made.addContacts({{"New", "", "", "", ""}});
    EXPECT_EQ(made.resolve({contacts::LookupQuery::Kind::Where, {{"name", "new"}}, {}}),
              (std::vector<std::int64_t>{4}));
    contacts::NoteRecord n;
    n.contact = 4;
    n.text = "after the copy";
    n.dateText = n.date = "2026-03-08";
    std::int64_t run = 0;
    made.addNote(n, run, "Ann", true);
    EXPECT_EQ(run, 4);
    EXPECT_EQ(made.resolve({contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, 1}),
              (std::vector<std::int64_t>{2}));
    // A copy goes only into a new database.
    EXPECT_THROW(Store::create(copy, [&](Store& again) { again.copyFrom(made); }), Failure);
}

REGISTER_TYPED_TEST_SUITE_P(
    StoreContract, IsMadeOnceAndRefusedWhenOfANewerLayout, ACopyKeepsEveryRowAndGoesOnFromThere,
    LookupsSelectByFieldIgnoringCaseAndKeepTheGivenOrderOfIdentifiers,
    ConditionsCompareContainOrDifferAndMayBeAlternatives, ClassesAreCreatedByNameOnly,
    NotesKeepTheDateAsWrittenAndAsACalendarDate,
    RefusesAWholeNoteForAnUnknownContactOrAnUnreadableDate,
    LookupFindsOnlyExistingContactsByIdentifier,
    AMultiUserDatabaseTakesNotesOnlyFromALoggedInConnection, ASingleUserDatabaseTakesAnyLogin,
    RunsOfOneFamilyNeverGiveAContactTheNoteTwice, UndoRemovesExactlyOneRunOnce,
    ImportedContactsKeepTheirExtraFieldsAcrossBatches);

}  // namespace penwick::testing::store_contract
