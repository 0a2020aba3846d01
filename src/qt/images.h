#pragma once
// The program's own small pictures, drawn rather than stored.

#include <QCursor>
#include <QIcon>
#include <QImage>

#include "ui/description.h"

namespace penwick::qt {

// The program's icon, drawn at any size: 16 pixels for the main window, more for the desktop.
QImage mainIconImage(int pixels);

// A 16-by-16 icon for each of the program's windows.
QIcon windowIcon(ui::Image image);

// A 32-by-32 two-colour pointing hand, shown over the address labels.
QCursor linkCursor();

}  // namespace penwick::qt
