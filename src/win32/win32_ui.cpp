#include "win32/win32_ui.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "win32/images.h"
#include "win32/win32_window.h"

namespace penwick::win32 {

// --- Ui ---------------------------------------------------------------------------------------

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX init{
        sizeof init, ICC_STANDARD_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = Win32Window::formProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kFormClass;
    RegisterClassExW(&cls);  // a second front end in the same process finds it registered
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;
    linkCursor_ = makeLinkCursor();
}

Win32Ui::~Win32Ui() {
    windows_.clear();
    for (auto& [key, font] : fonts_) DeleteObject(font);
    if (linkCursor_ != nullptr) DestroyCursor(linkCursor_);
    if (hiddenOwner_ != nullptr) DestroyWindow(hiddenOwner_);
}

ui::Window& Win32Ui::create(const ui::WindowDesc& description, ui::EventSink& sink) {
    // Dialogs are owned by the first window, the program's main window; one shown with no
    // owner window by a hidden window of the program, which keeps it off the taskbar.
    const auto& windows = windows_.windows();
    HWND owner = windows.empty() ? nullptr : windows.front()->hwnd();
    if (!description.ownedByMainWindow) owner = hiddenOwner();
    return windows_.add(std::make_unique<Win32Window>(*this, description, sink, owner));
}

void Win32Ui::destroy(ui::Window& window) {
    windows_.remove(window);
}

HWND Win32Ui::hiddenOwner() {
    if (hiddenOwner_ == nullptr)
        hiddenOwner_ = CreateWindowExW(0, L"STATIC", L"Penwick", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance_, nullptr);
    return hiddenOwner_;
}

HWND Win32Ui::handleOf(const ui::Window& window) const {
    const Win32Window* w = windows_.find(window);
    return w ? w->hwnd() : nullptr;
}

HWND Win32Ui::handleOf(const ui::Control& control) const {
    return static_cast<const Win32Control&>(control).hwnd();
}

Win32Window* Win32Ui::windowOf(HWND hwnd) const {
    HWND root = hwnd != nullptr ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    for (auto& w : windows_.windows())
        if (w->hwnd() == root) return w.get();
    return nullptr;
}

HWND Win32Ui::activeOwner() const {
    if (HWND active = GetActiveWindow(); active != nullptr && windowOf(active) != nullptr)
        return active;
    const auto& windows = windows_.windows();
    const auto newest =
        std::find_if(windows.rbegin(), windows.rend(), [](const auto& w) { return w->visible(); });
    return newest != windows.rend() ? (*newest)->hwnd() : nullptr;
}

bool Win32Ui::dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) return false;
    if (Win32Window* w = windowOf(msg.hwnd)) {
        // Tab walks the window's own order across frames; the rest of the dialog keys (Esc,
        // arrows, Enter) are the dialog manager's.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
            GetKeyState(VK_MENU) >= 0) {
            const bool backwards = GetKeyState(VK_SHIFT) < 0;
            if (w->tab(msg.hwnd, backwards)) return true;
        }
        if (msg.message == WM_CHAR && msg.wParam == L'\t') return true;
        if (IsDialogMessageW(w->hwnd(), &msg)) return true;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void Win32Ui::yield() {
    MSG msg{};
    while (!quitRequested_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!dispatch(msg)) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that ends on it
            break;
        }
    }
}

ui::ScreenSize Win32Ui::screenSize() const {
    return {static_cast<int>(std::lround(GetSystemMetrics(SM_CXSCREEN) * 1440.0 / dpi_)),
            static_cast<int>(std::lround(GetSystemMetrics(SM_CYSCREEN) * 1440.0 / dpi_))};
}

void Win32Ui::quit(int exitCode) {
    quitRequested_ = true;
    exitCode_ = exitCode;
    for (auto& w : windows_.windows()) w->detach();
    PostQuitMessage(exitCode);  // wakes whichever loop is waiting, nested ones included
}

int Win32Ui::run() {
    MSG msg{};
    while (!quitRequested_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got > 0) dispatch(msg);
    }
    return quitRequested_ ? exitCode_ : static_cast<int>(msg.wParam);
}
}  // namespace penwick::win32
