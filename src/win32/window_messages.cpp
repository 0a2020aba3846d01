// A window's message routing: the form's messages, its controls' and what they pass on.
#include "win32/win32_window.h"

#include <commctrl.h>

#include "util/failure.h"
#include "util/text.h"
#include "win32/accessible.h"
#include "win32/images.h"

namespace penwick::win32 {

bool Win32Window::handleChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND: {
            const auto code = HIWORD(wp);
            Win32Control* c = controlOf(reinterpret_cast<HWND>(lp));
            if (c == nullptr && LOWORD(wp) == IDCANCEL) {
                // Esc through the dialog keys: the cancel button, when it can be pressed.
                for (auto& each : controls_)
                    if (each->description().cancelButton) c = each.get();
                if (c == nullptr || !IsWindowVisible(c->hwnd()) || !IsWindowEnabled(c->hwnd()))
                    return true;
                deliver(ui::EventKind::Click, &c->description());
                return true;
            }
            if (c == nullptr) return false;
            const ControlKind kind = c->description().kind;
            if ((kind == ControlKind::Button && code == BN_CLICKED) ||
                (kind == ControlKind::Label && code == STN_CLICKED) ||
                (kind == ControlKind::DropDownList && code == CBN_SELCHANGE) ||
                (kind == ControlKind::ListBox && code == LBN_SELCHANGE))
                deliver(ui::EventKind::Click, &c->description());
            result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: {
            const Win32Control* c = controlOf(reinterpret_cast<HWND>(lp));
            // A combo box's own list reports as the list; its colours are the combo's.
            if (c == nullptr && msg == WM_CTLCOLORLISTBOX) return false;
            HDC dc = reinterpret_cast<HDC>(wp);
            std::optional<SysColor> back = c ? c->explicitBackground() : std::nullopt;
            const bool textField = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
            if (!back && !textField) back = description_.background.value_or(SysColor::ButtonFace);
            if (!back) return false;
            if (c != nullptr && c->description().foreground)
                SetTextColor(dc, GetSysColor(static_cast<int>(*c->description().foreground)));
            else if (c != nullptr && !IsWindowEnabled(c->hwnd()))
                SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            SetBkColor(dc, GetSysColor(static_cast<int>(*back)));
            result = reinterpret_cast<LRESULT>(GetSysColorBrush(static_cast<int>(*back)));
            return true;
        }
        case WM_SETCURSOR: {
            const Win32Control* c = controlOf(reinterpret_cast<HWND>(wp));
            if (c == nullptr || c->description().cursor != ui::Cursor::Link ||
                LOWORD(lp) != HTCLIENT)
                return false;
            SetCursor(ui_.linkCursor());
            result = TRUE;
            return true;
        }
        case WM_NOTIFY:
            return false;
        default:
            return false;
    }
}

LRESULT Win32Window::handleForm(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (handleChildMessage(msg, wp, lp, result)) return result;
    switch (msg) {
        case WM_CLOSE:
            // The logic decides whether the window goes.
            deliver(ui::EventKind::CloseRequest);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;  // a close request is never refused
        case WM_ENDSESSION:
            // Logoff or shutdown is a close request of the main window: the close steps run
            // before the system ends the process.
            if (wp != FALSE && isMainWindow()) deliver(ui::EventKind::CloseRequest);
            return 0;
        case WM_SIZE:
            if (IsWindowVisible(hwnd_)) deliver(ui::EventKind::Resize);
            return 0;
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(hwnd_, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, formBrush());
            return TRUE;
        }
        case WM_ACTIVATE:
            // Keep the focus of a window that goes inactive, and give it back later.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) &&
                       IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_)) {
                SetFocus(lastFocus_);
                return 0;
            } else if (!tab(nullptr, false)) {
                SetFocus(hwnd_);
            }
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

