// The calendar painted in its stored look over the system's month calendar.
#include "win32/win32_window.h"

#include <commctrl.h>

#include "win32/calendar_style.h"

namespace penwick::win32 {

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
}  // namespace penwick::win32
