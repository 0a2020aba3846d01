#include "win32/win32_control.h"

#include <commctrl.h>

#include <algorithm>

#include "util/failure.h"
#include "util/text.h"
#include "win32/win32_window.h"

namespace penwick::win32 {

namespace {

std::u16string windowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return windows::narrowToU16(text);
}

SYSTEMTIME toSystemTime(std::chrono::year_month_day d) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(static_cast<int>(d.year()));
    st.wMonth = static_cast<WORD>(static_cast<unsigned>(d.month()));
    st.wDay = static_cast<WORD>(static_cast<unsigned>(d.day()));
    return st;
}

}  // namespace

std::u16string Win32Control::text() const {
    switch (description_.kind) {
        case ControlKind::DropDownList:
        case ControlKind::ListBox: {
            const int i = listIndex();
            return i < 0 ? std::u16string() : listItem(i);
        }
        case ControlKind::MonthCalendar:
            return {};
        default:
            return windowText(hwnd_);
    }
}

void Win32Control::writeText(std::u16string_view text) {
    SetWindowTextW(hwnd_, wide(text).c_str());
    if (isEdit()) SendMessageW(hwnd_, EM_SETSEL, 0, 0);
}

void Win32Control::setVisible(bool visible) {
    // A control that goes with the focus hands it on to the next in tab order, as it would on
    // the user's Tab; the system would leave it on the frame or the window.
    if (!visible && hasFocus()) window_.tab(hwnd_, false);
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Control::setFocus() {
    if (!takesFocus() || !IsWindowVisible(hwnd_) || !IsWindowEnabled(hwnd_))
        raise(err::InvalidCall, fromUtf8(description_.name) + u".SetFocus");
    SetFocus(hwnd_);
}

bool Win32Control::hasFocus() const {
    HWND focus = GetFocus();
    return focus != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus));
}

void Win32Control::placeCaret(int position) {
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(position), position);
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

void Win32Control::select(int start, int length) {
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

std::u16string Win32Control::selectedText() const {
    requireTextBox(u"SelText");
    const auto [start, end] = selection();
    const std::u16string all = windowText(hwnd_);
    const auto from = std::min<std::size_t>(static_cast<std::size_t>(start), all.size());
    return all.substr(from, static_cast<std::size_t>(end - start));
}

void Win32Control::setSelectedText(std::u16string_view text) {
    requireTextBox(u"SelText");
    const std::wstring w = wide(text);
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}

int Win32Control::listIndex() const {
    requireList(u"ListIndex");
    const LRESULT i = SendMessageW(hwnd_, isCombo() ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return i < 0 ? -1 : static_cast<int>(i);
}

void Win32Control::selectEntry(int index) {
    // The logic's own change is no click: these messages notify nobody.
    SendMessageW(hwnd_, isCombo() ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Control::listCount() const {
    requireList(u"ListCount");
    return static_cast<int>(SendMessageW(hwnd_, isCombo() ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
}

std::u16string Win32Control::entry(int index) const {
    const auto i = static_cast<WPARAM>(index);
    const LRESULT n = SendMessageW(hwnd_, isCombo() ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
    std::wstring item(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1, L'\0');
    const LRESULT got = SendMessageW(hwnd_, isCombo() ? CB_GETLBTEXT : LB_GETTEXT, i,
                                     reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    return windows::narrowToU16(item);
}

void Win32Control::clearList() {
    requireList(u"Clear");
    SendMessageW(hwnd_, isCombo() ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
}

void Win32Control::addItem(std::u16string_view item) {
    requireList(u"AddItem");
    const std::wstring w = wide(item);
    const LRESULT r = SendMessageW(hwnd_, isCombo() ? CB_ADDSTRING : LB_ADDSTRING, 0,
                                   reinterpret_cast<LPARAM>(w.c_str()));
    if (r < 0) raise(err::OutOfMemory, fromUtf8(description_.name) + u".AddItem");
}

std::chrono::year_month_day Win32Control::calendarValue() const {
    if (description_.kind != ControlKind::MonthCalendar) unsupported(u"Value");
    SYSTEMTIME st{};
    SendMessageW(hwnd_, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
    return std::chrono::year_month_day{std::chrono::year{st.wYear}, std::chrono::month{st.wMonth},
                                       std::chrono::day{st.wDay}};
}

void Win32Control::showDate(std::chrono::year_month_day date) {
    SYSTEMTIME st = toSystemTime(date);
    if (!SendMessageW(hwnd_, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st)))
        invalidValue(u"Value");  // outside the calendar's range
}
}  // namespace penwick::win32
