// The canonical runs through the program's own handlers, on the in-memory front end, with ACT!
// and Word reached through the real automation implementations. What the test servers received
// is compared call by call with what the program must send: members, order, argument types.
// The expected sequences are written out in full on purpose.

#include <gtest/gtest.h>

#include "com/factories.h"
#include "lookup/scramble.h"
#include "server_setup.h"
#include "support/app_harness.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using Lines = std::vector<std::u16string>;

void expectSameCalls(const Lines& actual, const Lines& expected) {
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::u16string a = i < actual.size() ? actual[i] : u"(nothing)";
        const std::u16string e = i < expected.size() ? expected[i] : u"(nothing)";
        ASSERT_EQ(toUtf8(a), toUtf8(e)) << "call " << i + 1;
    }
}

class CanonicalRun : public ::testing::TestWithParam<Flavour> {
protected:
    CanonicalRun() : servers(GetParam()), app(contacts.get(), speller.get()) {
        app.platform.setProgramFolder(servers.folder());
    }

    ServerSetup servers;
    std::unique_ptr<lookup::ContactManagerFactory> contacts = com::makeActContactManagerFactory();
    std::unique_ptr<spell::SpellCheckerFactory> speller = com::makeWordSpellCheckerFactory();
    AppHarness app;
};

// The remembered password is refused, the one typed into the login dialog accepted; three
// contacts; the note type "File Attachment".
TEST_P(CanonicalRun, WriteNoteSendsTheCallsOfTheRunTheLoginAndTheUpdateLoop) {
    servers.configure({u"database C:\\Data\\Contacts.dbf", u"user Pat", u"login Pat secret",
                       u"contact 7", u"contact 9", u"contact 12", u"contact 15", u"lookup 9 12 7"});
    app.settings.save(u"penwick", u"Contacts.dbf", u"USER", u"Pat");
    app.settings.save(u"penwick", u"Contacts.dbf", u"SYS",
                      lookup::ScrambleText(u"old", lookup::kScrambleKey, app.codePage));
    const std::u16string attachment = servers.path(u"offer.txt");
    app.platform.addFile(attachment);

    FakeWindow& main = app.start();
    main.type("txtDate", u"12/6/2026");
    main.choose("cboNoteType", 7);
    main.type("txtNote", u"Offer sent");
    main.control("txtFile").setText(attachment);
    app.ui.onModal("frmValidateUser", [](FakeWindow& dialog) {
        dialog.control("txtUserName").setText(u"Pat");
        dialog.control("txtPassword").setText(u"secret");
        dialog.click("cmdOK");
    });
    app.ui.answerMessages({ui::MessageAnswer::Yes});
    main.click("cmdWriteNote");

    const std::u16string lookupFile = u"BSTR \"" + servers.path(u"lkup.dat") + u"\"";
    const std::u16string file = u"BSTR \"" + attachment + u"\"";
    Lines expected = {
        u"new ACTOLE.APPOBJECT",
        u"APPOBJECT.SaveCurrentLookup(" + lookupFile + u")",
        u"APPOBJECT.GetOpenDBName()",
        u"new ACTOLE.DATABASE",
        u"DATABASE.Open(BSTR& \"C:\\Data\\Contacts.dbf\")",
        // The remembered credentials, as values: refused.
        u"APPOBJECT.GetCurrentUserName()",
        u"DATABASE.validateuser(BSTR \"Pat\", BSTR \"old\")",
        u"DATABASE.Error()",
        // The login dialog is filled, then the login routine gets the user name afresh.
        u"APPOBJECT.GetCurrentUserName()",
        u"APPOBJECT.GetCurrentUserName()",
        u"DATABASE.IsMultiUser()",
        u"DATABASE.validateuser(BSTR& \"Pat\", BSTR& \"secret\")",
        u"DATABASE.Error()",
        // The lookup reloaded into the program's own connection; Contact read at every use.
        u"DATABASE.Contact()",
        u"Contact.Loadlookupquery(" + lookupFile + u")",
        u"DATABASE.Contact()",
        u"Contact.MoveFirst()",
        u"DATABASE.Contact()",
        u"Contact.recordCount()",
    };
    // The first pass collects the identifiers.
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(),
                        {u"DATABASE.Contact()", u"Contact.IsEOF()", u"DATABASE.Contact()",
                         u"Contact.Data(I2 1)", u"DATABASE.Contact()", u"Contact.movenext()"});
    }
    expected.insert(expected.end(), {u"DATABASE.Contact()", u"Contact.IsEOF()",
                                     u"DATABASE.Contact()", u"Contact.MoveFirst()"});
    // The second pass writes one record per contact, fields 29, 25, 26, 28, 200.
    for (const char16_t* id : {u"9", u"12", u"7"}) {
        const std::u16string byRef = u"BSTR& \"" + std::u16string(id) + u"\"";
        expected.insert(expected.end(),
                        {u"DATABASE.Contact()", u"Contact.Lookup(I2 1, " + byRef + u", I2 1)",
                         u"DATABASE.NOTEHISTORY()", u"NOTEHISTORY.Add()", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 29, " + byRef + u")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 25, I2& 101)", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 26, BSTR \"Offer sent\")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 28, " + file + u")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 200, BSTR \"12/6/2026\")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Update()"});
    }
    expected.push_back(u"DATABASE.Close()");
    expectSameCalls(servers.calls(), expected);

    const auto notes = servers.notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].contact, u"9");
    EXPECT_EQ(notes[2].contact, u"7");
    EXPECT_EQ(notes[1].attachment, attachment);
    EXPECT_EQ(app.settings.get(u"penwick", u"Contacts.dbf", u"USER", u""), u"Pat");
    EXPECT_EQ(app.ui.messages().back().prompt, u"Finished");
}

