#include "win32/win32_ui.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shobjidl.h>

#include <algorithm>
#include <cmath>

#include "util/failure.h"
#include "util/text.h"
#include "win32/accessible.h"
#include "win32/images.h"

namespace penwick::win32 {

namespace {

using ui::ControlKind;
using ui::SysColor;

constexpr wchar_t kFormClass[] = L"PenwickForm";
constexpr UINT_PTR kSubclassId = 1;

// The calendar's stored look: the date grid, the day names and the title each in a font of its
// own. The system's month calendar has a single font (its title is that font in bold).
const ui::Font kCalendarGridFont{u"Arial", 8.25};
const ui::Font kCalendarDayNameFont{u"Tahoma", 8.25};
const ui::Font kCalendarTitleFont{u"Arial", 12, true};

std::wstring wide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
std::u16string fromWide(std::wstring_view s) {
    return std::u16string(s.begin(), s.end());
}

std::u16string windowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return fromWide(text);
}

[[noreturn]] void invalidValue(const ui::ControlDesc& d, const char16_t* member) {
    raise(err::InvalidPropertyValue, fromUtf8(d.name) + u"." + member);
}

[[noreturn]] void notSupported(const ui::ControlDesc& d, const char16_t* member) {
    raise(438, u"Object doesn't support this property or method", fromUtf8(d.name) + u"." + member);
}

SYSTEMTIME toSystemTime(std::chrono::year_month_day d) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(static_cast<int>(d.year()));
    st.wMonth = static_cast<WORD>(static_cast<unsigned>(d.month()));
    st.wDay = static_cast<WORD>(static_cast<unsigned>(d.day()));
    return st;
}

// "Description|pattern|..." as the double-NUL-terminated list the file dialog reads.
std::wstring filterList(std::u16string_view filter) {
    std::wstring out = wide(filter);
    std::replace(out.begin(), out.end(), L'|', L'\0');
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

}  // namespace

// --- Control ----------------------------------------------------------------------------------

class Win32Control final : public ui::Control {
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
    void setText(std::u16string_view text) override;
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

    void setSelectionStart(int start) override;
    void setSelectionLength(int length) override;
    std::u16string selectedText() const override;
    void setSelectedText(std::u16string_view text) override;

    int listIndex() const override;
    void setListIndex(int index) override;
    int listCount() const;
    std::u16string listItem(int index) const override;
    void clearList() override;
    void addItem(std::u16string_view item) override;

    std::chrono::year_month_day calendarValue() const override;
    void setCalendarValue(std::chrono::year_month_day date) override;

    bool takesFocus() const {
        return description_.kind != ControlKind::Label && description_.kind != ControlKind::Frame;
    }
    bool isTabStop() const { return takesFocus() && description_.tabStop; }

private:
    bool isEdit() const {
        return description_.kind == ControlKind::TextBox ||
               description_.kind == ControlKind::MultiLineTextBox;
    }
    bool isCombo() const { return description_.kind == ControlKind::DropDownList; }
    bool isList() const { return description_.kind == ControlKind::ListBox; }
    void requireEdit(const char16_t* member) const {
        if (!isEdit()) notSupported(description_, member);
    }
    void requireList(const char16_t* member) const {
        if (!isCombo() && !isList()) notSupported(description_, member);
    }
    std::pair<int, int> selection() const {
        DWORD start = 0, end = 0;
        SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {static_cast<int>(start), static_cast<int>(end)};
    }
    int textLength() const { return GetWindowTextLengthW(hwnd_); }

    Win32Window& window_;
    const ui::ControlDesc& description_;
    HWND hwnd_;
    std::optional<SysColor> background_;
};

// --- Window -----------------------------------------------------------------------------------

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
    void deliver(ui::EventKind kind, const ui::ControlDesc* control = nullptr);
    // Cuts the window off from the logic: no more events, out of its modal loop, hidden.
    void detach();

    static LRESULT CALLBACK formProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK controlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

