// penwick.exe itself under Wine with real windows, driven from outside as the user would: the
// start-up state of the main window, the spell check without Word, and Cancel ending it.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/note_update_form.h"
#include "win32/win32_ui.h"

namespace penwick {
namespace {

std::wstring windowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p != '\0'; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
    return path;
}

// WM_GETTEXT, not GetWindowText: the latter does not ask a control of another process.
std::wstring textOf(HWND hwnd) {
    wchar_t text[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

template <class Find>
HWND waitFor(Find find, int seconds = 30) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND hwnd = find()) return hwnd;
        Sleep(100);
    }
    return nullptr;
}

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK findById(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (GetDlgCtrlID(hwnd) != search->id) return TRUE;
    search->found = hwnd;
    return FALSE;
}

class PenwickExe : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring command = L"\"" + windowsPath(PENWICK_EXE) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process_));
        main_ =
            waitFor([] { return FindWindowW(L"PenwickForm", L"Penwick by Hollowfen ver 2.2"); });
        ASSERT_NE(main_, nullptr) << "no main window";
    }
    void TearDown() override {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    // A control of the main window: its id is its place in the description.
    HWND control(const char* name) const {
        const auto& controls = app::noteUpdateDescription().controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].name != name) continue;
            Search search{win32::kFirstControlId + static_cast<int>(i), nullptr};
            EnumChildWindows(main_, findById, reinterpret_cast<LPARAM>(&search));
            return search.found;
        }
        return nullptr;
    }
    // The message box the program shows, by its title.
    HWND messageBox() const {
        return waitFor([] { return FindWindowW(L"#32770", L"Penwick"); }, 20);
    }

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

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
    PostMessageW(control("cmdCancel"), BM_CLICK, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

TEST_F(PenwickExe, SpellCheckWithoutWordSaysWhatItNeeds) {
    SendMessageW(control("txtNote"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"teh note"));
    PostMessageW(control("cmdSpellCheck"), BM_CLICK, 0, 0);
    HWND box = messageBox();
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(textOf(GetDlgItem(box, 0xFFFF)),
              L"Sorry the spell checker requires that you have\r\n"
              L"Microsoft Word installed on your computer.");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return IsWindow(box) ? nullptr : main_; }, 10)) << "the box stays";
    EXPECT_EQ(textOf(control("txtNote")), L"teh note") << "the note is unchanged";
    EXPECT_TRUE(IsWindowEnabled(main_));
}

}  // namespace
}  // namespace penwick
