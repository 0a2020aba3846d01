// penwick.exe against a local server that behaves as the real ones do: busy while it starts,
// slow to answer, or gone in the middle of a run; and the ways a session ends.

#include "exe_fixture.h"

namespace penwick {
namespace {

using namespace exe_test;

const std::vector<std::u16string> kThreeContacts = {u"database C:\\Data\\Contacts.dbf",
                                                    u"user Pat",
                                                    u"contact 7",
                                                    u"contact 9",
                                                    u"contact 12",
                                                    u"lookup 7 9 12"};

class PenwickExeMisbehaving : public PenwickExe {
protected:
    void SetUp() override {}  // the server is configured before the program starts
    void configure(std::vector<std::u16string> lines) {
        lines.insert(lines.end(), kThreeContacts.begin(), kThreeContacts.end());
        servers.configure(lines);
    }
    // Types a note, writes it and confirms the run; the box that follows the run.
    HWND writeAndConfirm() {
        EXPECT_TRUE(type(control("txtNote"), L"Called"));
        click(control("cmdWriteNote"));
        HWND confirm = messageBox();
        if (confirm == nullptr || !answer(confirm, IDYES)) return nullptr;
        return messageBox();
    }
    ServerSetup servers{Flavour::Local};
};

TEST_F(PenwickExeMisbehaving, AContactManagerBusyAtItsStartIsWaitedFor) {
    configure({u"busy 3000"});
    ASSERT_NO_FATAL_FAILURE(start());
    HWND finished = writeAndConfirm();
    ASSERT_NE(finished, nullptr) << "no end of the run";
    EXPECT_EQ(prompt(finished), L"Finished");
    ASSERT_TRUE(answer(finished, IDOK));
    DWORD code = 1;
    ASSERT_TRUE(ended(code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(servers.refused().empty()) << "the server was never busy";
    EXPECT_EQ(servers.notes().size(), 3u);
}

TEST_F(PenwickExeMisbehaving, WordBusyAtItsStartIsWaitedFor) {
    configure({u"busy 3000", u"misspelled teh the"});
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(type(control("txtNote"), L"teh note"));
    click(control("cmdSpellCheck"));
    HWND dialog = shownWindow(L"Suggestions");
    ASSERT_NE(dialog, nullptr) << "no suggestions dialog";
    const auto& desc = spell::spellCheckWindow();
    ASSERT_TRUE(type(findControl(dialog, desc, "txtReplace"), L"the"));
    click(findControl(dialog, desc, "cmdChange"));
    EXPECT_TRUE(waitUntil([&] { return textOf(control("txtNote")) == L"the note"; }))
        << toUtf8(u(textOf(control("txtNote"))));
    EXPECT_FALSE(servers.refused().empty()) << "Word was never busy";
    click(control("cmdCancel"));
}

// The server ends as the third contact's note begins: the report names what happened, the
// two notes before stay, and the program ends without hanging or crashing.
TEST_F(PenwickExeMisbehaving, AServerThatEndsMidRunStopsItAndKeepsTheNotesBefore) {
    configure({u"exit-after 3 Lookup"});
    ASSERT_NO_FATAL_FAILURE(start());
    HWND report = writeAndConfirm();
    ASSERT_NE(report, nullptr) << "no report";
    const std::wstring text = prompt(report);
    EXPECT_TRUE(text.starts_with(L"Run-time error '-")) << toUtf8(u(text));
    EXPECT_NE(text.find(L"Automation error\r\n"), std::wstring::npos) << toUtf8(u(text));
    EXPECT_NE(text.find(L"remote procedure call failed"), std::wstring::npos) << toUtf8(u(text));
    ASSERT_TRUE(answer(report, IDOK));
    DWORD code = 0;
    ASSERT_TRUE(ended(code)) << "the program hangs after the report";
    EXPECT_EQ(code, 1u) << "the exit code of a fatal report, not of a crash";
    ASSERT_EQ(servers.notes().size(), 2u);
    EXPECT_EQ(servers.notes()[0].contact, u"7");
    EXPECT_EQ(servers.notes()[1].contact, u"9");
}

// Each note takes two seconds to store: the window repaints meanwhile, and Cancel ends the
// run once the note under way is stored.
TEST_F(PenwickExeMisbehaving, ASlowServerKeepsTheWindowPaintedAndCancelStopsTheLoop) {
    configure({u"slow Update 2000"});
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(type(control("txtNote"), L"Called"));
    click(control("cmdWriteNote"));
    HWND confirm = messageBox();
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(answer(confirm, IDYES));
    ASSERT_TRUE(waitUntil([&] { return textOf(main_) == L"Penwick: Updating 1 of 3"; }));
    Sleep(500);  // inside the first note's Update now

    InvalidateRect(main_, nullptr, TRUE);
    EXPECT_TRUE(waitUntil([&] { return !GetUpdateRect(main_, nullptr, FALSE); }, 1))
        << "the window is not repainted during the call";
    EXPECT_EQ(textOf(main_), L"Penwick: Updating 1 of 3") << "the call ended too soon";

    click(control("cmdCancel"));
    DWORD code = 1;
    ASSERT_TRUE(ended(code)) << "Cancel does not end the program";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(servers.notes().size(), 1u) << "the loop goes on past Cancel";
}

// Logoff or shutdown: the close steps run and the program ends.
TEST_F(PenwickExe, EndsWithTheSession) {
    EXPECT_TRUE(SendMessageW(main_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF))
        << "the session's end is refused";
    SendMessageW(main_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    DWORD code = 1;
    ASSERT_TRUE(ended(code)) << "the program outlives the session";
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace penwick