// "Meet teh clent today": "teh" becomes the first suggestion, "clent" the typed "client".
TEST_P(CanonicalRun, SpellCheckSendsTheCallsOfTheWordDriver) {
    servers.configure({u"misspelled teh the ten", u"misspelled clent client"});
    FakeWindow& main = app.start();
    main.type("txtNote", u"Meet teh clent today");
    app.ui.onModal("frmSpellCheck", [](FakeWindow& d) {
        d.choose("lstSuggestions", 0);
        d.click("cmdChange");
    });
    app.ui.onModal("frmSpellCheck", [](FakeWindow& d) {
        d.type("txtReplace", u"client");
        d.click("cmdChange");
    });
    main.click("cmdSpellCheck");
    EXPECT_EQ(main.control("txtNote").text(), u"Meet the client today");

    Lines expected = {
        u"new word.application",
        u"Word.Application.Visible=(BOOL False)",
        u"Word.Application.WindowState=(I4 2)",
        u"Word.Application.Documents()",
        u"Documents.Add()",
    };
    const auto token = [&](std::u16string text, int errors) {
        expected.insert(
            expected.end(),
            {u"Document.Range(missing, missing)", u"Range.Delete(missing, missing)",
             u"Document.Range(missing, missing)", u"Range.Text=(BSTR \"" + text + u"\")",
             u"Document.SpellingErrors()", u"ProofreadingErrors.Count()"});
        if (errors > 0)
            expected.insert(expected.end(), {u"ProofreadingErrors.Item(I4 1)", u"Range.Text()"});
    };
    const auto suggestions = [&](int n) {
        expected.insert(expected.end(), {u"Word.Application.GetSpellingSuggestions(DISPATCH)",
                                         u"SpellingSuggestions.Count()"});
        for (int i = 1; i <= n; ++i)
            expected.insert(expected.end(), {u"SpellingSuggestions.Item(I4 " +
                                                 std::u16string(1, char16_t(u'0' + i)) + u")",
                                             u"SpellingSuggestion.Name()"});
    };
    token(u"Meet", 0);
    token(u"teh", 1);
    suggestions(2);
    token(u"clent", 1);
    suggestions(1);
    token(u"today", 0);
    expected.insert(expected.end(), {u"Document.Close(I4 0, missing, missing)",
                                     u"Word.Application.Quit(SaveChanges:=I4 0)"});
    expectSameCalls(servers.calls(), expected);
}

TEST_P(CanonicalRun, WithoutWordTheSpellCheckNamesMicrosoftWord) {
    servers.unregister(L"word.application");
    FakeWindow& main = app.start();
    main.type("txtNote", u"Meet teh client");
    main.click("cmdSpellCheck");

    ASSERT_EQ(app.ui.messages().size(), 1u);
    EXPECT_EQ(app.ui.messages()[0].prompt,
              u"Sorry the spell checker requires that you have\r\n"
              u"Microsoft Word installed on your computer.");
    EXPECT_EQ(app.ui.messages()[0].style, ui::MessageStyle::InformationOk);
    EXPECT_EQ(main.control("txtNote").text(), u"Meet teh client");
    EXPECT_TRUE(servers.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(, CanonicalRun, ::testing::Values(Flavour::InProcess, Flavour::Local),
                         [](const auto& info) {
                             return info.param == Flavour::InProcess ? "InProcess" : "Local";
                         });

}  // namespace
}  // namespace penwick::testing
