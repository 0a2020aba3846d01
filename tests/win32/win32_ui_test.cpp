#include "win32/win32_ui.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "util/failure.h"
#include "win32_ui_fixture.h"

namespace penwick::win32 {
namespace {

using test_support::Recorder;
using test_support::Win32UiTest;

using ui::EventKind;

std::wstring className(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

LONG style(HWND hwnd) {
    return GetWindowLongW(hwnd, GWL_STYLE);
}

// Position and size in the parent's client area, in pixels.
RECT placeOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The text box's own selection: start and length.
std::pair<int, int> selectionOf(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end - start)};
}

LOGFONTW fontOf(HWND hwnd) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// The width of a window's icon of the given kind, 0 when it has none.
int iconWidth(HWND hwnd, WPARAM kind) {
    ICONINFO info{};
    const auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, kind, 0));
    if (icon == nullptr || !GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    return bitmap.bmWidth;
}

TEST_F(Win32UiTest, BuildsTheMainWindowAsItsDescriptionGivesIt) {
    ASSERT_EQ(ui_.dotsPerInch(), 96) << "the test screen runs at 96 dpi";
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    const HWND form = hwnd(main);
    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 381) << "5715 twips";
    EXPECT_EQ(client.bottom, 327) << "4905 twips";
    EXPECT_TRUE(style(form) & WS_THICKFRAME) << "sizable";
    EXPECT_TRUE(style(form) & WS_MINIMIZEBOX);
    EXPECT_FALSE(style(form) & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr) << "the main window has a taskbar entry";

    const HWND frame = hwnd(main, "Frame2");
    EXPECT_EQ(className(frame), L"Button");
    EXPECT_EQ(style(frame) & BS_TYPEMASK, BS_GROUPBOX);

    const HWND date = hwnd(main, "txtDate");
    EXPECT_EQ(className(date), L"Edit");
    EXPECT_EQ(GetParent(date), frame) << "inside the frame, placed from its corner";
    const RECT r = placeOf(date);
    EXPECT_EQ(r.left, 88);
    EXPECT_EQ(r.top, 24);
    EXPECT_EQ(r.right, 89);
    EXPECT_EQ(r.bottom, 21);

    const HWND note = hwnd(main, "txtNote");
    EXPECT_TRUE(style(note) & ES_MULTILINE);
    EXPECT_FALSE(style(note) & (WS_VSCROLL | WS_HSCROLL)) << "no scroll bars";
    const HWND type = hwnd(main, "cboNoteType");
    EXPECT_EQ(className(type), L"ComboBox");
    EXPECT_EQ(style(type) & 3, CBS_DROPDOWNLIST);
    const HWND cal = hwnd(main, "Cal");
    EXPECT_EQ(className(cal), L"SysMonthCal32");
    EXPECT_FALSE(style(cal) & WS_VISIBLE) << "hidden until opened";
    EXPECT_TRUE(style(hwnd(main, "Label8")) & SS_NOTIFY) << "the address label reports clicks";
    EXPECT_FALSE(style(hwnd(main, "Label1", 0)) & WS_TABSTOP);
    EXPECT_TRUE(style(hwnd(main, "cmdWriteNote")) & WS_TABSTOP);

    const LOGFONTW write = fontOf(hwnd(main, "cmdWriteNote"));
    EXPECT_STREQ(write.lfFaceName, L"Verdana");
    EXPECT_EQ(write.lfHeight, -11) << "8.25 pt at 96 dpi";
    const LOGFONTW caption = fontOf(hwnd(main, "lblCaption"));
    EXPECT_EQ(caption.lfHeight, -13) << "9.75 pt";
    EXPECT_EQ(caption.lfWeight, FW_BOLD);
    EXPECT_TRUE(fontOf(hwnd(main, "Label8")).lfUnderline);
    EXPECT_STREQ(fontOf(hwnd(main, "txtDate")).lfFaceName, L"MS Sans Serif")
        << "the window's default font";
}