private:
    HWND build(const ui::ControlDesc& d, HWND parent, int id);
    void place();
    int toPixels(int twips) const { return ui::twipsToPixels(twips, ui_.dotsPerInch()); }
    int toTwips(int pixels) const {
        return static_cast<int>(std::lround(pixels * 1440.0 / ui_.dotsPerInch()));
    }
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
    // The calendar's double click: the last click on a day, and when.
    DWORD lastDayClick_ = 0;
    POINT lastDayPoint_{};
    SYSTEMTIME lastDay_{};
};

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

    // Containers first, so that every control finds its parent. A control's id is its place
    // in the description (from kFirstControlId), so that it can be found from outside.
    for (const bool containers : {true, false}) {
        for (std::size_t i = 0; i < d.controls.size(); ++i) {
            const ui::ControlDesc& c = d.controls[i];
            if ((c.kind == ControlKind::Frame) != containers) continue;
            HWND parent = hwnd_;
            if (!c.parent.empty()) parent = static_cast<Win32Control&>(control(c.parent)).hwnd();
            HWND child = build(c, parent, controlId(d, i));
            controls_.push_back(std::make_unique<Win32Control>(*this, c, child));
            SetWindowSubclass(child, controlProc, kSubclassId,
                              reinterpret_cast<DWORD_PTR>(controls_.back().get()));
        }
    }
    // Z-order by tab index within each container, so the dialog manager's order is the
    // window's where it applies; then the small buttons over the right end of their boxes.
    std::vector<Win32Control*> order;
    for (auto& c : controls_) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](auto* a, auto* b) {
        return a->description().tabIndex < b->description().tabIndex;
    });
    HWND after = HWND_TOP;
    for (Win32Control* c : order) {
        SetWindowPos(c->hwnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c->hwnd();
    }
    for (auto& c : controls_)
        if (c->description().kind == ControlKind::Button) c->bringToFront();
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
    const int height = d.kind == ControlKind::DropDownList
                           ? toPixels(d.geometry.height) * 8  // room for the opened list
                           : toPixels(d.geometry.height);
    HWND hwnd =
        CreateWindowExW(exStyle, cls, wide(d.text).c_str(), style, toPixels(d.geometry.left),
                        toPixels(d.geometry.top), toPixels(d.geometry.width), height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ui_.instance(), nullptr);
    if (hwnd == nullptr) raise(err::OutOfMemory, u"Load " + fromUtf8(d.name));
    if (d.password) SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
    if (d.kind == ControlKind::DropDownList) {
        // The closed box is as tall as described; the list opens below it.
        SendMessageW(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                     std::max(toPixels(d.geometry.height) - 6, 8));
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
    for (auto& c : controls_)
        if (c->description().name == name && c->description().index == index) return *c;
    raise(err::InvalidCall, fromUtf8(description_.name) + u"." + fromUtf8(name));
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
    std::vector<Win32Control*> order;
    for (auto& c : controls_)
        if (c->isTabStop()) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](auto* a, auto* b) {
        return a->description().tabIndex < b->description().tabIndex;
    });
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

void Win32Window::deliver(ui::EventKind kind, const ui::ControlDesc* c) {
    if (sink_ == nullptr) return;
    ui_.windows().deliver(*sink_, {kind, c ? c->name : std::string(), c ? c->index : -1});
}

