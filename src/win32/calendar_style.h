#pragma once
// Internal to the front end: the fonts of the calendar's stored look.

#include "ui/window.h"

namespace penwick::win32 {

// The calendar's stored look: the date grid, the day names and the title each in a font of its
// own. The system's month calendar has a single font (its title is that font in bold).
inline const ui::Font kCalendarGridFont{u"Arial", 8.25};
inline const ui::Font kCalendarDayNameFont{u"Tahoma", 8.25};
inline const ui::Font kCalendarTitleFont{u"Arial", 12, true};
}  // namespace penwick::win32
