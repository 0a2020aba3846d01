// The canonical runs through the program's own handlers, on the in-memory front end, with ACT!
// and Word reached through the real automation implementations. What the test servers received
// is compared call by call with what the program must send: members, order, argument types.
// The expected sequences are written out in full, on purpose, in canonical_calls.cpp.

#include <gtest/gtest.h>

#include "canonical_calls.h"
#include "com/factories.h"
#include "lookup/scramble.h"
#include "server_setup.h"
#include "support/app_harness.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

class CanonicalRun : public ::testing::TestWithParam<Flavour> {
protected:
    CanonicalRun() : servers(GetParam()), app(contacts.get(), speller.get()) {
        app.platform.setProgramFolder(servers.folder());
    }

    ServerSetup servers;
    std::unique_ptr<lookup::ContactManagerFactory> contacts =
        com::makeActContactManagerFactory(nullptr);
    std::unique_ptr<spell::SpellCheckerFactory> speller = com::makeWordSpellCheckerFactory(nullptr);
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

    expectSameCalls(servers.calls(),
                    canonicalWriteNoteCalls(servers.path(u"lkup.dat"), u"secret", attachment));

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

    expectSameCalls(servers.calls(), canonicalSpellCheckCalls());
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
