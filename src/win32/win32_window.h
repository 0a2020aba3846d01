#pragma once
// Internal to the front end: a window built from its description, with its message routing.

#include <shobjidl.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "ui/layout.h"
#include "win32/win32_control.h"
#include "win32/win32_ui.h"

namespace penwick::win32 {

inline constexpr wchar_t kFormClass[] = L"PenwickForm";

class Win32Window final : public ui::Window {
public:
    Win32Window(Win32Ui& ui, const ui::WindowDesc& description, ui::EventSink& sink, HWND owner);
    ~Win32Window() override;

    const ui::WindowDesc& description() const override { return description_; }
    ui::Control& control(std::string_view name, int index = -1) override;
    void setCaption(std::u16string_view caption) override {
        SetWindowTextW(hwnd_, wide(caption).c_str());
    }
    void show() override;
    void showModal() override;
    void hide() override;
    bool visible() const override { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }
    void bringToFront() override;
    void moveTo(int leftTwips, int topTwips) override;
    int widthTwips() const override;
    int heightTwips() const override;
    void setProgress(const ui::Progress& progress) override;

    HWND hwnd() const { return hwnd_; }
    Win32Ui& ui() const { return ui_; }
    bool isMainWindow() const {
        const auto& windows = ui_.windows().windows();
        return !windows.empty() && windows.front().get() == this;
    }
    Win32Control* controlOf(HWND hwnd) const;
    // Moves the focus to the next (or previous) control in tab order; false when none takes it.
    bool tab(HWND from, bool backwards);
    // Passes one user event to the logic, unless the window has been unloaded.
    void deliver(ui::EventKind kind, const ui::ControlDesc* control = nullptr) {
        ui_.windows().deliver(sink_, kind, control);
    }
    // Cuts the window off from the logic: no more events, out of its modal loop, hidden.
    void detach();

    static LRESULT CALLBACK formProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK controlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

private:
    HWND build(const ui::ControlDesc& d, HWND parent, int id);
    void place();
    int toPixels(int twips) const { return ui::twipsToPixels(twips, ui_.dotsPerInch()); }
    int toTwips(int pixels) const { return ui::pixelsToTwips(pixels, ui_.dotsPerInch()); }
    HBRUSH formBrush() const {
        return GetSysColorBrush(
            static_cast<int>(description_.background.value_or(SysColor::ButtonFace)));
    }
    void endModal();
    // Messages that the form and its frames share: commands, notifications, colours, cursor.
    bool handleChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    LRESULT handleForm(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handleControl(Win32Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // The calendar as the system draws it, with its title and day names drawn again over it
    // in their own fonts; into a bitmap first, so that nothing flickers.
    void paintCalendar(HWND hwnd, HDC target);
    void redrawCalendarBands(HWND hwnd, HDC dc, const RECT& client);

    Win32Ui& ui_;
    const ui::WindowDesc& description_;
    ui::EventSink* sink_;
    HWND hwnd_ = nullptr;
    HWND tooltips_ = nullptr;
    HICON icon_ = nullptr;
    std::vector<std::unique_ptr<Win32Control>> controls_;
    HWND lastFocus_ = nullptr;
    bool placed_ = false;
    bool modal_ = false;
    std::vector<HWND> disabledForModal_;
    ITaskbarList3* taskbar_ = nullptr;
    bool taskbarAsked_ = false;
    ui::Progress lastProgress_;
    // The calendar's double click: the last click on a day, and when.
    DWORD lastDayClick_ = 0;
    POINT lastDayPoint_{};
    SYSTEMTIME lastDay_{};
};
}  // namespace penwick::win32
