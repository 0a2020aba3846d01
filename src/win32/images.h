#pragma once
// The program's window icons and the link cursor, drawn in code with GDI: the same designs as
// the other front end's, in the colours of the classic 16-colour palette.

#include <windows.h>

#include "ui/description.h"

namespace penwick::win32 {

// A new 16-by-16 icon (the caller destroys it), or nullptr for Image::None.
HICON makeIcon(ui::Image image);
// A new 32-by-32 two-colour cursor: a white hand with a black outline, hot spot on the finger.
HCURSOR makeLinkCursor();

}  // namespace penwick::win32
