#include "qt/calendar_style.h"

#include <QCalendarWidget>
#include <QFontMetrics>
#include <QTextCharFormat>
#include <QToolButton>

namespace penwick::qt {

void styleCalendar(QCalendarWidget& cal, int width) {
    QFont grid(QStringLiteral("Arial"));
    grid.setPointSizeF(8.25);
    cal.setFont(grid);

    QTextCharFormat dayNames = cal.headerTextFormat();
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    dayNames.setFont(tahoma);
    cal.setHeaderTextFormat(dayNames);
    const int column = width / 7;
    if (QFontMetrics(tahoma).horizontalAdvance(QStringLiteral("Wed")) + 4 > column)
        cal.setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);

    // Room for the longest month and a year, between the two arrow buttons.
    QFont title(QStringLiteral("Arial"));
    title.setBold(true);
    const int room = width - 2 * 24;
    for (double points = 12; points >= 6; points -= 0.75) {
        title.setPointSizeF(points);
        if (QFontMetrics(title).horizontalAdvance(QStringLiteral("September 2026")) + 16 <= room)
            break;
    }
    for (auto* button : cal.findChildren<QToolButton*>()) {
        if (button->objectName() == u"qt_calendar_monthbutton" ||
            button->objectName() == u"qt_calendar_yearbutton")
            button->setFont(title);
    }
    if (auto* year = cal.findChild<QWidget*>(QStringLiteral("qt_calendar_yearedit")))
        year->setFont(title);
}

}  // namespace penwick::qt