void Win32Window::place() {
    if (placed_) return;
    placed_ = true;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    if (description_.startPosition == ui::StartPosition::Manual) return;
    if (description_.startPosition == ui::StartPosition::CenterOwner) {
        // The window's own owner, wherever it stands; not whichever window is active now.
        if (HWND owner = GetWindow(hwnd_, GW_OWNER); owner != nullptr && IsWindowVisible(owner))
            GetWindowRect(owner, &area);
    }
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, 0, 0,
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
    // The taskbar button is a nicety: where the shell offers none, nothing is missed.
    if (taskbar_ == nullptr &&
        (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_ITaskbarList3, reinterpret_cast<void**>(&taskbar_))) ||
         FAILED(taskbar_->HrInit()))) {
        if (taskbar_ != nullptr) taskbar_->Release();
        taskbar_ = nullptr;
        return;
    }
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
    taskbar_->SetProgressValue(hwnd_, static_cast<ULONGLONG>(std::max(progress.done, 0)),
                               static_cast<ULONGLONG>(std::max(progress.total, 1)));
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
        case WM_KILLFOCUS: {
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
            break;
        case WM_PAINT:
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
            if (d.kind == ControlKind::MonthCalendar)
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

void Win32Window::paintCalendar(HWND hwnd, HDC target) {
    RECT client{};
    GetClientRect(hwnd, &client);
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    DefSubclassProc(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                    PRF_CLIENT | PRF_ERASEBKGND);
    redrawCalendarBands(hwnd, dc, client);
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void Win32Window::redrawCalendarBands(HWND hwnd, HDC dc, const RECT& client) {
    // Where the control put its title and its row of day names, asked of the control itself
    // (its hit test), since it lays them out by its own font.
    const auto hitAt = [hwnd](int x, int y) {
        MCHITTESTINFO hit{};
        hit.cbSize = MCHITTESTINFO_V1_SIZE;
        hit.pt = {x, y};
        SendMessageW(hwnd, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        return hit.uHit;
    };
    const auto inTitle = [](UINT hit) {
        return (hit & (MCHT_TITLE | MCHT_CALENDAR)) == MCHT_TITLE;
    };
    const int middle = client.right / 2;
    RECT title{0, -1, client.right, -1}, dayNames{-1, -1, -1, -1};
    for (int y = 0; y < client.bottom; ++y) {
        const UINT hit = hitAt(middle, y);
        if (inTitle(hit)) {
            if (title.top < 0) title.top = y;
            title.bottom = y + 1;
        } else if (hit == MCHT_CALENDARDAY) {
            if (dayNames.top < 0) dayNames.top = y;
            dayNames.bottom = y + 1;
        } else if (dayNames.top >= 0) {
            break;
        }
    }
    if (title.top < 0 || dayNames.top < 0) return;  // a layout this does not know: as drawn
    // The title's text lies between the two arrow buttons.
    const int titleMiddle = (title.top + title.bottom) / 2;
    int textLeft = 0, textRight = client.right;
    for (int x = 0; x < client.right; ++x) {
        const UINT hit = hitAt(x, titleMiddle);
        if ((hit & MCHT_TITLEBTNPREV) == MCHT_TITLEBTNPREV) textLeft = x + 1;
        if ((hit & MCHT_TITLEBTNNEXT) == MCHT_TITLEBTNNEXT && textRight == client.right)
            textRight = x;
    }
    const int dayMiddle = (dayNames.top + dayNames.bottom) / 2;
    for (int x = 0; x < client.right; ++x) {
        if (hitAt(x, dayMiddle) != MCHT_CALENDARDAY) continue;
        if (dayNames.left < 0) dayNames.left = x;
        dayNames.right = x + 1;
    }

    const auto color = [hwnd](int part) {
        return static_cast<COLORREF>(SendMessageW(hwnd, MCM_GETCOLOR, part, 0));
    };
    // The bands are filled with the colour the control itself painted there: a themed
    // calendar (visual styles) ignores its title colours and draws dark text on its
    // background, the classic one light title text on the title colour.
    const COLORREF titleBack = GetPixel(dc, textLeft + 1, title.top + 1);
    const COLORREF namesBack = GetPixel(dc, dayNames.left, dayNames.top);
    const bool classic = titleBack == color(MCSC_TITLEBK);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);

    // The title: month and year of the month shown, centred over the whole band as the
    // control centres it; as large as the room between the arrows allows for the widest
    // month, up to its stored size, in steps of three quarters of a point.
    SYSTEMTIME shown[2]{};
    SendMessageW(hwnd, MCM_GETMONTHRANGE, GMR_VISIBLE, reinterpret_cast<LPARAM>(shown));
    const auto yearMonth = [](SYSTEMTIME day) {
        wchar_t text[80] = {};
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_YEARMONTH, &day, nullptr, text, 80);
        return std::wstring(text);
    };
    const std::wstring text = yearMonth(shown[0]);
    ui::Font titleFont = kCalendarTitleFont;
    for (; titleFont.points > 6; titleFont.points -= 0.75) {
        SelectObject(dc, ui_.font(titleFont));
        int widest = 0;
        for (WORD month = 1; month <= 12; ++month) {
            SYSTEMTIME day = shown[0];
            day.wMonth = month;
            day.wDay = 1;
            const std::wstring each = yearMonth(day);
            SIZE size{};
            GetTextExtentPoint32W(dc, each.c_str(), static_cast<int>(each.size()), &size);
            widest = std::max<int>(widest, size.cx);
        }
        // Centred over the band, the text must stay clear of the wider side's arrow.
        const int room = 2 * std::min(middle - textLeft, textRight - middle) - 4;
        if (widest <= room) break;
    }
    SelectObject(dc, ui_.font(titleFont));
    const RECT between{textLeft, title.top, textRight, title.bottom};
    HBRUSH titleBrush = CreateSolidBrush(titleBack);
    FillRect(dc, &between, titleBrush);
    DeleteObject(titleBrush);
    SaveDC(dc);
    IntersectClipRect(dc, between.left, between.top, between.right, between.bottom);
    SetTextColor(dc, classic ? color(MCSC_TITLETEXT) : color(MCSC_TEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &title,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RestoreDC(dc, -1);

    // The day names, one to a column, from the first day of the week on; the shortest names
    // where the abbreviated ones do not fit a column.
    SelectObject(dc, ui_.font(kCalendarDayNameFont));
    const int column = (dayNames.right - dayNames.left) / 7;
    const int first = LOWORD(SendMessageW(hwnd, MCM_GETFIRSTDAYOFWEEK, 0, 0));  // 0 Monday
    const auto names = [&](LCTYPE firstName) {
        std::vector<std::wstring> all;
        for (int day = 0; day < 7; ++day) {
            wchar_t name[40] = {};
            GetLocaleInfoW(LOCALE_USER_DEFAULT, firstName + static_cast<LCTYPE>((first + day) % 7),
                           name, 40);
            all.emplace_back(name);
        }
        return all;
    };
    std::vector<std::wstring> dayNameTexts = names(LOCALE_SABBREVDAYNAME1);
    for (const auto& name : dayNameTexts) {
        SIZE size{};
        GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
        if (size.cx + 2 > column) {
            dayNameTexts = names(LOCALE_SSHORTESTDAYNAME1);
            break;
        }
    }
    HBRUSH monthBrush = CreateSolidBrush(namesBack);
    FillRect(dc, &dayNames, monthBrush);
    DeleteObject(monthBrush);
    SetTextColor(dc, classic ? color(MCSC_TITLEBK) : color(MCSC_TEXT));
    for (int day = 0; day < 7; ++day) {
        RECT cell{dayNames.left + day * column, dayNames.top, dayNames.left + (day + 1) * column,
                  dayNames.bottom};
        const std::wstring& name = dayNameTexts[static_cast<std::size_t>(day)];
        DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &cell,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
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

// --- Control members --------------------------------------------------------------------------

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

void Win32Control::setText(std::u16string_view text) {
    switch (description_.kind) {
        case ControlKind::DropDownList: {
            // Only an entry of the list can be its text, compared exactly.
            for (int i = 0, n = listCount(); i < n; ++i) {
                if (listItem(i) == text) return setListIndex(i);
            }
            raise(383, u"'Text' property is read-only", fromUtf8(description_.name));
        }
        case ControlKind::ListBox:
        case ControlKind::MonthCalendar:
            invalidValue(description_, u"Text");
        default:
            SetWindowTextW(hwnd_, wide(text).c_str());
            if (isEdit()) SendMessageW(hwnd_, EM_SETSEL, 0, 0);
    }
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

void Win32Control::setSelectionStart(int start) {
    requireEdit(u"SelStart");
    if (start < 0) invalidValue(description_, u"SelStart");
    start = std::min(start, textLength());
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), start);
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

void Win32Control::setSelectionLength(int length) {
    requireEdit(u"SelLength");
    if (length < 0) invalidValue(description_, u"SelLength");
    const int start = selection().first;
    length = std::min(length, textLength() - start);
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

std::u16string Win32Control::selectedText() const {
    requireEdit(u"SelText");
    const auto [start, end] = selection();
    const std::u16string all = windowText(hwnd_);
    const auto from = std::min<std::size_t>(static_cast<std::size_t>(start), all.size());
    return all.substr(from, static_cast<std::size_t>(end - start));
}

void Win32Control::setSelectedText(std::u16string_view text) {
    requireEdit(u"SelText");
    const std::wstring w = wide(text);
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}

int Win32Control::listIndex() const {
    requireList(u"ListIndex");
    const LRESULT i = SendMessageW(hwnd_, isCombo() ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return i < 0 ? -1 : static_cast<int>(i);
}

void Win32Control::setListIndex(int index) {
    requireList(u"ListIndex");
    if (index < -1 || index >= listCount()) invalidValue(description_, u"ListIndex");
    // The logic's own change is no click: these messages notify nobody.
    SendMessageW(hwnd_, isCombo() ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Control::listCount() const {
    requireList(u"ListCount");
    return static_cast<int>(SendMessageW(hwnd_, isCombo() ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
}

std::u16string Win32Control::listItem(int index) const {
    requireList(u"List");
    if (index < 0 || index >= listCount())
        raise(381, u"Invalid property array index", fromUtf8(description_.name) + u".List");
    const auto i = static_cast<WPARAM>(index);
    const LRESULT n = SendMessageW(hwnd_, isCombo() ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
    std::wstring item(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1, L'\0');
    const LRESULT got = SendMessageW(hwnd_, isCombo() ? CB_GETLBTEXT : LB_GETTEXT, i,
                                     reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    return fromWide(item);
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
    if (description_.kind != ControlKind::MonthCalendar) notSupported(description_, u"Value");
    SYSTEMTIME st{};
    SendMessageW(hwnd_, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
    return std::chrono::year_month_day{std::chrono::year{st.wYear}, std::chrono::month{st.wMonth},
                                       std::chrono::day{st.wDay}};
}

void Win32Control::setCalendarValue(std::chrono::year_month_day date) {
    if (description_.kind != ControlKind::MonthCalendar) notSupported(description_, u"Value");
    if (!date.ok()) invalidValue(description_, u"Value");
    SYSTEMTIME st = toSystemTime(date);
    if (!SendMessageW(hwnd_, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st)))
        invalidValue(description_, u"Value");  // outside the calendar's range
}

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

HFONT Win32Ui::font(const ui::Font& f) {
    const int height = -static_cast<int>(std::lround(f.points * dpi_ / 72.0));
    const auto key = std::make_tuple(f.face, height, f.bold, f.underline);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = f.underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = wide(f.face).substr(0, LF_FACESIZE - 1);
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HFONT font = CreateFontIndirectW(&lf);
    fonts_[key] = font;
    return font;
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

ui::MessageAnswer Win32Ui::messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                      std::u16string_view title) {
    // The program's styles are the system's own numbers: 64 information + OK, 68 information +
    // Yes/No, 16 the error icon of the fatal report; the answers are the system's too.
    const std::wstring text = wide(prompt);
    const std::wstring caption = wide(title.empty() ? std::u16string_view(u"Penwick") : title);
    HWND owner = activeOwner();
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(),
                                   static_cast<UINT>(style) | MB_SETFOREGROUND);
    if (answer == 0) raise(err::OutOfMemory, u"MsgBox");
    return static_cast<ui::MessageAnswer>(answer);
}

std::optional<std::u16string> Win32Ui::openFile(const ui::FileDialogRequest& request,
                                                ui::Window* owner) {
    const std::wstring filter = filterList(request.filter);
    const std::wstring title = wide(request.title);
    const std::wstring folder = wide(request.initialFolder);
    std::wstring file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner != nullptr ? handleOf(*owner) : activeOwner();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags =
        OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&ofn)) return fromWide(file.c_str());
    if (const DWORD error = CommDlgExtendedError(); error != 0)
        raise(err::InvalidCall,
              u"The file dialog failed (code " + fromUtf8(std::to_string(error)) + u")",
              u"CommonDialog");
    return std::nullopt;
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
