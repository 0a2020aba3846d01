#pragma once
// The Win32 front end: real windows and child controls built from the logic's window
// descriptions, message boxes, the file-open dialog and one message loop with the nested
// modal loops of dialogs and message boxes.

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ui/window.h"
#include "ui/window_keeper.h"

namespace penwick::win32 {

class Win32Window;

// The id of a control's child window: its place in the window's description from this number
// on; a cancel button (Esc presses it) is IDCANCEL.
inline constexpr int kFirstControlId = 100;
inline int controlId(const ui::WindowDesc& description, std::size_t index) {
    return description.controls[index].cancelButton ? IDCANCEL
                                                    : kFirstControlId + static_cast<int>(index);
}

class Win32Ui final : public ui::Ui {
public:
    // instance: the module whose window classes these are (the program's own).
    explicit Win32Ui(HINSTANCE instance = GetModuleHandleW(nullptr));
    ~Win32Ui() override;
    Win32Ui(const Win32Ui&) = delete;
    Win32Ui& operator=(const Win32Ui&) = delete;

    ui::Window& create(const ui::WindowDesc& description, ui::EventSink& sink) override;
    void destroy(ui::Window& window) override;
    void yield() override;
    ui::MessageAnswer messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                 std::u16string_view title) override;
    std::optional<std::u16string> openFile(const ui::FileDialogRequest& request,
                                           ui::Window* owner) override;
    ui::ScreenSize screenSize() const override;
    void quit(int exitCode) override;
    int run() override;

    // The screen's logical resolution that twips are measured against.
    int dotsPerInch() const { return dpi_; }
    // The top-level window of a window this front end made (for tests and owners).
    HWND handleOf(const ui::Window& window) const;
    // The child window of a control (for tests).
    HWND handleOf(const ui::Control& control) const;
    bool quitRequested() const { return quitRequested_; }

    // Internal to the front end's windows.
    HINSTANCE instance() const { return instance_; }
    HFONT font(const ui::Font& font);
    HCURSOR linkCursor() const { return linkCursor_; }
    ui::WindowKeeper<Win32Window>& windows() { return windows_; }
    // Runs one message through the dialog keys and dispatch; false when it was WM_QUIT.
    bool dispatch(MSG& msg);
    HWND activeOwner() const;

private:
    Win32Window* windowOf(HWND hwnd) const;
    HWND hiddenOwner();

    HINSTANCE instance_;
    int dpi_ = 96;
    HCURSOR linkCursor_ = nullptr;
    std::map<std::tuple<std::u16string, int, bool, bool>, HFONT> fonts_;
    ui::WindowKeeper<Win32Window> windows_;
    HWND hiddenOwner_ = nullptr;
    bool quitRequested_ = false;
    int exitCode_ = 0;
};

}  // namespace penwick::win32
