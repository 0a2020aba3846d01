// Importing CSV files as other systems export them, and the tool's own listings imported again.

#include <gtest/gtest.h>

#include <map>

#include "contacts/contact_id.h"
#include "tool_fixture.h"
#include "tools/csv.h"

#ifndef PENWICK_TOOLS_TEST_DATA
#error "PENWICK_TOOLS_TEST_DATA names the folder of the sample exports"
#endif

namespace penwick::testing {
namespace {

using Fields = std::map<std::string, std::string>;

struct Import : Tool {
    static std::string sample(const std::string& name) {
        return std::string(PENWICK_TOOLS_TEST_DATA) + "/" + name;
    }
    // Every contact of the database as header -> value, read back from its CSV listing.
    std::vector<Fields> contacts(const std::string& database) {
        const auto records = tools::parseCsv(ok({"contacts", database, "--format", "csv"}).out);
        std::vector<Fields> out;
        for (std::size_t r = 1; r < records.size(); ++r) {
            Fields fields;
            for (std::size_t c = 0; c < records[0].fields.size(); ++c) {
                fields.emplace(records[0].fields[c], records[r].fields.at(c));
            }
            out.push_back(fields);
        }
        return out;
    }
    bool has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(Import, AGoogleContactsExportKeepsEveryColumn) {
    ok({"init", db});
    const std::string report = ok({"import", db, sample("google-contacts.csv")}).out;
    EXPECT_TRUE(has(report, "read 3 rows")) << report;
    EXPECT_TRUE(has(report, "\"Organization Name\" -> company")) << report;
    EXPECT_TRUE(has(report, "\"E-mail 1 - Value\" -> email")) << report;
    EXPECT_TRUE(has(report, "\"Address 1 - City\" -> city")) << report;
    EXPECT_TRUE(has(report, "\"First Name\" + \"Middle Name\" + \"Last Name\" -> name")) << report;
    const auto all = contacts(db);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].size(), 6u + 25u);  // the listing's own six, and every other column
    EXPECT_EQ(all[0].at("name"), "Amélie Poulain");
    EXPECT_EQ(all[0].at("company"), "Café des 2 Moulins");
    EXPECT_EQ(all[0].at("phone"), "+33 6 12 34 56 78");
    EXPECT_EQ(all[0].at("city"), "Paris");
    EXPECT_EQ(all[0].at("Notes"), "Likes skimming stones.\nCall after 3pm.");
    EXPECT_EQ(all[0].at("E-mail 2 - Value"), "amelie.p@example.org");
    EXPECT_EQ(all[0].at("Address 1 - Formatted"), "15 Rue Lepic\n75018 Paris\nFrance");
    EXPECT_EQ(all[1].at("name"), "Jean Claude Van Damme");
    EXPECT_EQ(all[1].at("Last Name"), "Van Damme");
    EXPECT_EQ(all[2].at("name"), "");  // a company without a person
    EXPECT_EQ(all[2].at("company"), "Acme Corporation");
}

TEST_F(Import, AnOutlookExportTakesItsBusinessColumns) {
    ok({"init", db});
    const std::string report = ok({"import", db, sample("outlook.csv")}).out;
    EXPECT_TRUE(has(report, "\"Business Phone\" -> phone")) << report;
    EXPECT_TRUE(has(report, "\"Business City\" -> city")) << report;
    EXPECT_TRUE(has(report, "\"E-mail Address\" -> email")) << report;
    const auto all = contacts(db);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].at("name"), "Grace O'Malley");
    EXPECT_EQ(all[0].at("email"), "grace@contoso.example");
    EXPECT_EQ(all[0].at("Mobile Phone"), "+44 7700 900123");
    EXPECT_EQ(all[0].at("Notes"), "Met at \"Expo 2025\", booth 12");
    EXPECT_EQ(all[1].at("company"), "Fabrikam, Inc.");
    EXPECT_EQ(all[1].at("Home City"), "Malmö");
    EXPECT_EQ(all[1].at("E-mail 2 Address"), "b.akesson@example.se");
}

