// Notes and names that are large or unusual go into the contact database and come back
// unchanged, or are refused with a clear reason.

#include <gtest/gtest.h>

#include <sstream>

#include "contacts/store.h"
#include "embedded_support.h"
#include "tools/contacts_tool.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

struct Unusual : ::testing::Test {
    // Writes one note through an automation connection, as a run does.
    void writeNote(const std::string& database, const std::u16string& text,
                   const std::optional<std::u16string>& attachment = {}) {
        auto connection = factory->createDatabase(u"ACTOLE.DATABASE");
        std::u16string path = fromUtf8(database);
        connection->Open(path);
        auto& h = connection->NOTEHISTORY();
        h.Add();
        h.Data(29, std::u16string(u"C000001"));
        h.Data(26, text);
        if (attachment) h.Data(28, *attachment);
        h.Data(200, std::u16string(u"3/7/2026"));
        h.Update();
    }

    TempFolder t;
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    std::unique_ptr<lookup::ContactManagerFactory> factory =
        contacts::makeContactManagerFactory(locale, clock, t.file("session.ini"));
};

TEST_F(Unusual, LargeAndUnusualNotesComeBackUnchanged) {
    const std::string db = makeDatabase(t.file("a.pwdb"), 1);
    std::u16string megabyte;
    while (megabyte.size() < 1024 * 1024) megabyte += u"Ünïcödé line of a long note\r\n";
    const std::u16string texts[] = {
        megabyte,
        u"emoji \U0001F600\U0001F44D\U0001F3FD family \U0001F468\u200D\U0001F469\u200D\U0001F467",
        u"right to left: \u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627 \u202Eabc\u202C",
        u"combining: e\u0301 a\u0308\u0323 \u0915\u094D\u0937",
        std::u16string(u"NUL\0inside", 10),
        u"",
    };
    for (const auto& text : texts) writeNote(db, text, u"/home/pat/it's \"a\" ;file é.pdf");
    const auto notes = notesOf(db);
    ASSERT_EQ(notes.size(), std::size(texts));
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_TRUE(fromUtf8(notes[i].record.text) == texts[i]) << "note " << i;
        EXPECT_EQ(notes[i].record.attachment, "/home/pat/it's \"a\" ;file é.pdf");
    }
}

TEST_F(Unusual, HalfASurrogatePairIsRefusedNamingWhere) {
    const std::string db = makeDatabase(t.file("a.pwdb"), 1);
    for (const std::u16string& text : {std::u16string(u"ab\xD83D"), std::u16string(u"\xDE00x")}) {
        try {
            writeNote(db, text);
            ADD_FAILURE() << "a lone surrogate was stored";
        } catch (const Failure& f) {
            EXPECT_NE(toUtf8(f.description()).find("surrogate"), std::string::npos);
        }
    }
    EXPECT_TRUE(notesOf(db).empty());
}

TEST_F(Unusual, DatabasePathsWithSpacesQuotesNonAsciiAndSemicolons) {
    for (const std::string name : {"with space.pwdb", "it's \"quoted\".pwdb", "çà ü 日本.pwdb",
                                   "a;b; DROP TABLE note;.pwdb", "-starts-with-dash.pwdb"}) {
        SCOPED_TRACE(name);
        const std::string db = makeDatabase(t.file(name), 2);
        std::istringstream in;
        std::ostringstream out, err;
        tools::ToolIo io{in, out, err, t.file("session.ini"), t.file("data")};
        ASSERT_EQ(tools::runContactsTool({"open", "--", db}, io), 0) << err.str();
        auto application = factory->createApplication(u"ACTOLE.APPOBJECT");
        EXPECT_EQ(toUtf8(application->GetOpenDBName()), db);
        writeNote(db, u"x");
        EXPECT_EQ(notesOf(db).size(), 1u);
    }
    // A line break cannot be kept in the session file: refused, saying so.
    const std::string broken = makeDatabase(t.file("line\nbreak.pwdb"), 1);
    std::istringstream in;
    std::ostringstream out, err;
    tools::ToolIo io{in, out, err, t.file("session.ini"), t.file("data")};
    EXPECT_EQ(tools::runContactsTool({"open", broken}, io), 1);
    EXPECT_NE(err.str().find("line breaks"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace penwick::testing
