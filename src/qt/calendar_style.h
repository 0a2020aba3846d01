#pragma once
// The month calendar's stored look, fitted into the control's size.

class QCalendarWidget;

namespace penwick::qt {

// The calendar's own stored look: the date grid in Arial 8.25 pt, the day names in Tahoma
// 8.25 pt, month and year in Arial 12 pt bold, weeks starting on the locale's first day. All
// seven days and six weeks fit the control's box: no week numbers, a compact navigation bar,
// and where the stand-in faces and the small box cannot hold them, one-letter day names and
// a smaller title (a cut-off month name or day helps nobody).
void styleCalendar(QCalendarWidget& cal);

}  // namespace penwick::qt
