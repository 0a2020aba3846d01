// penwick.exe itself under Wine with real windows, driven from outside as the user would: it
// finds the windows and controls, types, clicks and answers the message boxes and the file
// dialog of another process. The contact manager and Word are our test servers; what they
// received is compared call by call, and the remembered settings are read back with `reg`.

#include "exe_fixture.h"

namespace penwick {
namespace {

using namespace exe_test;

TEST_F(PenwickExe, StartsIntoTheMainWindowWithTodayInTheUsersPattern) {
    wchar_t pattern[128] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 128);
    EXPECT_EQ(textOf(control("lblDateFormat")), pattern);
    if (std::wstring(pattern) == L"M/d/yyyy") {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const std::wstring today = std::to_wstring(now.wMonth) + L"/" + std::to_wstring(now.wDay) +
                                   L"/" + std::to_wstring(now.wYear);
        EXPECT_EQ(textOf(control("txtDate")), today);
    }
    EXPECT_EQ(textOf(control("cboNoteType")), L"Note");
    EXPECT_EQ(SendMessageW(control("cboNoteType"), CB_GETCOUNT, 0, 0), 8);
    for (const char* name : {"lblFile", "txtFile", "cmdFile"})
        EXPECT_FALSE(IsWindowEnabled(control(name))) << name;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(process_.dwThreadId, &gui);
    EXPECT_EQ(gui.hwndFocus, control("txtNote")) << "the focus starts in the note";

    // Cancel ends the program.
    click(control("cmdCancel"));
    DWORD code = 1;
    ASSERT_TRUE(ended(code));
    EXPECT_EQ(code, 0u);
}

// The calendar opens at today whatever the date box holds; Enter takes the day, as a double
// click does, closes the calendar and leaves the caret in the note.
TEST_F(PenwickExe, TheCalendarPutsTheChosenDayIntoTheDateBox) {
    ASSERT_TRUE(type(control("txtDate"), L"1/2/2020"));
    HWND cal = control("Cal");
    click(control("cmdCal"));
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(cal) != FALSE; })) << "no calendar";
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(waitUntil([&] {
        GetGUIThreadInfo(process_.dwThreadId, &gui);
        return gui.hwndFocus == cal;
    })) << "the calendar takes the focus";
    press(cal, VK_RETURN);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(cal); })) << "the calendar stays open";
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t today[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, today, 64);
    EXPECT_EQ(textOf(control("txtDate")), today);
    GetGUIThreadInfo(process_.dwThreadId, &gui);
    EXPECT_EQ(gui.hwndFocus, control("txtNote"));
    click(control("cmdCancel"));
}

TEST_F(PenwickExe, SpellCheckWithoutWordSaysWhatItNeeds) {
    ServerSetup servers(Flavour::InProcess);
    servers.unregister(L"word.application");
    ASSERT_TRUE(type(control("txtNote"), L"teh note"));
    click(control("cmdSpellCheck"));
    HWND box = messageBox();
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(prompt(box),
              L"Sorry the spell checker requires that you have\r\n"
              L"Microsoft Word installed on your computer.");
    EXPECT_EQ(GetDlgItem(box, IDNO), nullptr);
    ASSERT_TRUE(answer(box, IDOK)) << "the box stays";
    EXPECT_EQ(textOf(control("txtNote")), L"teh note") << "the note is unchanged";
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(servers.calls().empty());
}

