// penwick-contacts end to end, through the same entry point as its main.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "tool_fixture.h"
#include "tools/commands.h"
#include "tools/contacts_tool.h"
#include "tools/demo.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

TEST_F(Tool, ImportsCsvWithQuotingAndListsTheContacts) {
    ok({"init", db});
    const std::string csv = write("c.csv",
                                  "\xEF\xBB\xBF"
                                  "Name,E-mail,City\r\n"
                                  "\"Doe, Jane\",jane@example.com,Paris\r\n"
                                  "\"Bob \"\"the builder\"\"\",,\"Saint-\nDenis\"\r\n"
                                  "Zoë,z@example.com,Köln\r\n");
    EXPECT_NE(ok({"import", db, csv}).out.find("added 3 contacts"), std::string::npos);
    EXPECT_EQ(ok({"contacts", db, "--format", "csv"}).out,
              "id,name,company,phone,email,city\r\n"
              "C000001,\"Doe, Jane\",,,jane@example.com,Paris\r\n"
              "C000002,\"Bob \"\"the builder\"\"\",,,,\"Saint-\nDenis\"\r\n"
              "C000003,Zoë,,,z@example.com,Köln\r\n");
    const std::string json = ok({"contacts", db, "--format=json"}).out;
    EXPECT_NE(json.find("\"name\": \"Bob \\\"the builder\\\"\""), std::string::npos);
    EXPECT_NE(json.find("\"city\": \"Saint-\\nDenis\""), std::string::npos);
}

TEST_F(Tool, AFaultyCsvImportsNothing) {
    ok({"init", db});
    const auto importing = [&](const std::string& content, const std::string& expected) {
        const Tool::Result r = fails({"import", db, write("bad.csv", content)});
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    };
    importing("name,city\nAnn,Paris\nBob\n", "line 3");
    importing("name,city\nAnn,Paris\nBob,Rome,Italy\n", "line 3 of the CSV file has 3 cells");
    importing("name,name\nAnn,Ann\n", "twice");
    importing("name\nAnn\n\"Bob\n", "never closed");
    importing("name\nZo\xC3\xAB\nAnn\xE9\n", "line 3, column 4");
    importing("name,shoe size,Shoe Size\nAnn,9,9\n", "twice");
    EXPECT_EQ(ok({"contacts", db, "--format", "csv"}).out, "id,name,company,phone,email,city\r\n");
}

TEST_F(Tool, OpenLookupAndStatus) {
    fails({"status"});
    ok({"init", db});
    ok({"import", db, write("c.csv", "name,city\nAnn,Paris\nBob,Rome\nCy,paris\n")});
    fails({"lookup", "--all"});  // nothing open yet
    ok({"open", db});
    EXPECT_NE(ok({"status"}).out.find("all contacts, 3 contacts"), std::string::npos);
    EXPECT_NE(ok({"lookup", "--where", "city=PARIS"}).out.find("2 contacts"), std::string::npos);
    EXPECT_NE(ok({"lookup", "--ids", "C000003,C000001"}).out.find("2 contacts"), std::string::npos);
    const auto session = contacts::readSession(t.file("cfg/session.ini"));
    ASSERT_TRUE(session);
    EXPECT_EQ(session->lookup.ids, (std::vector<std::int64_t>{3, 1}));
    // A wrong lookup leaves the one before in place.
    fails({"lookup", "--ids", "C000009"});
    fails({"lookup", "--where", "shoe=9"});
    fails({"lookup", "--all", "--ids", "C000001"});
    EXPECT_EQ(contacts::readSession(t.file("cfg/session.ini"))->lookup.ids,
              (std::vector<std::int64_t>{3, 1}));
    fails({"open", t.file("missing.pwdb")});
    fails({"open", db, "--user", "Pat"});  // no users in this database
}