TEST_F(Win32UiTest, BuildsDialogsOwnedWithAFixedBorder) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    ui::Window& login = ui_.create(lookup::validateUserDescription(), dialogSink_);
    const HWND dialog = hwnd(login);
    // Shown with no owner window, yet off the taskbar: a hidden window of the program owns it.
    const HWND owner = GetWindow(dialog, GW_OWNER);
    EXPECT_NE(owner, nullptr) << "owned: no taskbar entry";
    EXPECT_NE(owner, hwnd(main)) << "not the main window's";
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_TRUE(style(dialog) & WS_POPUP);
    EXPECT_FALSE(style(dialog) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    const HWND password = hwnd(login, "txtPassword");
    EXPECT_TRUE(style(password) & ES_PASSWORD);
    EXPECT_EQ(SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(GetDlgCtrlID(hwnd(login, "Command1")), IDCANCEL) << "Esc presses Cancel";
    EXPECT_EQ(iconWidth(dialog, ICON_BIG), GetSystemMetrics(SM_CXICON)) << "for Alt+Tab";
    EXPECT_EQ(iconWidth(dialog, ICON_SMALL), GetSystemMetrics(SM_CXSMICON));
}

TEST_F(Win32UiTest, TextBoxesFollowTheClassicSelectionRules) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    ui::Control& note = main.control("txtNote");
    note.setText(u"teh cat");
    EXPECT_EQ(note.text(), u"teh cat");
    note.setSelectionStart(0);
    note.setSelectionLength(3);
    EXPECT_EQ(note.selectedText(), u"teh");
    note.setSelectedText(u"the");
    EXPECT_EQ(note.text(), u"the cat");
    EXPECT_EQ(selectionOf(hwnd(main, "txtNote")), std::pair(3, 0))
        << "the caret stands behind the new text";

    note.setSelectionStart(99);
    EXPECT_EQ(selectionOf(hwnd(main, "txtNote")).first, 7) << "a start past the end is the end";
    note.setSelectionStart(4);
    note.setSelectionLength(99);
    EXPECT_EQ(note.selectedText(), u"cat") << "a length past the end is cut";
    for (auto bad : {std::function<void()>([&] { note.setSelectionStart(-1); }),
                     std::function<void()>([&] { note.setSelectionLength(-1); })}) {
        try {
            bad();
            ADD_FAILURE() << "a negative value was taken";
        } catch (const Failure& f) {
            EXPECT_EQ(f.number(), err::InvalidPropertyValue);
        }
    }
    // Line breaks are the system's own pair, counted as two characters.
    note.setText(u"a\r\nb");
    note.setSelectionStart(3);
    note.setSelectionLength(1);
    EXPECT_EQ(note.selectedText(), u"b");
}

TEST_F(Win32UiTest, ListsAndTheCalendarKeepTheirValues) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    ui::Control& type = main.control("cboNoteType");
    EXPECT_EQ(type.listIndex(), -1);
    EXPECT_EQ(type.text(), u"");
    for (auto item : {u"Note", u"Email", u"File Attachment"}) type.addItem(item);
    EXPECT_EQ(SendMessageW(hwnd(main, "cboNoteType"), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(type.listItem(2), u"File Attachment") << "kept in the order given";
    type.setListIndex(0);
    EXPECT_EQ(type.text(), u"Note");
    type.setText(u"Email");
    EXPECT_EQ(type.listIndex(), 1);
    try {
        type.setText(u"email");
        ADD_FAILURE() << "a text that is no entry was taken";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 383) << "compared exactly, case included";
    }
    try {
        type.setListIndex(3);
        ADD_FAILURE() << "an index past the end was taken";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::InvalidPropertyValue);
    }
    EXPECT_TRUE(mainSink_.events.empty()) << "the logic's own changes are no clicks";

    ui::Control& cal = main.control("Cal");
    using namespace std::chrono;
    cal.setCalendarValue(2026y / December / 6);
    EXPECT_EQ(cal.calendarValue(), 2026y / December / 6);
}

