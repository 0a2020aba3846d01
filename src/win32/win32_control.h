#pragma once
// Internal to the front end: one control of a window, its child window behind ui::Control.

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "ui/classic_control.h"
#include "win32/win32_ui.h"
#include "windows/wide.h"

namespace penwick::win32 {

using ui::ControlKind;
using ui::SysColor;
using windows::wide;

class Win32Control final : public ui::ClassicControl {
public:
    Win32Control(Win32Window& window, const ui::ControlDesc& description, HWND hwnd)
        : window_(window), description_(description), hwnd_(hwnd) {
        if (description.background) background_ = *description.background;
    }

    const ui::ControlDesc& description() const override { return description_; }
    HWND hwnd() const { return hwnd_; }
    Win32Window& window() const { return window_; }
    // The background explicitly given, by the description or the logic.
    std::optional<SysColor> explicitBackground() const { return background_; }

    std::u16string text() const override;
    bool enabled() const override { return IsWindowEnabled(hwnd_) != FALSE; }
    void setEnabled(bool enabled) override { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    void setVisible(bool visible) override;
    void setFocus() override;
    bool hasFocus() const;
    void setBackground(SysColor color) override {
        background_ = color;
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    void bringToFront() override {
        SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    int selectionStart() const override { return selection().first; }
    std::u16string selectedText() const override;
    void setSelectedText(std::u16string_view text) override;

    int listIndex() const override;
    int listCount() const override;
    void clearList() override;
    void addItem(std::u16string_view item) override;

    std::chrono::year_month_day calendarValue() const override;

    // A link that is a tab stop is reached with the keyboard, as a button is; other labels and
    // frames never take the focus.
    bool isKeyboardLink() const {
        return description_.kind == ControlKind::Label && description_.cursor == ui::Cursor::Link &&
               description_.tabStop;
    }
    bool takesFocus() const {
        return isKeyboardLink() ||
               (description_.kind != ControlKind::Label && description_.kind != ControlKind::Frame);
    }
    bool isTabStop() const { return takesFocus() && description_.tabStop; }

protected:
    void writeText(std::u16string_view text) override;
    int textLength() const override { return GetWindowTextLengthW(hwnd_); }
    void placeCaret(int position) override;
    void select(int start, int length) override;
    void selectEntry(int index) override;
    std::u16string entry(int index) const override;
    void showDate(std::chrono::year_month_day date) override;

private:
    bool isEdit() const {
        return description_.kind == ControlKind::TextBox ||
               description_.kind == ControlKind::MultiLineTextBox;
    }
    bool isCombo() const { return description_.kind == ControlKind::DropDownList; }
    std::pair<int, int> selection() const {
        DWORD start = 0, end = 0;
        SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {static_cast<int>(start), static_cast<int>(end)};
    }

    Win32Window& window_;
    const ui::ControlDesc& description_;
    HWND hwnd_;
    std::optional<SysColor> background_;
};
}  // namespace penwick::win32
