#include "win32/images.h"

#include <functional>
#include <map>
#include <utility>

namespace penwick::win32 {

namespace {

// The designs are drawn on a 16-unit grid; a larger icon is the same drawing, scaled.
struct Grid {
    int size;
    int operator()(int units) const { return MulDiv(units, size, 16); }
};

// Draws the image twice: in colour on black, and as the mask (black where drawn, white where
// transparent). Painter gets the device context, whether it paints the mask, and the grid.
HICON compose(int size, bool isIcon, POINT hotSpot,
              const std::function<void(HDC, bool mask, Grid)>& painter) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP color = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    const RECT all{0, 0, size, size};
    HGDIOBJ old = SelectObject(dc, color);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    painter(dc, false, Grid{size});
    SelectObject(dc, mask);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    painter(dc, true, Grid{size});
    SelectObject(dc, old);
    DeleteDC(dc);

    ICONINFO info{};
    info.fIcon = isIcon;
    info.xHotspot = static_cast<DWORD>(hotSpot.x);
    info.yHotspot = static_cast<DWORD>(hotSpot.y);
    info.hbmMask = mask;
    info.hbmColor = color;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

// Pens and brushes of one colour, or black in the mask.
class Tools {
public:
    Tools(HDC dc, bool mask) : dc_(dc), mask_(mask) {}
    Tools(const Tools&) = delete;
    Tools& operator=(const Tools&) = delete;
    ~Tools() { release(); }

    void pen(COLORREF c, int width = 1) {
        HPEN p = CreatePen(PS_SOLID, width, mask_ ? RGB(0, 0, 0) : c);
        HGDIOBJ old = SelectObject(dc_, p);
        if (pen_ != nullptr) DeleteObject(old);
        pen_ = p;
    }
    void brush(COLORREF c) {
        HBRUSH b = CreateSolidBrush(mask_ ? RGB(0, 0, 0) : c);
        HGDIOBJ old = SelectObject(dc_, b);
        if (brush_ != nullptr) DeleteObject(old);
        brush_ = b;
    }
    void noBrush() {
        HGDIOBJ old = SelectObject(dc_, GetStockObject(NULL_BRUSH));
        if (brush_ != nullptr) DeleteObject(old);
        brush_ = nullptr;
    }
    void line(int x1, int y1, int x2, int y2) {
        MoveToEx(dc_, x1, y1, nullptr);
        LineTo(dc_, x2, y2);
        SetPixel(dc_, x2, y2, mask_ ? RGB(0, 0, 0) : currentPenColor_);  // GDI leaves the end out
    }
    void track(COLORREF c, int width = 1) {
        currentPenColor_ = c;
        pen(c, width);
    }
    void release() {
        if (pen_ != nullptr) DeleteObject(SelectObject(dc_, GetStockObject(BLACK_PEN)));
        if (brush_ != nullptr) DeleteObject(SelectObject(dc_, GetStockObject(NULL_BRUSH)));
        pen_ = nullptr, brush_ = nullptr;
    }

private:
    HDC dc_;
    bool mask_;
    HPEN pen_ = nullptr;
    HBRUSH brush_ = nullptr;
    COLORREF currentPenColor_ = 0;
};

// A sheet of note paper with ruled lines and a pen across its corner.
void noteIcon(HDC dc, bool mask, Grid g) {
    Tools t(dc, mask);
    t.track(RGB(0, 0, 128), g(1));
    t.brush(RGB(255, 255, 255));
    Rectangle(dc, g(1), g(1), g(13), g(15));
    t.track(RGB(0, 128, 128), g(1));
    for (int y = 4; y <= 12; y += 3) t.line(g(3), g(y), g(10), g(y));
    t.track(RGB(128, 0, 0), g(2));
    t.line(g(14), g(2), g(8), g(10));
    const RECT nib{g(7), g(11), g(8), g(12)};
    FillRect(dc, &nib, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// A key, for the login.
void keyIcon(HDC dc, bool mask, Grid g) {
    Tools t(dc, mask);
    t.track(RGB(128, 96, 0), g(2));
    t.noBrush();
    Ellipse(dc, g(1), g(5), g(8), g(12));
    t.line(g(8), g(8), g(14), g(8));
    t.line(g(12), g(8), g(12), g(11));
    t.line(g(14), g(8), g(14), g(11));
}

// "abc" with a tick under it, for the spell check.
void spellIcon(HDC dc, bool mask, Grid g) {
    HFONT font = CreateFontW(-g(7), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH, L"Tahoma");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, mask ? RGB(0, 0, 0) : RGB(0, 0, 128));
    RECT r{0, 0, g(16), g(8)};
    DrawTextW(dc, L"abc", 3, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    Tools t(dc, mask);
    t.track(RGB(0, 128, 0), g(2));
    t.line(g(3), g(11), g(6), g(14));
    t.line(g(6), g(14), g(13), g(8));
}

void handCursor(HDC dc, bool mask, Grid) {
    static const POINT hand[] = {{6, 1},   {9, 1},   {9, 11},  {12, 10}, {15, 11},
                                 {18, 12}, {21, 14}, {21, 22}, {18, 27}, {8, 27},
                                 {2, 19},  {2, 15},  {6, 17}};
    Tools t(dc, mask);
    t.track(RGB(0, 0, 0));
    t.brush(RGB(255, 255, 255));
    Polygon(dc, hand, static_cast<int>(std::size(hand)));
    t.line(12, 11, 12, 16);
    t.line(15, 12, 15, 16);
    t.line(18, 13, 18, 16);
}

}  // namespace

HICON makeIcon(ui::Image image, int size) {
    if (size <= 0) size = GetSystemMetrics(SM_CXSMICON);
    switch (image) {
        case ui::Image::MainIcon:
            return compose(size, true, {}, noteIcon);
        case ui::Image::LoginIcon:
            return compose(size, true, {}, keyIcon);
        case ui::Image::SpellIcon:
            return compose(size, true, {}, spellIcon);
        default:
            return nullptr;
    }
}

HICON bigIcon(ui::Image image) {
    // One per image and size for the program's life, as the system's shared icons are: a
    // window that is loaded again finds its icon drawn.
    static std::map<std::pair<ui::Image, int>, HICON> drawn;
    const int size = GetSystemMetrics(SM_CXICON);
    HICON& icon = drawn[{image, size}];
    if (icon == nullptr) icon = makeIcon(image, size);
    return icon;
}

HCURSOR makeLinkCursor() {
    return static_cast<HCURSOR>(compose(32, false, {7, 1}, handCursor));
}

}  // namespace penwick::win32