// What a window draws, as 0x00RRGGBB pixels.
class Snapshot {
public:
    explicit Snapshot(HWND hwnd) {
        RECT client{};
        GetClientRect(hwnd, &client);
        width_ = client.right;
        height_ = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, bitmap_);
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        bits_ = static_cast<const DWORD*>(bits);
    }
    ~Snapshot() { DeleteObject(bitmap_); }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    DWORD at(int x, int y) const { return bits_[y * width_ + x] & 0xFFFFFF; }
    static DWORD of(COLORREF c) {
        return (DWORD{GetRValue(c)} << 16) | (DWORD{GetGValue(c)} << 8) | GetBValue(c);
    }
    // The columns, from left to right, of the runs of pixels other than `background` in the
    // band of rows [top, bottom) and columns [left, right): one pair per run.
    std::vector<std::pair<int, int>> inkRuns(int top, int bottom, int left, int right,
                                             DWORD background, int gap) const {
        std::vector<std::pair<int, int>> runs;
        int blank = gap;
        for (int x = left; x < right; ++x) {
            bool ink = false;
            for (int y = top; y < bottom && !ink; ++y) ink = at(x, y) != background;
            if (!ink) {
                ++blank;
                continue;
            }
            if (blank >= gap || runs.empty())
                runs.push_back({x, x});
            else
                runs.back().second = x;
            blank = 0;
        }
        return runs;
    }

private:
    int width_ = 0, height_ = 0;
    HBITMAP bitmap_ = nullptr;
    const DWORD* bits_ = nullptr;
};

int textWidth(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

UINT hitAt(HWND cal, int x, int y) {
    MCHITTESTINFO hit{};
    hit.cbSize = MCHITTESTINFO_V1_SIZE;
    hit.pt = {x, y};
    SendMessageW(cal, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return hit.uHit;
}

// The system's calendar has one font; the title (Arial bold, 12 pt where it fits between the
// arrows) and the day names (Tahoma) are drawn again in their own. The whole month and both
// arrows stay inside the box.
TEST_F(Win32UiTest, TheCalendarDrawsItsTitleAndDayNamesInTheirOwnFonts) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    using namespace std::chrono;
    main.control("Cal").setCalendarValue(2026y / December / 6);
    main.control("Cal").setVisible(true);
    const HWND cal = hwnd(main, "Cal");
    const LOGFONTW grid = fontOf(cal);
    EXPECT_STREQ(grid.lfFaceName, L"Arial");
    RECT box{}, needed{};
    GetClientRect(cal, &box);
    SendMessageW(cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&needed));
    EXPECT_LE(needed.right - needed.left, box.right) << "the month fits the box's width";
    EXPECT_LE(needed.bottom - needed.top, box.bottom) << "and its height";

    // Where the control put its title, arrows and day names.
    int titleTop = -1, titleBottom = -1, namesTop = -1, namesBottom = -1;
    for (int y = 0; y < box.bottom; ++y) {
        const UINT hit = hitAt(cal, box.right / 2, y);
        if ((hit & (MCHT_TITLE | MCHT_CALENDAR)) == MCHT_TITLE) {
            if (titleTop < 0) titleTop = y;
            titleBottom = y + 1;
        }
        if (hit == MCHT_CALENDARDAY) {
            if (namesTop < 0) namesTop = y;
            namesBottom = y + 1;
        }
    }
    ASSERT_GE(titleTop, 0);
    ASSERT_GE(namesTop, titleBottom);
    int afterPrev = 0, beforeNext = -1;
    for (int x = 0; x < box.right; ++x) {
        const UINT hit = hitAt(cal, x, (titleTop + titleBottom) / 2);
        if ((hit & MCHT_TITLEBTNPREV) == MCHT_TITLEBTNPREV) afterPrev = x + 1;
        if ((hit & MCHT_TITLEBTNNEXT) == MCHT_TITLEBTNNEXT && beforeNext < 0) beforeNext = x;
    }
    ASSERT_GT(afterPrev, 0) << "the previous-month arrow in the box";
    ASSERT_GT(beforeNext, afterPrev) << "the next-month arrow in the box";

    const Snapshot shot(cal);
    const DWORD titleBack =
        Snapshot::of(static_cast<COLORREF>(SendMessageW(cal, MCM_GETCOLOR, MCSC_TITLEBK, 0)));
    const DWORD monthBack =
        Snapshot::of(static_cast<COLORREF>(SendMessageW(cal, MCM_GETCOLOR, MCSC_MONTHBK, 0)));

    const auto title = shot.inkRuns(titleTop, titleBottom, afterPrev, beforeNext, titleBack, 12);
    ASSERT_EQ(title.size(), 1u) << "the title is one run of text between the arrows";
    const int titleInk = title[0].second - title[0].first + 1;
    SYSTEMTIME december{2026, 12, 0, 1, 0, 0, 0, 0};
    wchar_t month[80] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_YEARMONTH, &december, nullptr, month, 80);
    double drawnIn = 0;
    for (double points = 12; points >= 6 && drawnIn == 0; points -= 0.75)
        if (std::abs(titleInk - textWidth(ui_.font({u"Arial", points, true}), month)) <= 3)
            drawnIn = points;
    const double gridPoints = -grid.lfHeight * 72.0 / ui_.dotsPerInch();
    EXPECT_GT(drawnIn, gridPoints + 1)
        << "the title in Arial bold, larger than the grid; ink " << titleInk << " px";

    const auto names = shot.inkRuns(namesTop, namesBottom, 0, box.right, monthBack, 3);
    ASSERT_EQ(names.size(), 7u) << "seven day names";
    const int first = LOWORD(SendMessageW(cal, MCM_GETFIRSTDAYOFWEEK, 0, 0));
    wchar_t name[40] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>(first), name,
                   40);
    EXPECT_NEAR(names[0].second - names[0].first + 1, textWidth(ui_.font({u"Tahoma", 8.25}), name),
                2)
        << "the first day name in Tahoma";
}

