// The session of the person working in the contact manager, and the lookup files that carry
// its lookup to another connection.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "embedded_support.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using contacts::LookupQuery;

struct SessionFixture : ::testing::Test {
    std::unique_ptr<lookup::Application> application() {
        return factory->createApplication(u"ACTOLE.APPOBJECT");
    }
    std::unique_ptr<lookup::Database> open(const std::string& database) {
        auto db = factory->createDatabase(u"ACTOLE.DATABASE");
        std::u16string path = fromUtf8(database);
        db->Open(path);
        return db;
    }
    std::vector<std::u16string> idsOf(lookup::ContactSet& set) {
        std::vector<std::u16string> ids;
        for (set.MoveFirst(); !set.IsEOF(); set.movenext()) ids.push_back(toText(set.Data(1)));
        return ids;
    }

    TempFolder t;
    std::string sessionPath = t.file("cfg/session.ini");
    std::string lookupFile = t.file("lkup.dat");
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    std::unique_ptr<lookup::ContactManagerFactory> factory =
        contacts::makeContactManagerFactory(locale, clock, sessionPath);
};

TEST_F(SessionFixture, SessionKeepsDatabaseUserAndLookup) {
    using Op = contacts::Condition::Op;
    for (const LookupQuery& lookup :
         {LookupQuery{LookupQuery::Kind::Where, {{"city", "Paris"}, {"name", "A=B"}}, {}},
          LookupQuery{LookupQuery::Kind::Where,
                      {{"name", "x!=y~z", Op::Contains}, {"city", "", Op::NotEqual}, {"phone", ""}},
                      {},
                      /*any=*/true},
          LookupQuery{LookupQuery::Kind::Ids, {}, {7, 3}},
          LookupQuery{LookupQuery::Kind::Run, {}, {}, false, 12},
          LookupQuery{LookupQuery::Kind::RestOfRun, {}, {}, false, 3}}) {
        contacts::Session s{"/data/a.pwdb", "Pat", lookup};
        contacts::writeSession(sessionPath, s);
        const auto back = contacts::readSession(sessionPath);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->database, "/data/a.pwdb");
        EXPECT_EQ(back->user, "Pat");
        EXPECT_EQ(back->lookup.kind, lookup.kind);
        EXPECT_EQ(back->lookup.where, lookup.where);
        EXPECT_EQ(back->lookup.any, lookup.any);
        EXPECT_EQ(back->lookup.ids, lookup.ids);
        EXPECT_EQ(back->lookup.run, lookup.run);
    }
    // A session written before conditions had operators reads as it always did.
    std::ofstream(sessionPath, std::ios::trunc)
        << "penwick-contacts session 1\ndatabase=/d.pwdb\nuser=\nlookup=where\nwhere=city=a=b\n";
    EXPECT_EQ(contacts::readSession(sessionPath)->lookup.where,
              (std::vector<contacts::Condition>{{"city", "a=b"}}));
    EXPECT_FALSE(contacts::readSession(t.file("none.ini")));
    contacts::Session s{"/data/a.pwdb", "two\nlines", {}};
    EXPECT_THROW(contacts::writeSession(sessionPath, s), Failure);
}

TEST_F(SessionFixture, TheApplicationSavesTheLookupAndTheConnectionReloadsIt) {
    const std::string db = makeDatabase(t.file("a.pwdb"), 5);
    contacts::writeSession(sessionPath, {db, "", {LookupQuery::Kind::Ids, {}, {4, 2, 5}}});
    auto app = application();
    EXPECT_EQ(app->GetOpenDBName(), fromUtf8(db));
    EXPECT_FALSE(app->GetCurrentUserName().empty());
    app->SaveCurrentLookup(fromUtf8(lookupFile));
    auto connection = open(db);
    connection->Contact().Loadlookupquery(fromUtf8(lookupFile));
    EXPECT_EQ(toInt32(connection->Contact().recordCount(), u"test"), 3);
    EXPECT_EQ(idsOf(connection->Contact()),
              (std::vector<std::u16string>{u"C000004", u"C000002", u"C000005"}));
}

TEST_F(SessionFixture, NoOpenDatabaseIsAClearFailure) {
    auto app = application();
    try {
        app->GetOpenDBName();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_NE(toUtf8(f.description()).find("no contact database is open"), std::string::npos);
    }
}