// The ways of choosing contacts, as a user types them, and what status then says.
TEST_F(Tool, LookupsByConditionsIdentifierFilesAndRuns) {
    ok({"init", db});
    ok({"import", db,
        write("c.csv", "name,company,city\nAnn Smith,Acme,Paris\nBob,,Rome\nCy Smithers,Bolt,\n")});
    ok({"open", db});
    const auto lookup = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "lookup");
        return ok(args).out;
    };
    EXPECT_EQ(lookup({"--where", "name~SMITH", "company!=acme"}),
              "lookup: contacts whose name contains \"SMITH\" and company is not \"acme\", "
              "1 contact\n");
    EXPECT_EQ(lookup({"--where", "city=", "company=", "--any"}),
              "lookup: contacts whose city is empty or company is empty, 2 contacts\n");
    EXPECT_EQ(ok({"status"}).out.substr(ok({"status"}).out.find("lookup:")),
              "lookup:   contacts whose city is empty or company is empty, 2 contacts\n");
    // Field names as the database names them, whatever case was typed.
    EXPECT_NE(lookup({"--where", "CITY=paris"}).find("city is \"paris\", 1 contact\n"),
              std::string::npos);

    // One identifier a line, blank lines and spaces aside; each contact once.
    EXPECT_NE(lookup({"--ids-file", write("ids.txt", "C000003\r\n\n  C000001 \nC000003\n")})
                  .find("2 chosen contacts, 2 contacts"),
              std::string::npos);
    EXPECT_EQ(contacts::readSession(t.file("cfg/session.ini"))->lookup.ids,
              (std::vector<std::int64_t>{3, 1}));
    const Result badLine = fails({"lookup", "--ids-file", write("bad.txt", "C000001\nC1\n")});
    EXPECT_NE(badLine.err.find("line 2 of"), std::string::npos) << badLine.err;
    fails({"lookup", "--ids-file", write("none.txt", "\n\n")});
    fails({"lookup", "--ids-file", t.file("missing.txt")});
    fails({"lookup", "--ids-file", write("gone.txt", "C000009\n")});  // no such contact

    // Wrong command lines name what is wrong and keep the lookup before.
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"lookup", "--where", "city"},
                                               {"lookup", "--where", "city~"},
                                               {"lookup", "--where", "city!x"},
                                               {"lookup", "--all", "--any"},
                                               {"lookup", "--run", "1", "--ids", "C000001"},
                                               {"lookup", "--run", "x"}}) {
        EXPECT_EQ(fails(wrong).status, 2) << wrong.back();
    }
    const Result unknownField = fails({"lookup", "--where", "shoe size=9"});
    EXPECT_NE(unknownField.err.find("unknown field shoe size"), std::string::npos);
    fails({"lookup", "--run", "1"});  // no runs yet
    fails({"lookup", "--rest-of-run", "1"});
    EXPECT_EQ(contacts::readSession(t.file("cfg/session.ini"))->lookup.ids,
              (std::vector<std::int64_t>{3, 1}));
}

TEST_F(Tool, UsersMakeTheDatabaseAskForALogin) {
    ok({"init", db});
    fails({"add-user", db, "Pat"});  // the password never goes on the command line
    fails({"add-user", db, "Pat", "--password-stdin"}, "\n");
    EXPECT_NE(ok({"add-user", db, "Pat", "--password-stdin"}, "s3cret\n").out.find("login"),
              std::string::npos);
    fails({"add-user", db, "pat", "--password-stdin"}, "x\n");  // names ignore case
    contacts::Store store(db);
    EXPECT_TRUE(store.isMultiUser());
    EXPECT_EQ(store.verifyUser("Pat", "s3cret"), "Pat");
    EXPECT_FALSE(store.verifyUser("Pat", "s3cret\n"));
    ok({"open", db, "--user", "pat", "--password-stdin"}, "s3cret\n");
    EXPECT_EQ(contacts::readSession(t.file("cfg/session.ini"))->user, "Pat");
    fails({"open", db, "--user", "Nobody", "--password-stdin"}, "s3cret\n");
}