TEST_F(Import, ASemicolonFileWithAByteOrderMark) {
    ok({"init", db});
    const std::string report = ok({"import", db, sample("semicolon-bom.csv")}).out;
    EXPECT_TRUE(has(report, "separated by ;")) << report;
    EXPECT_TRUE(has(report, "kept as extra fields: \"Customer No\", \"Credit limit\"")) << report;
    const auto all = contacts(db);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].at("Customer No"), "10042");  // the byte-order mark is not in the name
    EXPECT_EQ(all[0].at("Credit limit"), "1500,50");
    EXPECT_EQ(all[1].at("name"), "Dupont; Fils");
    EXPECT_EQ(all[2].at("city"), "München");
}

TEST_F(Import, AWindows1252FileNeedsItsEncoding) {
    ok({"init", db});
    const std::string file = sample("windows-1252.csv");
    EXPECT_TRUE(has(fails({"import", db, file}).err, "line 2, column 10"));
    EXPECT_TRUE(contacts(db).empty());
    EXPECT_EQ(fails({"import", db, file, "--encoding", "klingon"}).status, 1);
    const std::string report = ok({"import", db, file, "--encoding", "windows-1252"}).out;
    EXPECT_TRUE(has(report, "(windows-1252, separated by ,)")) << report;
    const auto all = contacts(db);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].at("name"), "François Lefèvre");
    EXPECT_EQ(all[0].at("Note"), "Owes 120 € – \"soon\"");
    EXPECT_EQ(all[0].at("Contact ID"), "A-17");
    EXPECT_EQ(all[1].at("company"), "Straße & Söhne");
}

// What `contacts` and `notes` write, `import` reads back cell for cell.
TEST_F(Import, ListingsImportAgainUnchanged) {
    ok({"init", db});
    const std::string tricky =
        write("tricky.csv",
              "Name,Company,id,Remark,Phone,Spaces\n"
              "\"Doe, Jane\",\"A;B\tC\",X-1,\"two\r\nlines and \"\"quotes\"\"\",,\" padded \"\n"
              "Zoë Ωmega,日本,X-2,\"\xEF\xBB\xBFstarts with U+FEFF\",+1 555,\n"
              ",,X-3,,,\n");
    ok({"import", db, tricky});
    const std::string listing = ok({"contacts", db, "--format", "csv"}).out;

    const std::string again = t.file("again.pwdb");
    ok({"init", again});
    const std::string report = ok({"import", again, write("listing.csv", listing)}).out;
    EXPECT_TRUE(has(report, "not kept: \"id\"")) << report;
    EXPECT_EQ(ok({"contacts", again, "--format", "csv"}).out, listing);

    // A note's listing, with contact fields beside it, becomes contacts of its own columns.
    contacts::Store store(db);
    std::int64_t run = 0;
    store.addNote({2, 100, "said \"hi\";\nthen left", "/tmp/a b.pdf", "March 9, 2026", "2026-03-09",
                   "10:30:00"},
                  run, "pat", false);
    const std::string notes = ok({"notes", db, "--format", "csv", "--with", "name,Remark"}).out;
    const std::string fromNotes = t.file("notes.pwdb");
    ok({"init", fromNotes});
    ok({"import", fromNotes, write("notes.csv", notes)});
    const auto noteRows = tools::parseCsv(notes);
    const auto back = contacts(fromNotes);
    ASSERT_EQ(noteRows.size(), 2u);
    ASSERT_EQ(back.size(), 1u);
    for (std::size_t c = 0; c < noteRows[0].fields.size(); ++c) {
        EXPECT_EQ(back[0].at(noteRows[0].fields[c]), noteRows[1].fields[c])
            << noteRows[0].fields[c];
    }
    EXPECT_EQ(back[0].at("name"), "Zoë Ωmega");
    EXPECT_EQ(back[0].at("Remark"), "\xEF\xBB\xBFstarts with U+FEFF");
}

