#pragma once
// Driving penwick.exe from outside under Wine, as the user would: finding its windows and
// controls, typing, clicking and answering its boxes; the remembered settings read with `reg`.

#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/note_update_form.h"
#include "com/canonical_calls.h"
#include "com/server_setup.h"
#include "find_control.h"
#include "lookup/scramble.h"
#include "lookup/validate_user_form.h"
#include "spell/spell_check_form.h"
#include "util/text.h"
#include "win32/win32_ui.h"
#include "windows/ansi_code_page.h"
#include "windows/registry_settings.h"

namespace penwick {
// Inline rather than file-local: each test file uses only some of them.
namespace exe_test {

using testing::canonicalSpellCheckCalls;
using testing::canonicalWriteNoteCalls;
using testing::expectSameCalls;
using testing::findControl;
using testing::Flavour;
using testing::ServerSetup;

inline std::wstring windowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p != '\0'; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
    return path;
}

inline std::wstring w(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
inline std::u16string u(std::wstring_view s) {
    return std::u16string(s.begin(), s.end());
}

// WM_GETTEXT, not GetWindowText: the latter does not ask a control of another process.
inline std::wstring textOf(HWND hwnd) {
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

// Waits until a condition holds; false when it never does.
template <class Condition>
bool waitUntil(Condition condition, int seconds = 20) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (condition()) return true;
        Sleep(100);
    }
    return false;
}

// One of the program's windows once it is shown: found earlier, it may still lack controls.
inline HWND shownWindow(const wchar_t* caption) {
    return waitFor(
        [&] {
            HWND hwnd = FindWindowW(L"PenwickForm", caption);
            return hwnd != nullptr && IsWindowVisible(hwnd) ? hwnd : nullptr;
        },
        20);
}

// The user's input goes through the program's own message loop: posted, not sent.
inline void click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}
inline void press(HWND control, WPARAM key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
    PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}
// Replaces a text box's text by typing, and waits until the box holds it.
inline bool type(HWND edit, std::wstring_view text) {
    PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : text) PostMessageW(edit, WM_CHAR, c, 1);
    return waitUntil([&] { return textOf(edit) == text; });
}

inline std::wstring listItem(HWND list, int index) {
    wchar_t item[256] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item));
    return item;
}

// Runs Wine's `reg` in this prefix and returns what it printed.
inline std::string runReg(std::wstring arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return {};
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process{};
    std::wstring command = L"reg.exe " + arguments;
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(write);
    std::string out;
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
            out.append(buffer, got);
        WaitForSingleObject(process.hProcess, 20000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(read);
    return out;
}

// One value as `reg query` shows it ("    USER    REG_SZ    Pat"); "(none)" when it lists none.
inline std::string regValue(const std::wstring& key, const std::string& name) {
    std::istringstream out(runReg(L"query \"" + key + L"\""));
    const std::string marker = "    " + name + "    REG_SZ    ";
    for (std::string line; std::getline(out, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(marker)) return line.substr(marker.size());
        if (line == "    " + name + "    REG_SZ") return "";
    }
    return "(none)";
}

inline const std::wstring kSettingsKey =
    L"HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\penwick\\";

class PenwickExe : public ::testing::Test {
protected:
    void start() {
        std::wstring command = L"\"" + windowsPath(PENWICK_EXE) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        // Wine, starting a fresh session on a loaded machine, has once refused the first
        // process; what is tested is the program once it runs, so a refusal is tried again.
        std::vector<DWORD> refusals;
        while (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process_)) {
            refusals.push_back(GetLastError());
            ASSERT_LT(refusals.size(), 3u)
                << "the program does not start; errors " << ::testing::PrintToString(refusals);
            Sleep(500);
        }
        started_ = true;
        main_ = shownWindow(L"Penwick by Hollowfen ver 2.2");
        ASSERT_NE(main_, nullptr) << "no main window";
    }
    void SetUp() override { start(); }
    void TearDown() override {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    HWND control(const char* name) const {
        return findControl(main_, app::noteUpdateDescription(), name);
    }
    // The message box the program shows, by its title.
    static HWND messageBox(const wchar_t* title = L"Penwick") {
        return waitFor([&] { return FindWindowW(L"#32770", title); }, 20);
    }
    static std::wstring prompt(HWND box) { return textOf(GetDlgItem(box, 0xFFFF)); }
    // Presses one of a box's buttons and waits until the box is gone.
    static bool answer(HWND box, int button) {
        HWND hwnd = GetDlgItem(box, button);
        if (hwnd == nullptr) return false;
        click(hwnd);
        return waitUntil([&] { return !IsWindow(box); }, 10);
    }
    bool ended(DWORD& code) {
        if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) return false;
        GetExitCodeProcess(process_.hProcess, &code);
        return true;
    }

    PROCESS_INFORMATION process_{};
    bool started_ = false;
    HWND main_ = nullptr;
};

// The program and its test servers, which the program starts itself: in its own process (the
// DLL) or as a process of their own (the EXE).
class PenwickExeWithServers : public PenwickExe, public ::testing::WithParamInterface<Flavour> {
protected:
    void SetUp() override {}  // the servers are configured before the program starts
    ServerSetup servers{GetParam()};
};

}  // namespace exe_test
}  // namespace penwick
