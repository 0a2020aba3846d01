#pragma once
// The program's window icons and the link cursor, drawn in code with GDI: the same designs as
// the other front end's, in the colours of the classic 16-colour palette.

#include <windows.h>

#include "ui/description.h"

namespace penwick::win32 {

// A new icon of size pixels square, by default the system's small-icon size (SM_CXSMICON, 16
// at 96 dpi); the caller destroys it. Nullptr for Image::None.
HICON makeIcon(ui::Image image, int size = 0);
// The image at the system's big-icon size (SM_CXICON: 32 at 96 dpi, 48 at 144), for the
// Alt+Tab switcher and the taskbar. Shared: the caller does not destroy it.
HICON bigIcon(ui::Image image);
// A new 32-by-32 two-colour cursor: a white hand with a black outline, hot spot on the finger.
HCURSOR makeLinkCursor();

}  // namespace penwick::win32
