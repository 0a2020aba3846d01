// The write-note run on the in-memory contact manager: the calls it makes, the notes it
// stores, and the main window it leaves behind on every way out.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <array>

#include "app/note_update_form.h"
#include "lookup/scramble.h"
#include "support/app_harness.h"
#include "support/memory_contacts.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

// The contact manager's note-history fields.
constexpr std::int16_t kType = 25, kText = 26, kAttachment = 28, kContact = 29, kDate = 200;
constexpr int kEmail = 1, kFileAttachment = 7;

struct WriteNote : ::testing::Test {
    MemoryContactManager contacts;
    AppHarness h{&contacts};

    WriteNote() {
        contacts.addContacts(3);
        contacts.lookup = {u"3", u"1", u"2"};
        h.start();
    }
    ui::Control& writeButton() { return h.main().control("cmdWriteNote"); }
    void write() { h.main().click("cmdWriteNote"); }
    // The write button's state when the run closes its connection: the last moment the main
    // window can still be seen on a run that goes on to end the program.
    std::optional<bool> writeEnabledAtClose() {
        std::optional<bool> enabled;
        contacts.onCall = [this, &enabled](const std::string& call) {
            if (call == "Database.Close()") enabled = writeButton().enabled();
        };
        write();
        return enabled;
    }
};

TEST_F(WriteNote, ACanonicalRunCallsTheContactManagerStepByStep) {
    h.fill(u"3/9/2026", kEmail, u"Catalogue sent");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    write();

    const std::string lookup = R"(text "C:\Program Files\Penwick\lkup.dat")";
    std::vector<std::string> expected = {
        R"(create(text "ACTOLE.APPOBJECT"))",
        "Application.SaveCurrentLookup(" + lookup + ")",
        "Application.GetOpenDBName()",
        R"(create(text "ACTOLE.DATABASE"))",
        R"(Database.Open(text "C:\ACT\Database\Sales.dbf"))",
        "Application.GetCurrentUserName()",
        R"(Database.validateuser(text "Pat", text ""))",
        "Database.Error()",
        "Contact.Loadlookupquery(" + lookup + ")",
        "Contact.MoveFirst()",
        "Contact.recordCount()",
    };
    for (const char* id : {"3", "1", "2"}) {
        expected.push_back("Contact.IsEOF()");
        expected.push_back("Contact.Data(int16 1)");
        expected.push_back("Contact.movenext()");
        (void)id;
    }
    expected.push_back("Contact.IsEOF()");
    expected.push_back("Contact.MoveFirst()");
    for (const char* id : {"3", "1", "2"}) {
        const std::string quoted = std::string("\"") + id + "\"";
        expected.push_back("Contact.Lookup(int16 1, text " + quoted + ", int16 1)");
        expected.push_back("NOTEHISTORY.Add()");
        expected.push_back("NOTEHISTORY.Data(int16 29, text " + quoted + ")");
        expected.push_back(R"(NOTEHISTORY.Data(int16 26, box "Catalogue sent"))");
        expected.push_back("NOTEHISTORY.Data(int16 25, int16 102)");
        expected.push_back(R"(NOTEHISTORY.Data(int16 200, box "3/9/2026"))");
        expected.push_back("NOTEHISTORY.Update()");
    }
    expected.push_back("Database.Close()");
    EXPECT_EQ(contacts.calls(), expected);

    ASSERT_EQ(contacts.notes().size(), 3u);
    EXPECT_EQ(contacts.notes()[1].contact, u"1");
    EXPECT_EQ(contacts.notes()[1].text(kContact), u"1");
    EXPECT_TRUE(h.app->program().ended());
}

TEST_F(WriteNote, AnAttachmentIsWrittenAfterTheTypeAndBeforeTheDate) {
    h.platform.addFile(u"C:\\Offers\\spring.pdf");
    h.fill(u"3/9/2026", kFileAttachment, u"Offer", u"C:\\Offers\\spring.pdf");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    write();
    std::vector<std::string> record;
    for (const std::string& c : contacts.calls())
        if (c.starts_with("NOTEHISTORY.Data(int16 ") && record.size() < 5) record.push_back(c);
    EXPECT_EQ(record, (std::vector<std::string>{
                          R"(NOTEHISTORY.Data(int16 29, text "3"))",
                          "NOTEHISTORY.Data(int16 25, int16 101)",
                          R"(NOTEHISTORY.Data(int16 26, box "Offer"))",
                          R"(NOTEHISTORY.Data(int16 28, box "C:\Offers\spring.pdf"))",
                          R"(NOTEHISTORY.Data(int16 200, box "3/9/2026"))",
                      }));
}