// Only identifiers in the tool's own form in every row make the id column the tool's own.
TEST_F(Import, AnotherSystemsIdColumnIsKeptWhateverItsHeader) {
    ok({"init", db});
    const std::string header = "id,name,company,phone,email,city\n";
    const std::string theirs = write("theirs.csv", header + "C-0001,Ann,,,,\nC-0002,Bob,,,,\n");
    EXPECT_TRUE(has(ok({"import", db, theirs}).out, "kept as extra fields: \"id\"\n"));
    const std::string listing = ok({"contacts", db, "--format", "csv"}).out;
    EXPECT_EQ(listing,
              "id,name,company,phone,email,city,id\r\n"
              "C000001,Ann,,,,,C-0001\r\n"
              "C000002,Bob,,,,,C-0002\r\n");
    // That listing, the source's identifiers beside the tool's own, imports again as it is.
    const std::string again = t.file("again.pwdb");
    ok({"init", again});
    EXPECT_TRUE(has(ok({"import", again, write("listing.csv", listing)}).out, "not kept: \"id\""));
    EXPECT_EQ(ok({"contacts", again, "--format", "csv"}).out, listing);

    // Rows in the tool's form far into the file, then one that is not: nothing is dropped.
    std::string rows = header;
    for (int i = 1; i <= 20000; ++i) rows += contacts::formatContactId(i) + ",P,,,,\n";
    for (const char* last : {"C-20001", "C0020001", ""}) {
        const std::string report =
            ok({"import", db, write("late.csv", rows + last + ",Last,,,,\n"), "--dry-run"}).out;
        EXPECT_TRUE(has(report, "kept as extra fields: \"id\"\n")) << last;
        EXPECT_FALSE(has(report, "not kept")) << last;
    }
}

TEST_F(Import, ADryRunOrAFaultWritesNothing) {
    ok({"init", db});
    const std::string good = write("good.csv", "name,Birthday\nAnn,1990-01-02\n");
    const std::string dry = ok({"import", db, good, "--dry-run"}).out;
    EXPECT_TRUE(has(dry, "dry run, nothing written; 1 contact would be added")) << dry;
    EXPECT_EQ(ok({"contacts", db, "--format", "csv"}).out, "id,name,company,phone,email,city\r\n");

    // A fault far into the file, after many blocks of good rows: still nothing, not even the
    // new extra field's name.
    std::string big = "name,Shoe size\n";
    for (int i = 0; i < 20000; ++i) big += "Person " + std::to_string(i) + ",42\n";
    const std::string at = std::to_string(20000 + 2);
    EXPECT_TRUE(has(fails({"import", db, write("late.csv", big + "Last,42,extra\n")}).err,
                    "line " + at + " of the CSV file has 3 cells, the header 2"));
    EXPECT_TRUE(has(fails({"import", db, write("late.csv", big + "L\xF6we,1\n")}).err,
                    "line " + at + ", column 2"));
    EXPECT_EQ(ok({"contacts", db, "--format", "csv"}).out, "id,name,company,phone,email,city\r\n");

    // A later file's column matches a known extra field with case and spacing ignored.
    ok({"import", db, good});
    ok({"import", db, write("other.csv", "Full Name,birth day\nBob,1980-05-06\n")});
    EXPECT_EQ(ok({"contacts", db, "--format", "csv"}).out,
              "id,name,company,phone,email,city,Birthday\r\n"
              "C000001,Ann,,,,,1990-01-02\r\n"
              "C000002,Bob,,,,,1980-05-06\r\n");
    const std::string json = ok({"contacts", db, "--format", "json"}).out;
    EXPECT_TRUE(has(json, "\"city\": \"\", \"extra\": {\"Birthday\": \"1980-05-06\"}}")) << json;
}

TEST_F(Import, NotesShowContactFieldsBesideEachNote) {
    ok({"init", db});
    ok({"import", db, write("c.csv", "name,Customer No\nAnn,K-1\nBob,K-2\n")});
    contacts::Store store(db);
    std::int64_t run = 0;
    store.addNote({2, 100, "Called", std::nullopt, "today", "2026-03-09", std::nullopt}, run, "pat",
                  false);
    const std::string csv = ok({"notes", db, "--format", "csv", "--with", "customer no,NAME"}).out;
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "note,contact,Customer No,name,run,type,date,time,date_as_written,text,attachment,"
              "written_at,user");
    EXPECT_TRUE(has(csv, "1,C000002,K-2,Bob,1,100,2026-03-09,,today,Called,,")) << csv;
    const Tool::Result unknown = fails({"notes", db, "--with", "shoe size"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(has(unknown.err, "Customer No")) << unknown.err;  // the fields there are

    EXPECT_TRUE(has(ok({"import", "--help"}).out, "--dry-run"));
    EXPECT_TRUE(has(ok({"import", "--help"}).out, "--encoding"));
    EXPECT_TRUE(has(ok({"notes", "--help"}).out, "--with"));
}

}  // namespace
}  // namespace penwick::testing
