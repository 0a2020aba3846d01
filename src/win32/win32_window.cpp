// A window's life: building its controls, placing and showing it, its modal loop and progress.
#include "win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "ui/layout.h"
#include "util/failure.h"
#include "util/text.h"
#include "win32/accessible.h"
#include "win32/calendar_style.h"
#include "win32/images.h"

namespace penwick::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

Win32Window::Win32Window(Win32Ui& ui, const ui::WindowDesc& d, ui::EventSink& sink, HWND owner)
    : ui_(ui), description_(d), sink_(&sink) {
    DWORD style = WS_CLIPCHILDREN, exStyle = WS_EX_CONTROLPARENT;
    if (d.border == ui::Border::Sizable) {
        style |= WS_OVERLAPPEDWINDOW;
    } else {
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        exStyle |= WS_EX_DLGMODALFRAME;
    }
    if (!d.maximizeButton) style &= ~WS_MAXIMIZEBOX;
    if (!d.minimizeButton) style &= ~WS_MINIMIZEBOX;
    // A window without a taskbar entry is owned by the main window: owned windows have none.
    if (d.showInTaskbar) owner = nullptr;

    RECT frame{0, 0, toPixels(d.clientWidth), toPixels(d.clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    hwnd_ = CreateWindowExW(exStyle, kFormClass, wide(d.caption).c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            owner, nullptr, ui.instance(), this);
    if (hwnd_ == nullptr) raise(err::OutOfMemory, u"Load " + fromUtf8(d.name));
    if (d.icon != ui::Image::None) {
        icon_ = makeIcon(d.icon);
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon(d.icon)));
    }
    tooltips_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, ui.instance(), nullptr);

    // A control's id is its place in the description (from kFirstControlId), so that it can be
    // found from outside.
    for (const std::size_t i : ui::buildOrder(d)) {
        const ui::ControlDesc& c = d.controls[i];
        HWND parent = hwnd_;
        if (!c.parent.empty()) parent = static_cast<Win32Control&>(control(c.parent)).hwnd();
        HWND child = build(c, parent, controlId(d, i));
        controls_.push_back(std::make_unique<Win32Control>(*this, c, child));
        SetWindowSubclass(child, controlProc, kSubclassId,
                          reinterpret_cast<DWORD_PTR>(controls_.back().get()));
    }
    // Z-order by tab index within each container, so the dialog manager's order is the
    // window's where it applies; then the buttons over it.
    HWND after = HWND_TOP;
    for (Win32Control* c : ui::tabOrder(controls_)) {
        SetWindowPos(c->hwnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c->hwnd();
    }
    ui::raiseButtons(controls_);
}

Win32Window::~Win32Window() {
    detach();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        for (auto& c : controls_) RemoveWindowSubclass(c->hwnd(), controlProc, kSubclassId);
        DestroyWindow(hwnd_);
    }
    if (icon_ != nullptr) DestroyIcon(icon_);
    if (taskbar_ != nullptr) taskbar_->Release();
}