// On a database with users, whoever can write the file still needs a user's password to
// change it: adding users (administrators only), importing, opening as a user, undoing a run
// (its author or an administrator).
TEST_F(Tool, ADatabaseWithUsersAsksTheToolForAPassword) {
    db = makeDatabase(db, 3);
    // The first user is an administrator, and is told so.
    EXPECT_NE(
        ok({"add-user", db, "Pat", "--password-stdin"}, "pat-pw\n").out.find("(administrator)"),
        std::string::npos);
    EXPECT_TRUE(contacts::Store(db).isAdmin("Pat"));
    const std::string csv = write("c.csv", "name\nZed\n");

    // No login, a wrong password, an unknown name: refused alike, nothing changed.
    fails({"add-user", db, "Eve", "--password-stdin"}, "eve-pw\n");
    const auto wrong =
        fails({"add-user", db, "Eve", "--user", "Pat", "--password-stdin"}, "guess\neve-pw\n");
    const auto unknown =
        fails({"add-user", db, "Eve", "--user", "Nobody", "--password-stdin"}, "guess\neve-pw\n");
    EXPECT_EQ(wrong.err, unknown.err);
    fails({"import", db, csv});
    fails({"import", db, csv, "--user", "Pat", "--password-stdin"}, "guess\n");
    fails({"open", db, "--user", "Pat"});  // no terminal to ask on
    EXPECT_EQ(contacts::Store(db).contactCount(), 3);
    EXPECT_TRUE(std::ranges::none_of(contacts::Store(db).users(),
                                     [](const auto& u) { return u.name == "Eve"; }));

    EXPECT_EQ(ok({"add-user", db, "Eve", "--user", "Pat", "--password-stdin"}, "pat-pw\neve-pw\n")
                  .out.find("administrator"),
              std::string::npos);
    EXPECT_NE(
        fails({"add-user", db, "Mal", "--user", "Eve", "--password-stdin"}, "eve-pw\nmal-pw\n")
            .err.find("administrator"),
        std::string::npos);
    ok({"import", db, csv, "--user", "eve", "--password-stdin"}, "eve-pw\n");
    EXPECT_EQ(contacts::Store(db).contactCount(), 4);

    // Asked on the terminal when not given on standard input.
    std::vector<std::string> prompts;
    askPassword = [&](const std::string& prompt) -> std::optional<std::string> {
        prompts.push_back(prompt);
        return "eve-pw";
    };
    ok({"open", db, "--user", "Eve"});
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("Eve"), std::string::npos);
    askPassword = nullptr;

    // A run each by Pat and by Eve, written through logged-in connections.
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    auto factory = contacts::makeContactManagerFactory(locale, clock, t.file("none.ini"));
    for (const auto& [user, password] : {std::pair{u"Pat", u"pat-pw"}, {u"Eve", u"eve-pw"}}) {
        auto connection = factory->createDatabase(u"ACTOLE.DATABASE");
        std::u16string path = fromUtf8(db), name = user, secret = password;
        connection->Open(path);
        connection->validateuserByRef(name, secret);
        auto& h = connection->NOTEHISTORY();
        h.Add();
        h.Data(29, std::u16string(u"C000001"));
        h.Data(200, std::u16string(u"3/7/2026"));
        h.Update();
    }
    // Eve works in the database now, so her name is the default user.
    EXPECT_NE(fails({"undo-run", db, "1", "--yes", "--password-stdin"}, "eve-pw\n")
                  .err.find("written by Pat"),
              std::string::npos);
    ok({"undo-run", db, "2", "--yes", "--password-stdin"}, "eve-pw\n");  // her own
    ok({"add-user", db, "Ann", "--admin", "--user", "Pat", "--password-stdin"}, "pat-pw\nann\n");
    ok({"undo-run", db, "1", "--yes", "--user", "Ann", "--password-stdin"}, "ann\n");
    EXPECT_TRUE(notesOf(db).empty());
}

TEST_F(Tool, RunsAreListedAndOneCanBeUndoneAfterConfirmation) {
    db = makeDatabase(db, 3);
    // Two runs, as two connections of the program would write them.
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    auto factory = contacts::makeContactManagerFactory(locale, clock, t.file("none.ini"));
    for (int run = 0; run < 2; ++run) {
        auto connection = factory->createDatabase(u"ACTOLE.DATABASE");
        std::u16string path = fromUtf8(db);
        connection->Open(path);
        for (int k = 0; k <= run; ++k) {
            auto& h = connection->NOTEHISTORY();
            h.Add();
            h.Data(29, std::u16string(u"C00000") + char16_t(u'1' + k));
            h.Data(200, std::u16string(u"3/7/2026"));
            h.Update();
        }
    }
    const std::string runs = ok({"runs", db, "--format", "csv"}).out;
    EXPECT_NE(runs.find("\r\n1,"), std::string::npos);
    // Connections that loaded no lookup: its size and whether it was finished are unknown.
    EXPECT_NE(runs.find(",,1,unknown,,\r\n"), std::string::npos);  // run 1: one note
    EXPECT_NE(runs.find(",,2,unknown,,\r\n"), std::string::npos);  // run 2: two notes

    Tool::Result declined = fails({"undo-run", db, "2"}, "n\n");
    EXPECT_NE(declined.out.find("2 notes"), std::string::npos);
    fails({"undo-run", db, "2"}, "");  // no answer is no
    EXPECT_EQ(notesOf(db).size(), 3u);

    EXPECT_NE(ok({"undo-run", db, "2"}, "yes\n").out.find("removed 2 notes"), std::string::npos);
    const auto left = notesOf(db);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].run, 1);
    fails({"undo-run", db, "2", "--yes"});  // once only
    fails({"undo-run", db, "7", "--yes"});
    ok({"undo-run", db, "1", "--yes"});
    EXPECT_TRUE(notesOf(db).empty());
    EXPECT_NE(ok({"notes", db, "--format", "json"}).out, "");
}