LRESULT Win32Window::handleControl(Win32Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const ui::ControlDesc& d = c.description();
    switch (msg) {
        case WM_SETFOCUS:
            if (c.isKeyboardLink()) InvalidateRect(hwnd, nullptr, TRUE);  // the focus cue
            break;
        case WM_KILLFOCUS: {
            if (c.isKeyboardLink()) InvalidateRect(hwnd, nullptr, TRUE);
            const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
            // Focus moving elsewhere in the same window; a switch to another window or program
            // is no loss of focus to the program.
            HWND to = reinterpret_cast<HWND>(wp);
            if (to != nullptr && (to == hwnd_ || IsChild(hwnd_, to)) && controlOf(to) != &c)
                deliver(ui::EventKind::LostFocus, &d);
            return r;
        }
        case WM_LBUTTONDBLCLK:
            if (d.kind == ControlKind::ListBox) {
                // Anywhere in the list, an empty one too.
                const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
                deliver(ui::EventKind::DblClick, &d);
                return r;
            }
            [[fallthrough]];
        case WM_LBUTTONDOWN:
            if (d.kind == ControlKind::MonthCalendar) {
                // The calendar reports no double click: two clicks on the same day within the
                // system's double-click time and distance are one.
                const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
                MCHITTESTINFO hit{};
                hit.cbSize = MCHITTESTINFO_V1_SIZE;
                hit.pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
                SendMessageW(hwnd, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
                if ((hit.uHit & MCHT_CALENDARDATE) != MCHT_CALENDARDATE) {
                    lastDayClick_ = 0;
                    return r;
                }
                const DWORD now = GetMessageTime();
                const bool twice =
                    lastDayClick_ != 0 && now - lastDayClick_ <= GetDoubleClickTime() &&
                    std::abs(hit.pt.x - lastDayPoint_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                    std::abs(hit.pt.y - lastDayPoint_.y) <= GetSystemMetrics(SM_CYDOUBLECLK) &&
                    hit.st.wDay == lastDay_.wDay && hit.st.wMonth == lastDay_.wMonth &&
                    hit.st.wYear == lastDay_.wYear;
                lastDayClick_ = twice ? 0 : now;
                lastDayPoint_ = hit.pt;
                lastDay_ = hit.st;
                if (twice) deliver(ui::EventKind::DblClick, &d);
                return r;
            }
            break;
        case WM_KEYDOWN:
            if (d.kind == ControlKind::MonthCalendar && wp == VK_RETURN) {
                deliver(ui::EventKind::DblClick, &d);  // Enter takes the day, as a double click
                return 0;
            }
            if (c.isKeyboardLink() && (wp == VK_RETURN || wp == VK_SPACE)) {
                deliver(ui::EventKind::Click, &d);  // followed as a click follows it
                return 0;
            }
            break;
        case WM_PAINT:
            if (c.isKeyboardLink() && wp == 0 && GetFocus() == hwnd) {
                const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
                RECT text{};
                GetClientRect(hwnd, &text);
                HDC dc = GetDC(hwnd);
                DrawFocusRect(dc, &text);
                ReleaseDC(hwnd, dc);
                return r;
            }
            if (d.kind == ControlKind::MonthCalendar) {
                if (wp != 0) {
                    paintCalendar(hwnd, reinterpret_cast<HDC>(wp));
                    return 0;
                }
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                paintCalendar(hwnd, dc);
                EndPaint(hwnd, &ps);
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            if (d.kind == ControlKind::MonthCalendar && (lp & PRF_CLIENT) != 0) {
                paintCalendar(hwnd, reinterpret_cast<HDC>(wp));
                return 0;
            }
            break;
        case WM_GETDLGCODE:
            if (d.kind == ControlKind::MonthCalendar || c.isKeyboardLink())
                return DefSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
            break;
        case WM_GETOBJECT:
            if (const LRESULT r =
                    answerGetObject(hwnd, wp, lp, ui::accessibleDesc(description_, d)))
                return r;
            break;
        default:
            break;
    }
    if (d.kind == ControlKind::Frame) {
        // A group box is no dialog: what its children report goes to the window's handling.
        LRESULT result = 0;
        if (handleChildMessage(msg, wp, lp, result)) return result;
        if (msg == WM_ERASEBKGND) {
            RECT r{};
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, formBrush());
            return TRUE;
        }
        if (msg == WM_NCHITTEST)
            return HTCLIENT;  // its inside belongs to it, not to what lies below
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Window::formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* window = static_cast<Win32Window*>(create->lpCreateParams);
        window->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr || window->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return window->handleForm(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT CALLBACK Win32Window::controlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR data) {
    auto* control = reinterpret_cast<Win32Control*>(data);
    try {
        return control->window().handleControl(*control, hwnd, msg, wp, lp);
    } catch (...) {
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
}
}  // namespace penwick::win32
