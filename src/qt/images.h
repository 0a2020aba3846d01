#pragma once
// The program's own small pictures, drawn rather than stored.

#include <QCursor>
#include <QIcon>

#include "ui/description.h"

namespace penwick::qt {

// A 16-by-16 icon for each of the program's windows.
QIcon windowIcon(ui::Image image);

// A 32-by-32 two-colour pointing hand, shown over the address labels.
QCursor linkCursor();

}  // namespace penwick::qt
