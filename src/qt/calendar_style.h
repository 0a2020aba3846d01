#pragma once
// The month calendar's stored look, fitted into the control's size.

class QCalendarWidget;

namespace penwick::qt {

// The calendar's own stored look: the date grid in Arial 8.25 pt, the day names in Tahoma
// 8.25 pt, month and year in Arial 12 pt bold. Where the fonts stand in for wider ones and the
// control's small size cannot hold them, the day names shrink to one letter and the title to
// a size that fits: a cut-off month name helps nobody.
void styleCalendar(QCalendarWidget& cal, int width);

}  // namespace penwick::qt