// Every entry of the list, through a whole run, to the contact manager's code for it.
TEST(WriteNoteTypes, EachListEntryIsStoredWithItsOwnCode) {
    struct Case {
        std::u16string_view entry;
        std::int16_t code;
    };
    const Case cases[] = {{u"Note", 100},           {u"Email", 102},          {u"E-mail Sent", 16},
                          {u"Closed/Won Sale", 57}, {u"Lost Sale", 58},       {u"Fax Sent", 50},
                          {u"Letter Sent", 5},      {u"File Attachment", 101}};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(std::string(toUtf8(cases[i].entry)));
        MemoryContactManager contacts;
        contacts.addContacts(1);
        AppHarness h(&contacts);
        h.platform.addFile(u"C:\\a.txt");
        h.start();
        h.fill(u"3/9/2026", i, u"x", i == kFileAttachment ? u"C:\\a.txt" : u"");
        EXPECT_EQ(h.main().control("cboNoteType").text(), cases[i].entry);
        h.ui.answerMessages({ui::MessageAnswer::Yes});
        h.main().click("cmdWriteNote");
        ASSERT_EQ(contacts.notes().size(), 1u);
        EXPECT_EQ(contacts.notes()[0].code(kType), cases[i].code);
        EXPECT_EQ(contacts.notes()[0].fields.contains(kAttachment), i == kFileAttachment);
    }
}

TEST_F(WriteNote, TheCaptionCountsTheContactsAndTheFinish) {
    h.fill(u"3/9/2026", kEmail, u"x");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    std::vector<std::u16string> atAdd;
    std::u16string atClose;
    contacts.onCall = [&](const std::string& call) {
        if (call == "NOTEHISTORY.Add()") atAdd.push_back(h.main().caption());
        if (call == "Database.Close()") atClose = h.main().caption();
    };
    write();
    EXPECT_EQ(atAdd,
              (std::vector<std::u16string>{u"Penwick: Updating 1 of 3", u"Penwick: Updating 2 of 3",
                                           u"Penwick: Updating 3 of 3"}));
    EXPECT_EQ(atClose, u"Penwick: Finished 3 of 3");
    using State = ui::Progress::State;
    EXPECT_EQ(h.ui.progressShown(),
              (std::vector<ui::Progress>{
                  {State::Normal, 0, 3}, {State::Normal, 1, 3}, {State::Normal, 2, 3}, {}}))
        << "the taskbar counts the notes written and is cleared at the finish";
    ASSERT_EQ(h.ui.messages().size(), 2u);
    EXPECT_EQ(h.ui.messages()[1].prompt, u"Finished");
    EXPECT_EQ(h.ui.messages()[1].style, ui::MessageStyle::InformationOk);
}

TEST_F(WriteNote, AFailingContactShowsTheProgressAsFailed) {
    h.fill(u"3/9/2026", kEmail, u"x");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    int updates = 0;
    contacts.onCall = [&](const std::string& call) {
        if (call == "NOTEHISTORY.Update()" && ++updates == 2) raise(err::OutOfMemory, u"Update");
    };
    write();
    ASSERT_FALSE(h.ui.progressShown().empty());
    EXPECT_EQ(h.ui.progressShown().back(), (ui::Progress{ui::Progress::State::Error, 1, 3}));
}