TEST_F(Win32UiTest, ReportsTheUsersEventsToTheWindowsSink) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    ui_.yield();

    SendMessageW(hwnd(main, "cmdWriteNote"), BM_CLICK, 0, 0);
    EXPECT_TRUE(mainSink_.saw(EventKind::Click, "cmdWriteNote"));

    // A click on the address label: the left button pressed and let go over it.
    const HWND label = hwnd(main, "Label8");
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(mainSink_.saw(EventKind::Click, "Label8"));

    // The calendar: two clicks on the same day are its double click; losing the focus to
    // another control of the window is its LostFocus.
    ui::Control& cal = main.control("Cal");
    cal.setVisible(true);
    cal.setFocus();
    const HWND calendar = hwnd(main, "Cal");
    POINT day{};
    for (int y = 30; y < 140 && day.x == 0; y += 4) {
        for (int x = 10; x < 160; x += 4) {
            MCHITTESTINFO hit{};
            hit.cbSize = MCHITTESTINFO_V1_SIZE;
            hit.pt = {x, y};
            SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.uHit == MCHT_CALENDARDATE) {
                day = hit.pt;
                break;
            }
        }
    }
    ASSERT_NE(day.x, 0) << "no day found in the calendar";
    SendMessageW(calendar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(day.x, day.y));
    SendMessageW(calendar, WM_LBUTTONUP, 0, MAKELPARAM(day.x, day.y));
    EXPECT_FALSE(mainSink_.saw(EventKind::DblClick, "Cal")) << "one click is no double click";
    SendMessageW(calendar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(day.x, day.y));
    SendMessageW(calendar, WM_LBUTTONUP, 0, MAKELPARAM(day.x, day.y));
    EXPECT_TRUE(mainSink_.saw(EventKind::DblClick, "Cal"));
    main.control("txtNote").setFocus();
    EXPECT_TRUE(mainSink_.saw(EventKind::LostFocus, "Cal"));

    SendMessageW(hwnd(main), WM_CLOSE, 0, 0);
    EXPECT_TRUE(mainSink_.saw(EventKind::CloseRequest));
    EXPECT_TRUE(IsWindowVisible(hwnd(main))) << "the logic decides whether the window goes";
}

