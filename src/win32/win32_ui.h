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

#include "ui/front_end.h"

namespace penwick::win32 {

class Win32Window;

}  // namespace penwick::win32

// Instantiated once, in the front end's own source, where the window is complete.
extern template class penwick::ui::FrontEnd<penwick::win32::Win32Window>;

namespace penwick::win32 {

// The id of a control's child window: its place in the window's description from this number
// on; a cancel button (Esc presses it) is IDCANCEL.
inline constexpr int kFirstControlId = 100;
inline int controlId(const ui::WindowDesc& description, std::size_t index) {
    return description.controls[index].cancelButton ? IDCANCEL
                                                    : kFirstControlId + static_cast<int>(index);
}

class Win32Ui final : public ui::FrontEnd<Win32Window> {
public:
    // instance: the module whose window classes these are (the program's own).
    explicit Win32Ui(HINSTANCE instance = GetModuleHandleW(nullptr));
    ~Win32Ui() override;
    Win32Ui(const Win32Ui&) = delete;
    Win32Ui& operator=(const Win32Ui&) = delete;

    void yield() override;
    ui::MessageAnswer messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                 std::u16string_view title) override;
    std::optional<std::u16string> openFile(const ui::FileDialogRequest& request,
                                           ui::Window* owner) override;
    double dotsPerInch() const override { return dpi_; }

    // The top-level window of a window this front end made (for tests and owners).
    HWND handleOf(const ui::Window& window) const;
    // The child window of a control (for tests).
    HWND handleOf(const ui::Control& control) const;

    // Internal to the front end's windows.
    HINSTANCE instance() const { return instance_; }
    HFONT font(const ui::Font& font);
    HCURSOR linkCursor() const { return linkCursor_; }
    // Runs one message through the dialog keys and dispatch; false when it was WM_QUIT.
    bool dispatch(MSG& msg);
    HWND activeOwner() const;

protected:
    std::unique_ptr<Win32Window> makeWindow(const ui::WindowDesc& description,
                                            ui::EventSink& sink) override;
    ui::PixelSize screenPixels() const override;
    void leaveLoops(int exitCode) override;
    int runLoop() override;

private:
    Win32Window* windowOf(HWND hwnd) const;
    HWND hiddenOwner();

    HINSTANCE instance_;
    int dpi_ = 96;
    HCURSOR linkCursor_ = nullptr;
    std::map<std::tuple<std::u16string, int, bool, bool>, HFONT> fonts_;
    HWND hiddenOwner_ = nullptr;
};

}  // namespace penwick::win32
