// The Win32 front end keeps the rules every front end keeps, read back from its real windows
// under Wine.

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <stdexcept>

#include "contract/ui_contract.h"
#include "win32/win32_ui.h"

namespace penwick::contract {
namespace {

struct Win32Front {
    win32::Win32Ui win32Ui;

    ui::Ui& ui() { return win32Ui; }
    void pump() { win32Ui.yield(); }
    HWND top(ui::Window& w) { return win32Ui.handleOf(w); }
    HWND child(ui::Window& w, std::string_view control) {
        HWND hwnd = win32Ui.handleOf(w.control(control));
        if (hwnd == nullptr) throw std::logic_error("no window for " + std::string(control));
        return hwnd;
    }

    // Pressed and let go over the middle of the control's place, as the mouse would: the
    // visible window that lies there gets it, and a disabled one swallows it.
    void click(ui::Window& w, std::string_view control) {
        RECT r{};
        GetWindowRect(child(w, control), &r);
        POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        HWND target = top(w);
        for (;;) {
            POINT local = at;
            ScreenToClient(target, &local);
            HWND next =
                ChildWindowFromPointEx(target, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
            if (next == nullptr || next == target) break;
            target = next;
        }
        if (IsWindowEnabled(target)) {
            POINT local = at;
            ScreenToClient(target, &local);
            const LPARAM where = MAKELPARAM(local.x, local.y);
            PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
            PostMessageW(target, WM_LBUTTONUP, 0, where);
        }
        pump();
    }
    void closeBox(ui::Window& w) { PostMessageW(top(w), WM_SYSCOMMAND, SC_CLOSE, 0); }

    // Runs once the modal loop waits for input.
    static inline std::function<void()> pending;
    static void CALLBACK runPending(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        auto action = std::move(pending);
        if (action) action();
    }
    void whileModal(ui::Window&, std::function<void()> action) {
        pending = std::move(action);
        SetTimer(nullptr, 0, 0, runPending);
    }
    bool loaded(ui::Window& w) { return win32Ui.handleOf(w) != nullptr; }

    int selectionStart(ui::Window& w, std::string_view c) {
        DWORD start = 0, end = 0;
        SendMessageW(child(w, c), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return static_cast<int>(start);
    }
    int selectionLength(ui::Window& w, std::string_view c) {
        DWORD start = 0, end = 0;
        SendMessageW(child(w, c), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return static_cast<int>(end - start);
    }
    bool hasFocus(ui::Window& w, std::string_view c) { return GetFocus() == child(w, c); }
    bool enabled(ui::Window& w, std::string_view c) { return IsWindowEnabled(child(w, c)); }
    bool shown(ui::Window& w, std::string_view c) {
        return (GetWindowLongW(child(w, c), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    int listCount(ui::Window& w, std::string_view c) {
        HWND list = child(w, c);
        wchar_t cls[32] = {};
        GetClassNameW(list, cls, 32);
        const bool combo = lstrcmpiW(cls, L"ComboBox") == 0;
        return static_cast<int>(SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    }
    // The colour on the screen, inside the box's right end where no text stands.
    bool paintedIn(ui::Window& w, std::string_view c, ui::SysColor color) {
        HWND box = child(w, c);
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        pump();
        RECT r{};
        GetClientRect(box, &r);
        HDC dc = GetDC(box);
        const COLORREF seen = GetPixel(dc, r.right - 3, r.bottom / 2);
        ReleaseDC(box, dc);
        return seen == GetSysColor(static_cast<int>(color));
    }
    std::u16string caption(ui::Window& w) {
        wchar_t text[256] = {};
        GetWindowTextW(top(w), text, 256);
        return std::u16string(text, text + lstrlenW(text));
    }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, UiContract, Win32Front);

}  // namespace penwick::contract