TEST_F(Win32UiTest, TabWalksTheTabIndexOrderAcrossTheFrame) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    ui_.yield();
    main.control("txtDate").setFocus();
    const auto pressTab = [&] {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        ui_.yield();
    };
    const char* expected[] = {"cboNoteType", "txtNote", "cmdWriteNote", "cmdCancel"};
    for (const char* name : expected) {
        pressTab();
        EXPECT_EQ(GetFocus(), hwnd(main, name)) << name;
    }
}

TEST_F(Win32UiTest, TabReachesTheWebLinkAndEnterOrSpaceFollowsIt) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    ui_.yield();
    main.control("txtDate").setFocus();
    const HWND link = hwnd(main, "Label8");
    for (int i = 0; i < 12 && GetFocus() != link; ++i) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        ui_.yield();
    }
    ASSERT_EQ(GetFocus(), link) << "Tab never reaches the web link";
    for (const WPARAM key : {VK_RETURN, VK_SPACE}) {
        mainSink_.events.clear();
        PostMessageW(link, WM_KEYDOWN, key, 0);
        ui_.yield();
        EXPECT_TRUE(mainSink_.saw(EventKind::Click, "Label8")) << key;
    }
}

TEST_F(Win32UiTest, ShowModalDisablesTheOwnerUntilTheDialogIsHidden) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    ui::Window& login = ui_.create(lookup::validateUserDescription(), dialogSink_);
    main.show();
    bool ownerEnabledDuringDialog = true;
    dialogSink_.action = [&](const ui::Event& e) {
        if (e.kind != EventKind::Click) return;
        ownerEnabledDuringDialog = IsWindowEnabled(hwnd(main)) != FALSE;
        login.hide();
    };
    PostMessageW(hwnd(login, "cmdOK"), BM_CLICK, 0, 0);
    login.showModal();
    EXPECT_TRUE(dialogSink_.saw(EventKind::Click, "cmdOK"));
    EXPECT_FALSE(ownerEnabledDuringDialog);
    EXPECT_TRUE(IsWindowEnabled(hwnd(main)));
    EXPECT_FALSE(login.visible());

    // Esc is the cancel button's click.
    dialogSink_.events.clear();
    PostMessageW(hwnd(login, "txtUserName"), WM_KEYDOWN, VK_ESCAPE, 0);
    login.showModal();
    EXPECT_TRUE(dialogSink_.saw(EventKind::Click, "Command1"));
}

TEST_F(Win32UiTest, QuitLeavesTheNestedLoopsAndRun) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    ui::Window& login = ui_.create(lookup::validateUserDescription(), dialogSink_);
    main.show();
    dialogSink_.action = [&](const ui::Event&) { ui_.quit(3); };
    PostMessageW(hwnd(login, "cmdOK"), BM_CLICK, 0, 0);
    login.showModal();  // returns: the program has ended
    EXPECT_TRUE(ui_.quitRequested());
    EXPECT_EQ(ui_.run(), 3);
}

TEST_F(Win32UiTest, YieldRunsThePendingMessages) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    PostMessageW(hwnd(main, "cmdCancel"), BM_CLICK, 0, 0);
    EXPECT_FALSE(mainSink_.saw(EventKind::Click, "cmdCancel"));
    ui_.yield();
    EXPECT_TRUE(mainSink_.saw(EventKind::Click, "cmdCancel"));
}

}  // namespace
}  // namespace penwick::win32
