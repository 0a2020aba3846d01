#include "win32/win32_ui.h"

#include <commctrl.h>

#include "win32/images.h"
#include "win32/win32_window.h"

template class penwick::ui::FrontEnd<penwick::win32::Win32Window>;

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
    windows().clear();
    for (auto& [key, font] : fonts_) DeleteObject(font);
    if (linkCursor_ != nullptr) DestroyCursor(linkCursor_);
    if (hiddenOwner_ != nullptr) DestroyWindow(hiddenOwner_);
}

std::unique_ptr<Win32Window> Win32Ui::makeWindow(const ui::WindowDesc& description,
                                                 ui::EventSink& sink) {
    // Dialogs are owned by the first window, the program's main window; one shown with no
    // owner window by a hidden window of the program, which keeps it off the taskbar.
    const auto& live = windows().windows();
    HWND owner = live.empty() ? nullptr : live.front()->hwnd();
    if (!description.ownedByMainWindow) owner = hiddenOwner();
    return std::make_unique<Win32Window>(*this, description, sink, owner);
}

HWND Win32Ui::hiddenOwner() {
    if (hiddenOwner_ == nullptr)
        hiddenOwner_ = CreateWindowExW(0, L"STATIC", L"Penwick", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance_, nullptr);
    return hiddenOwner_;
}

HWND Win32Ui::handleOf(const ui::Window& window) const {
    const Win32Window* w = windows().find(window);
    return w ? w->hwnd() : nullptr;
}

HWND Win32Ui::handleOf(const ui::Control& control) const {
    return static_cast<const Win32Control&>(control).hwnd();
}

Win32Window* Win32Ui::windowOf(HWND hwnd) const {
    HWND root = hwnd != nullptr ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    for (auto& w : windows().windows())
        if (w->hwnd() == root) return w.get();
    return nullptr;
}

HWND Win32Ui::activeOwner() const {
    if (HWND active = GetActiveWindow(); active != nullptr && windowOf(active) != nullptr)
        return active;
    const auto* newest = newestShown();
    return newest ? newest->hwnd() : nullptr;
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
    while (!quitRequested() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!dispatch(msg)) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that ends on it
            break;
        }
    }
}

ui::PixelSize Win32Ui::screenPixels() const {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Win32Ui::leaveLoops(int exitCode) {
    for (auto& w : windows().windows()) w->detach();
    PostQuitMessage(exitCode);  // wakes whichever loop is waiting, nested ones included
}

int Win32Ui::runLoop() {
    MSG msg{};
    while (!quitRequested()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got > 0) dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}
}  // namespace penwick::win32