TEST_F(Tool, NotesShowWhatTheRunWrote) {
    db = makeDatabase(db, 2);
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    auto factory = contacts::makeContactManagerFactory(locale, clock, t.file("none.ini"));
    auto connection = factory->createDatabase(u"ACTOLE.DATABASE");
    std::u16string path = fromUtf8(db);
    connection->Open(path);
    auto& h = connection->NOTEHISTORY();
    h.Add();
    h.Data(29, std::u16string(u"C000002"));
    h.Data(26, std::u16string(u"said \"hi\",\nthen left"));
    h.Data(200, std::u16string(u"March 9, 2026"));
    h.Update();
    const std::string csv = ok({"notes", db, "--format", "csv"}).out;
    EXPECT_NE(csv.find("C000002,1,100,2026-03-09,,\"March 9, 2026\",\"said \"\"hi\"\",\nthen "
                       "left\""),
              std::string::npos)
        << csv;
    const std::string table = ok({"notes", db}).out;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2);  // header and one line
    ok({"open", db});
    EXPECT_EQ(ok({"notes"}).out, table);  // the open database by default
    fails({"notes", db, "--format", "xml"});
}

TEST_F(Tool, DemoIsTheSameEveryTimeAndWorksInItsDatabase) {
    const std::string first = ok({"demo", t.file("d1.pwdb")}).out;
    ok({"demo", t.file("d2.pwdb")});
    const std::string c1 = ok({"contacts", t.file("d1.pwdb"), "--format", "csv"}).out;
    EXPECT_EQ(c1, ok({"contacts", t.file("d2.pwdb"), "--format", "csv"}).out);
    EXPECT_EQ(std::count(c1.begin(), c1.end(), '\n'), 1 + long(tools::kDemoContacts));
    const auto session = contacts::readSession(t.file("cfg/session.ini"));
    ASSERT_TRUE(session);
    EXPECT_EQ(session->database, t.file("d2.pwdb"));
    const auto lookup = contacts::Store(session->database).resolve(session->lookup);
    EXPECT_GT(lookup.size(), 0u);
    EXPECT_LT(lookup.size(), tools::kDemoContacts);
    // Again on an existing database: used as it is, never replaced.
    ok({"demo", t.file("d1.pwdb")});
    EXPECT_EQ(ok({"contacts", t.file("d1.pwdb"), "--format", "csv"}).out, c1);
    fails({"demo", write("plain.txt", "not a database")});
    // The default place is the data folder.
    EXPECT_NE(ok({"demo"}).out.find(t.file("data") + "/demo.pwdb"), std::string::npos);
}

TEST_F(Tool, EveryCommandHasHelpAndBadCommandLinesAreOneLine) {
    const std::string overview = ok({"--help"}).out;
    for (const char* command : {"init", "import", "add-user", "open", "lookup", "status",
                                "contacts", "notes", "runs", "undo-run", "demo"}) {
        EXPECT_NE(overview.find(std::string("  ") + command), std::string::npos) << command;
        const Tool::Result help = ok({command, "--help"});
        EXPECT_EQ(help.out.rfind(std::string("usage: penwick-contacts ") + command, 0), 0u)
            << command;
        EXPECT_TRUE(help.err.empty());
    }
    // The usage line names every option the command takes.
    for (const tools::Command& command : tools::commands()) {
        const std::string help = ok({command.name, "--help"}).out;
        const std::string usage = help.substr(0, help.find('\n')) + " ";
        for (const tools::Option& option : command.options) {
            EXPECT_TRUE(usage.find("--" + option.name + " ") != std::string::npos ||
                        usage.find("--" + option.name + "]") != std::string::npos)
                << command.name << " --" << option.name;
        }
    }
    EXPECT_EQ(fails({"frobnicate"}).status, 2);
    EXPECT_EQ(fails({"init"}).status, 2);
    EXPECT_EQ(fails({"init", db, "extra"}).status, 2);
    EXPECT_EQ(fails({"contacts", "--bogus"}).status, 2);
    EXPECT_EQ(fails({"undo-run", db, "x1"}).status, 2);
    EXPECT_EQ(fails({"init", t.file("no/such/folder/a.pwdb")}).status, 1);
}

}  // namespace
}  // namespace penwick::testing