// The remembered password is refused, the one typed into the login dialog accepted; three
// contacts; the note type "File Attachment" with a file picked in the file dialog.
TEST_P(PenwickExeWithServers, WritesTheNoteToEveryContactOfTheLookup) {
    servers.configure({u"database C:\\Data\\Contacts.dbf", u"user Pat", u"login Pat 4711",
                       u"contact 7", u"contact 9", u"contact 12", u"contact 15", u"lookup 9 12 7"});
    windows::RegistrySettings settings;
    const windows::AnsiCodePage codePage;
    settings.save(u"penwick", u"Contacts.dbf", u"USER", u"Pat");
    settings.save(u"penwick", u"Contacts.dbf", u"SYS",
                  lookup::ScrambleText(u"old", lookup::kScrambleKey, codePage));
    const std::u16string attachment = servers.path(u"offer.txt");
    CloseHandle(
        CreateFileW(w(attachment).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_NO_FATAL_FAILURE(start());

    ASSERT_TRUE(type(control("txtDate"), L"12/6/2026"));
    press(control("cboNoteType"), VK_END);  // the last type, "File Attachment"
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(control("txtFile")) != FALSE; }))
        << "the attachment row stays disabled";
    EXPECT_EQ(textOf(control("cboNoteType")), L"File Attachment");

    click(control("cmdFile"));
    HWND dialog = messageBox(L"Attach File");
    ASSERT_NE(dialog, nullptr) << "no file dialog";
    // The name box of the Explorer-style dialog is the combo box cmb13.
    HWND name = waitFor([&] { return GetDlgItem(dialog, cmb13); }, 5);
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w(attachment).c_str()));
    ASSERT_TRUE(answer(dialog, IDOK)) << "the file dialog stays";
    ASSERT_TRUE(waitUntil([&] { return textOf(control("txtFile")) == w(attachment); }))
        << "txtFile holds " << toUtf8(u(textOf(control("txtFile"))));
    ASSERT_TRUE(type(control("txtNote"), L"Offer sent"));

    click(control("cmdWriteNote"));
    HWND login = shownWindow(L"ACT Login ");
    ASSERT_NE(login, nullptr) << "no login dialog";
    EXPECT_NE(GetWindow(login, GW_OWNER), main_) << "the login dialog is shown with no owner";
    const auto& loginDesc = lookup::validateUserDescription();
    EXPECT_EQ(textOf(findControl(login, loginDesc, "lblDatabase")), L"C:\\Data\\Contacts.dbf");
    EXPECT_EQ(textOf(findControl(login, loginDesc, "txtUserName")), L"Pat");
    ASSERT_TRUE(type(findControl(login, loginDesc, "txtPassword"), L"4711"));
    click(findControl(login, loginDesc, "cmdOK"));

    HWND confirm = messageBox();
    ASSERT_NE(confirm, nullptr) << "no confirmation";
    EXPECT_EQ(prompt(confirm),
              L"Are you sure you would like to update the current lookup\r\n"
              L"of 3 contacts with this note dated 12/6/2026");
    ASSERT_TRUE(answer(confirm, IDYES));
    HWND finished = messageBox();
    ASSERT_NE(finished, nullptr) << "no end message";
    EXPECT_EQ(prompt(finished), L"Finished");
    EXPECT_EQ(textOf(main_), L"Penwick: Finished 3 of 3");
    ASSERT_TRUE(answer(finished, IDOK));
    DWORD code = 1;
    ASSERT_TRUE(ended(code)) << "the program goes on after the run";
    EXPECT_EQ(code, 0u);

    std::wstring folder = windowsPath(PENWICK_EXE);
    folder.erase(folder.rfind(L'\\'));
    expectSameCalls(servers.calls(),
                    canonicalWriteNoteCalls(u(folder) + u"\\lkup.dat", u"4711", attachment));
    ASSERT_EQ(servers.notes().size(), 3u);

    // What the program remembered, as another program of the user's sees it. "4711" scrambles
    // into printable characters, so the console output shows it as stored.
    const std::string scrambled =
        toUtf8(lookup::ScrambleText(u"4711", lookup::kScrambleKey, codePage));
    EXPECT_EQ(regValue(kSettingsKey + L"Contacts.dbf", "USER"), "Pat");
    EXPECT_EQ(regValue(kSettingsKey + L"Contacts.dbf", "SYS"), scrambled);
    EXPECT_EQ(regValue(kSettingsKey + L"Settings", "FilePath"), toUtf8(servers.folder()));
}

// "Meet teh clent today": "teh" becomes the first suggestion, picked in the list; "clent" the
// typed "client".
TEST_P(PenwickExeWithServers, SpellCheckPutsTheChosenWordsIntoTheNote) {
    servers.configure({u"misspelled teh the ten", u"misspelled clent client"});
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(type(control("txtNote"), L"Meet teh clent today"));
    SetWindowPos(main_, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    click(control("cmdSpellCheck"));

    HWND dialog = shownWindow(L"Suggestions");
    ASSERT_NE(dialog, nullptr) << "no suggestions dialog";
    // Centred on the main window where the user moved it, not on the screen.
    RECT owner{}, placed{};
    GetWindowRect(main_, &owner);
    GetWindowRect(dialog, &placed);
    EXPECT_NEAR((placed.left + placed.right) / 2, (owner.left + owner.right) / 2, 1);
    EXPECT_NEAR((placed.top + placed.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
    const auto& desc = spell::spellCheckWindow();
    HWND badWord = findControl(dialog, desc, "txtBadWord");
    HWND list = findControl(dialog, desc, "lstSuggestions");
    HWND replace = findControl(dialog, desc, "txtReplace");
    EXPECT_EQ(textOf(badWord), L"teh");
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(listItem(list, 0), L"the");
    EXPECT_EQ(listItem(list, 1), L"ten");
    press(list, VK_HOME);  // picks the first suggestion, which fills the replacement box
    ASSERT_TRUE(waitUntil([&] { return textOf(replace) == L"the"; }));
    click(findControl(dialog, desc, "cmdChange"));

    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(dialog) && textOf(badWord) == L"clent"; }))
        << "the second word is not offered";
    EXPECT_EQ(textOf(replace), L"the") << "the box keeps the last decision";
    ASSERT_TRUE(type(replace, L"client"));
    click(findControl(dialog, desc, "cmdChange"));

    ASSERT_TRUE(waitUntil([&] { return textOf(control("txtNote")) == L"Meet the client today"; }))
        << toUtf8(u(textOf(control("txtNote"))));
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(dialog); }));
    ASSERT_TRUE(waitUntil([&] {
        return !servers.calls().empty() &&
               servers.calls().back().starts_with(u"Word.Application.Quit");
    })) << "Word is not quit";
    DWORD start = 1, end = 1;
    SendMessageW(control("txtNote"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u) << "the caret at the start, nothing selected";

    expectSameCalls(servers.calls(), canonicalSpellCheckCalls());
    click(control("cmdCancel"));
}

INSTANTIATE_TEST_SUITE_P(, PenwickExeWithServers,
                         ::testing::Values(Flavour::InProcess, Flavour::Local),
                         [](const auto& info) {
                             return info.param == Flavour::InProcess ? "InProcess" : "Local";
                         });

}  // namespace
}  // namespace penwick