HWND Win32Window::build(const ui::ControlDesc& d, HWND parent, int id) {
    const wchar_t* cls = L"STATIC";
    // Clipped by its siblings: the small buttons lie over the ends of their text boxes.
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, exStyle = 0;
    switch (d.kind) {
        case ControlKind::Label:
            // SS_NOTIFY: labels report clicks, and take the mouse cursor they ask for.
            style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
            break;
        case ControlKind::TextBox:
            cls = L"EDIT";
            style |=
                ES_AUTOHSCROLL | (d.password ? ES_PASSWORD : 0) | (d.readOnly ? ES_READONLY : 0);
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::MultiLineTextBox:
            cls = L"EDIT";
            // No scroll bars; lines wrap at the box's width; Enter starts a new line.
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | (d.readOnly ? ES_READONLY : 0);
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::DropDownList:
            cls = L"COMBOBOX";
            style |= CBS_DROPDOWNLIST | WS_VSCROLL;
            break;
        case ControlKind::ListBox:
            cls = L"LISTBOX";
            style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Button:
            cls = L"BUTTON";
            style |= BS_PUSHBUTTON;
            break;
        case ControlKind::Frame:
            cls = L"BUTTON";
            style |= BS_GROUPBOX | WS_CLIPCHILDREN;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        case ControlKind::MonthCalendar:
            cls = MONTHCAL_CLASSW;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
    }
    if (d.visible) style |= WS_VISIBLE;
    if (d.tabStop && d.kind != ControlKind::Label && d.kind != ControlKind::Frame)
        style |= WS_TABSTOP;
    const ui::PixelRect at = ui::toPixels(d.geometry, ui_.dotsPerInch());
    // A drop-down list's window has room for the opened list below the box.
    const int height = d.kind == ControlKind::DropDownList ? at.height * 8 : at.height;
    HWND hwnd = CreateWindowExW(
        exStyle, cls, wide(d.text).c_str(), style, at.left, at.top, at.width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ui_.instance(), nullptr);
    if (hwnd == nullptr) raise(err::OutOfMemory, u"Load " + fromUtf8(d.name));
    if (d.password) SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
    if (d.kind == ControlKind::DropDownList) {
        // The closed box is as tall as described; the list opens below it.
        SendMessageW(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(at.height - 6, 8));
    }
    const ui::Font font = d.font                                 ? *d.font
                          : d.kind == ControlKind::MonthCalendar ? kCalendarGridFont
                                                                 : description_.defaultFont;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(ui_.font(font)), FALSE);
    if (d.kind == ControlKind::MonthCalendar) {
        // Its stored look: white background.
        SendMessageW(hwnd, MCM_SETCOLOR, MCSC_MONTHBK, RGB(255, 255, 255));
        SendMessageW(hwnd, MCM_SETCOLOR, MCSC_BACKGROUND, RGB(255, 255, 255));
        // The control lays itself out by its font. Where the stored size needs more room than
        // the box has (Wine's layout does), a smaller size of the same face keeps the whole
        // month and both arrows in view.
        RECT box{};
        GetClientRect(hwnd, &box);
        for (double points = kCalendarGridFont.points; points >= 6; points -= 0.75) {
            SendMessageW(hwnd, WM_SETFONT,
                         reinterpret_cast<WPARAM>(ui_.font({kCalendarGridFont.face, points})),
                         FALSE);
            RECT needed{};
            SendMessageW(hwnd, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&needed));
            if (needed.right - needed.left <= box.right && needed.bottom - needed.top <= box.bottom)
                break;
        }
    }
    if (!d.toolTip.empty() && tooltips_ != nullptr) {
        std::wstring tip = wide(d.toolTip);
        TOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;  // also understood by older common controls
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(hwnd);
        info.lpszText = tip.data();
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    return hwnd;
}

ui::Control& Win32Window::control(std::string_view name, int index) {
    return ui::findControl(controls_, description_, name, index);
}

Win32Control* Win32Window::controlOf(HWND hwnd) const {
    for (; hwnd != nullptr && hwnd != hwnd_; hwnd = GetParent(hwnd)) {
        for (auto& c : controls_)
            if (c->hwnd() == hwnd) return c.get();
    }
    return nullptr;
}