// The early ends before the contact manager is reached. A click that was on its way while
// the button was disabled shows whether an end enables it or leaves it.
TEST_F(WriteNote, BadEntriesEnableTheButtonAndAMissingFileLeavesIt) {
    struct Case {
        const char* what;
        std::function<void()> entries;
        bool enabledAfter;
        std::u16string_view prompt;
    };
    const Case cases[] = {
        {"invalid date", [&] { h.fill(u"31/31/2026", kEmail, u"x"); }, true, u"Invalid date"},
        {"no note type",
         [&] {
             h.fill(u"3/9/2026", kEmail, u"x");
             h.main().control("cboNoteType").setListIndex(-1);
         },
         true, u"Please choose a note type"},
        {"missing file", [&] { h.fill(u"3/9/2026", kFileAttachment, u"x", u"C:\\gone.pdf"); },
         false, u"Could not find the file:\r\nC:\\gone.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.entries();
        for (const bool before : {false, true}) {
            writeButton().setEnabled(before);
            h.app->frmNoteUpdate().deliver({ui::EventKind::Click, "cmdWriteNote", -1});
            EXPECT_EQ(writeButton().enabled(), c.enabledAfter || before);
            ASSERT_FALSE(h.ui.messages().empty());
            EXPECT_EQ(h.ui.messages().back().prompt, c.prompt);
            EXPECT_EQ(h.ui.messages().back().style, ui::MessageStyle::InformationOk);
        }
    }
    EXPECT_TRUE(contacts.calls().empty());
}

TEST_F(WriteNote, TheButtonIsDisabledWhileTheRunTalksToTheContactManager) {
    h.fill(u"3/9/2026", kEmail, u"x");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    int enabledDuring = 0;
    contacts.onCall = [&](const std::string& call) {
        if (call.starts_with("NOTEHISTORY") || call.starts_with("create"))
            enabledDuring += writeButton().enabled();
    };
    write();
    EXPECT_EQ(enabledDuring, 0);
}

TEST_F(WriteNote, TheFinishEnablesTheButtonAgain) {
    h.fill(u"3/9/2026", kEmail, u"x");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    EXPECT_EQ(writeEnabledAtClose(), true);
}

TEST_F(WriteNote, ADeclinedConfirmationEnablesTheButtonAndWritesNothing) {
    h.fill(u"3/9/2026", kEmail, u"x");
    h.ui.answerMessages({ui::MessageAnswer::No});
    EXPECT_EQ(writeEnabledAtClose(), true);
    EXPECT_TRUE(contacts.notes().empty());
    EXPECT_EQ(h.ui.messages().size(), 1u);
    EXPECT_TRUE(h.app->program().ended());
}

TEST_F(WriteNote, ALoginGivenUpEnablesTheButtonAndKeepsTheWindow) {
    contacts.multiUser = true;
    contacts.passwords[u"Pat"] = u"secret";
    h.fill(u"3/9/2026", kEmail, u"x");
    h.answerLogin(u"Pat", u"wrong");
    h.ui.answerMessages({ui::MessageAnswer::No});  // try again? No
    write();
    EXPECT_TRUE(writeButton().enabled());
    EXPECT_FALSE(h.app->program().ended());
    EXPECT_EQ(contacts.calls().back(), "Database.Close()");
    EXPECT_TRUE(contacts.notes().empty());
    ASSERT_EQ(h.ui.messages().size(), 1u);
    EXPECT_EQ(h.ui.messages()[0].style, ui::MessageStyle::InformationYesNo);
}

// What the dialog shows before anyone types: the database and the contact manager's current
// user, not the remembered user; after a refused login, again, with the user asked afresh.
TEST_F(WriteNote, TheLoginDialogOffersTheDatabaseAndTheCurrentUserAtEveryAttempt) {
    contacts.multiUser = true;
    contacts.passwords[u"Kim"] = u"secret";
    h.settings.save(u"penwick", u"Sales.dbf", u"USER", u"Lee");
    h.fill(u"3/9/2026", kEmail, u"x");
    std::vector<std::array<std::u16string, 3>> shown;
    const auto answer = [&](std::u16string password) {
        h.ui.onModal("frmValidateUser", [&, password](FakeWindow& dialog) {
            shown.push_back({dialog.control("lblDatabase").text(),
                             dialog.control("txtUserName").text(),
                             dialog.control("txtPassword").text()});
            contacts.currentUser = u"Robin";
            dialog.type("txtUserName", u"Kim");
            dialog.type("txtPassword", password);
            dialog.click("cmdOK");
        });
    };
    answer(u"wrong");
    answer(u"secret");
    h.ui.answerMessages({ui::MessageAnswer::Yes, ui::MessageAnswer::Yes});
    write();
    const std::u16string database = contacts.databasePath;
    EXPECT_EQ(shown, (std::vector<std::array<std::u16string, 3>>{{database, u"Pat", u""},
                                                                 {database, u"Robin", u""}}));
    EXPECT_EQ(contacts.notes().size(), 3u);
}

TEST_F(WriteNote, EditsAndCancelWhileTheLoopYields) {
    contacts.addContacts(3);  // six contacts, numbered 1 to 6
    contacts.lookup = contacts.contacts;
    h.fill(u"3/9/2026", kEmail, u"before");
    h.ui.answerMessages({ui::MessageAnswer::Yes});
    h.ui.onYield([&](int k) {
        if (k == 3) h.main().control("txtNote").setText(u"after");
        if (k == 5) h.main().click("cmdCancel");
    });
    write();
    // The boxes go over themselves: the edit reaches the notes after it. Cancel at the fifth
    // yield ends the program before the fifth note.
    ASSERT_EQ(contacts.notes().size(), 4u);
    EXPECT_EQ(contacts.notes()[1].text(kText), u"before");
    EXPECT_EQ(contacts.notes()[2].text(kText), u"after");
    EXPECT_TRUE(h.app->program().ended());
    EXPECT_EQ(h.ui.find("frmNoteUpdate"), nullptr);
}

TEST_F(WriteNote, CancelLogsInWithWhatWasTypedAndTheCloseBoxWithNothing) {
    contacts.multiUser = true;
    contacts.passwords[u"Kim"] = u"secret";
    h.fill(u"3/9/2026", kEmail, u"x");
    h.answerLogin(u"Kim", u"secret", "");
    h.answerLogin(u"Kim", u"secret", "Command1");
    h.ui.answerMessages({ui::MessageAnswer::Yes, ui::MessageAnswer::Yes});
    write();
    std::vector<std::string> logins;
    for (const std::string& c : contacts.calls())
        if (c.starts_with("Database.validateuser")) logins.push_back(c);
    EXPECT_EQ(logins, (std::vector<std::string>{
                          R"(Database.validateuser(text "Pat", text ""))",
                          R"(Database.validateuser(text "", text ""))",
                          R"(Database.validateuser(text "Kim", text "secret"))",
                      }));
    ASSERT_EQ(h.ui.messages().size(), 3u);
    EXPECT_EQ(h.ui.messages()[0].prompt,
              u"Incorrect user name and password for this database.\r\nWould you like to try "
              u"again?");
    EXPECT_EQ(contacts.notes().size(), 3u);
}

// The answer a box gives, and how many test failures asking it raised.
std::pair<ui::MessageAnswer, int> ask(FakeUi& ui, ui::MessageStyle style) {
    ::testing::TestPartResultArray failures;
    ui::MessageAnswer answer{};
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        answer = ui.messageBox(u"Sure?", style, u"Penwick");
    }
    return {answer, failures.size()};
}

TEST(FakeMessageBoxes, RefuseAnAnswerTheBoxDoesNotOffer) {
    FakeUi ui;
    ui.answerMessages({ui::MessageAnswer::Yes, ui::MessageAnswer::Ok, ui::MessageAnswer::No,
                       ui::MessageAnswer::Yes, ui::MessageAnswer::Ok});
    EXPECT_EQ(ask(ui, ui::MessageStyle::InformationOk), std::make_pair(ui::MessageAnswer::Ok, 1));
    EXPECT_EQ(ask(ui, ui::MessageStyle::InformationYesNo),
              std::make_pair(ui::MessageAnswer::No, 1));
    EXPECT_EQ(ask(ui, ui::MessageStyle::InformationYesNo),
              std::make_pair(ui::MessageAnswer::No, 0));
    EXPECT_EQ(ask(ui, ui::MessageStyle::InformationYesNo),
              std::make_pair(ui::MessageAnswer::Yes, 0));
    EXPECT_EQ(ask(ui, ui::MessageStyle::CriticalOk), std::make_pair(ui::MessageAnswer::Ok, 0));
}

}  // namespace
}  // namespace penwick::testing
