// The font cache: one GDI font per face, size and style, kept until the front end goes.
#include "win32/win32_ui.h"

#include <algorithm>
#include <cmath>

#include "windows/wide.h"

namespace penwick::win32 {

using windows::wide;

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
}  // namespace penwick::win32