bool Win32Window::tab(HWND from, bool backwards) {
    // One tab sequence over the whole window, frames or not, in tab-index order; hidden,
    // disabled and non-stop controls are skipped.
    const std::vector<Win32Control*> order =
        ui::tabOrder(controls_, [](const Win32Control& c) { return c.isTabStop(); });
    if (order.empty()) return false;
    const Win32Control* current = controlOf(from);
    const auto n = static_cast<int>(order.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (order[static_cast<std::size_t>(i)] == current) at = i;
    if (at < 0) at = backwards ? 0 : n - 1;
    for (int step = 1; step <= n; ++step) {
        Win32Control* next =
            order[static_cast<std::size_t>(((at + (backwards ? -step : step)) % n + n) % n)];
        if (IsWindowVisible(next->hwnd()) && IsWindowEnabled(next->hwnd())) {
            SetFocus(next->hwnd());
            if (next->description().kind == ControlKind::TextBox)
                SendMessageW(next->hwnd(), EM_SETSEL, 0, -1);  // as the dialog manager does
            return true;
        }
    }
    return false;
}

void Win32Window::place() {
    if (placed_) return;
    placed_ = true;
    const auto pixels = [](const RECT& r) {
        return ui::PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    const ui::PixelRect workArea = pixels(r);
    // The window's own owner, wherever it stands; not whichever window is active now.
    std::optional<ui::PixelRect> owner;
    if (HWND o = GetWindow(hwnd_, GW_OWNER); o != nullptr && IsWindowVisible(o)) {
        GetWindowRect(o, &r);
        owner = pixels(r);
    }
    GetWindowRect(hwnd_, &r);
    if (const auto at = ui::startingPlace(description_.startPosition, workArea, owner,
                                          r.right - r.left, r.bottom - r.top))
        SetWindowPos(hwnd_, nullptr, at->x, at->y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::show() {
    place();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
}

void Win32Window::showModal() {
    // The modal loop is a frame of its own: a window unloaded inside it is freed after it.
    Win32Ui& ui = ui_;
    ui::WindowKeeper<Win32Window>& windows = ui.windows();
    windows.enterFrame();
    place();
    // Every other window of the program waits while the dialog is up.
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == hwnd_ || GetWindowThreadProcessId(w, nullptr) != GetCurrentThreadId()) continue;
        if (IsWindowVisible(w) && IsWindowEnabled(w)) {
            EnableWindow(w, FALSE);
            disabledForModal_.push_back(w);
        }
    }
    modal_ = true;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    MSG msg{};
    while (modal_ && hwnd_ != nullptr && IsWindowVisible(hwnd_) && !ui.quitRequested()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loops outside this one
            break;
        }
        if (got > 0) ui.dispatch(msg);
    }
    endModal();
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
    windows.leaveFrame();  // may free this window; nothing after it
}

void Win32Window::endModal() {
    if (!modal_) return;
    modal_ = false;
    // The owners come back before the dialog goes, or the system activates another program.
    for (HWND w : disabledForModal_)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    disabledForModal_.clear();
}

void Win32Window::hide() {
    if (hwnd_ == nullptr) return;
    endModal();
    ShowWindow(hwnd_, SW_HIDE);
}

void Win32Window::bringToFront() {
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // A hidden window is only put on top: activating it before it is shown and placed would
    // make it the owner it is centred on.
    if (IsWindowVisible(hwnd_)) SetActiveWindow(hwnd_);
}

void Win32Window::setProgress(const ui::Progress& progress) {
    // The taskbar button is a nicety: where the shell offers none, nothing is missed, and it
    // is not asked again at every contact.
    if (!taskbarAsked_) {
        taskbarAsked_ = true;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, reinterpret_cast<void**>(&taskbar_))) ||
            FAILED(taskbar_->HrInit())) {
            if (taskbar_ != nullptr) taskbar_->Release();
            taskbar_ = nullptr;
        }
    }
    if (taskbar_ == nullptr) return;
    // Each call goes to the shell's process: only a change the button can show is sent, not
    // one per contact of a long run.
    const ui::Progress shown{
        progress.state,
        progress.total > 0 ? static_cast<int>(progress.done * 200LL / progress.total) : 0, 200};
    if (shown == lastProgress_) return;
    lastProgress_ = shown;
    switch (progress.state) {
        case ui::Progress::State::None:
            taskbar_->SetProgressState(hwnd_, TBPF_NOPROGRESS);
            return;
        case ui::Progress::State::Normal:
            taskbar_->SetProgressState(hwnd_, TBPF_NORMAL);
            break;
        case ui::Progress::State::Error:
            taskbar_->SetProgressState(hwnd_, TBPF_ERROR);
            break;
    }
    taskbar_->SetProgressValue(hwnd_, static_cast<ULONGLONG>(std::max(shown.done, 0)),
                               static_cast<ULONGLONG>(shown.total));
}

void Win32Window::moveTo(int leftTwips, int topTwips) {
    placed_ = true;
    SetWindowPos(hwnd_, nullptr, toPixels(leftTwips), toPixels(topTwips), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Window::widthTwips() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return toTwips(r.right - r.left);
}

int Win32Window::heightTwips() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return toTwips(r.bottom - r.top);
}

void Win32Window::detach() {
    sink_ = nullptr;
    endModal();
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
}
}  // namespace penwick::win32