TEST_F(SessionFixture, ALookupOfAnotherDatabaseIsRefused) {
    const std::string a = makeDatabase(t.file("a.pwdb"), 3);
    const std::string b = makeDatabase(t.file("b.pwdb"), 3);
    contacts::writeSession(sessionPath, {a, "", {}});
    application()->SaveCurrentLookup(fromUtf8(lookupFile));
    auto connection = open(b);
    try {
        connection->Contact().Loadlookupquery(fromUtf8(lookupFile));
        FAIL() << "a lookup of a.pwdb loaded into b.pwdb";
    } catch (const Failure& f) {
        EXPECT_NE(toUtf8(f.description()).find("belongs to the database"), std::string::npos);
    }
    // A copy of a database file is the same database: its lookups still fit.
    std::filesystem::copy_file(a, t.file("copy.pwdb"));
    open(t.file("copy.pwdb"))->Contact().Loadlookupquery(fromUtf8(lookupFile));
}

TEST_F(SessionFixture, ACutOffOrForeignLookupFileIsRefused) {
    const std::string db = makeDatabase(t.file("a.pwdb"), 3);
    contacts::writeSession(sessionPath, {db, "", {}});
    application()->SaveCurrentLookup(fromUtf8(lookupFile));
    std::string content;
    {
        std::ifstream in(lookupFile);
        content.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto connection = open(db);
    const auto refuses = [&](const std::string& text) {
        std::ofstream(lookupFile, std::ios::trunc) << text;
        EXPECT_THROW(connection->Contact().Loadlookupquery(fromUtf8(lookupFile)), Failure) << text;
    };
    refuses(content.substr(0, content.rfind("end")));      // the last line missing
    refuses(content.substr(0, content.rfind("C000003")));  // cut inside the list
    refuses("penwick-lookup 2\n" + content.substr(content.find('\n') + 1));
    refuses("");
    // Every field is checked, and a count never sizes anything: one clear failure each.
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = content;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    for (const std::string& bad :
         {replaced("count=3", "count=99999999999999"),  // far more than are listed
          replaced("count=3", "count=18446744073709551615"), replaced("count=3", "count=-1"),
          replaced("count=3", "count= 3"), replaced("count=3", "count=3x"),
          replaced("count=3", "count=2"), replaced("count=3", "count="), replaced("count=3\n", ""),
          replaced("C000002", "C000001"),  // a contact twice
          replaced("C000002", "C2"), replaced("C000002", "C000002 "),
          replaced("database-id=", "database-id=zz"), replaced("database-id=", "id="),
          replaced("count=3", "continues-run=x\ncount=3"),
          replaced("count=3", "continues-run=0\ncount=3"),
          replaced("count=3\n", "count=3\ncontinues-run=1\n"),           // out of its place
          content + "C000004\n", content.substr(0, content.size() - 1),  // no last break
          std::string("penwick-lookup 1\0\n", 18)}) {
        std::ofstream(lookupFile, std::ios::trunc | std::ios::binary) << bad;
        try {
            connection->Contact().Loadlookupquery(fromUtf8(lookupFile));
            ADD_FAILURE() << "accepted:\n" << bad;
        } catch (const Failure& f) {
            EXPECT_NE(toUtf8(f.description()).find(lookupFile + " is not a valid lookup file"),
                      std::string::npos)
                << toUtf8(f.description());
        }
    }
    std::ofstream(lookupFile, std::ios::trunc) << content;
    connection->Contact().Loadlookupquery(fromUtf8(lookupFile));
    EXPECT_EQ(idsOf(connection->Contact()).size(), 3u);
}

TEST_F(SessionFixture, AChosenContactRemovedSinceIsLeftOutOfTheSavedLookup) {
    const std::string db = makeDatabase(t.file("a.pwdb"), 3);
    contacts::writeSession(sessionPath, {db, "", {LookupQuery::Kind::Ids, {}, {3, 2, 1}}});
    contacts::Store(db).connection().exec("DELETE FROM contact WHERE id = 2");
    application()->SaveCurrentLookup(fromUtf8(lookupFile));
    auto connection = open(db);
    connection->Contact().Loadlookupquery(fromUtf8(lookupFile));
    EXPECT_EQ(idsOf(connection->Contact()), (std::vector<std::u16string>{u"C000003", u"C000001"}));
}

TEST_F(SessionFixture, AContactRemovedSinceTheLookupWasSavedIsLeftOut) {
    const std::string db = makeDatabase(t.file("a.pwdb"), 3);
    contacts::writeSession(sessionPath, {db, "", {}});
    application()->SaveCurrentLookup(fromUtf8(lookupFile));
    contacts::Store(db).connection().exec("DELETE FROM contact WHERE id = 2");
    auto connection = open(db);
    connection->Contact().Loadlookupquery(fromUtf8(lookupFile));
    EXPECT_EQ(idsOf(connection->Contact()), (std::vector<std::u16string>{u"C000001", u"C000003"}));
    EXPECT_EQ(toInt32(connection->Contact().recordCount(), u"test"), 2);
}

}  // namespace
}  // namespace penwick::testing
