#include "qt/calendar_style.h"

#include <QCalendarWidget>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLayout>
#include <QLocale>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

#include <algorithm>

#include "qt/fonts.h"

namespace penwick::qt {

namespace {

constexpr int kArrowSize = 12;  // the navigation bar's arrow icons, in pixels

}  // namespace

void styleCalendar(QCalendarWidget& cal) {
    cal.setFirstDayOfWeek(QLocale::system().firstDayOfWeek());
    cal.setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    cal.setGridVisible(true);
    cal.setFont(toQFont(ui::Font{u"Arial", 8.25}));

    const QFont dayNameFont = toQFont(ui::Font{u"Tahoma", 8.25});
    QTextCharFormat dayNames = cal.headerTextFormat();
    dayNames.setFont(dayNameFont);
    cal.setHeaderTextFormat(dayNames);
    const int column = cal.width() / 7;
    const QFontMetrics dayNameMetrics(dayNameFont);
    int widestDayName = 0;
    for (int day = 1; day <= 7; ++day)
        widestDayName =
            std::max(widestDayName, dayNameMetrics.horizontalAdvance(
                                        cal.locale().standaloneDayName(day, QLocale::ShortFormat)));
    if (widestDayName + 4 > column)
        cal.setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);

    // The grid's rows and columns share out whatever room the box has; Qt's own minimum
    // section sizes would push the last column out of it.
    if (auto* view = cal.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        view->horizontalHeader()->setMinimumSectionSize(1);
        view->verticalHeader()->setMinimumSectionSize(1);
    }

    // A compact navigation bar: small arrows, no margins, and the title as large as the room
    // between the arrows allows, up to its stored size.
    auto* bar = cal.findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    if (bar != nullptr && bar->layout() != nullptr) {
        bar->layout()->setContentsMargins(0, 0, 0, 0);
        bar->layout()->setSpacing(0);
    }
    for (auto* button : cal.findChildren<QToolButton*>()) {
        if (button->objectName() == u"qt_calendar_prevmonth" ||
            button->objectName() == u"qt_calendar_nextmonth")
            button->setIconSize(QSize(kArrowSize, kArrowSize));
    }
    QFont title = toQFont(ui::Font{u"Arial", 12, true});
    const double stored = title.pointSizeF();
    const int room = cal.width() - 2 * (kArrowSize + 8);
    // Quarter-point steps of three, counted whole so that no step is lost to rounding.
    for (int step = 0; stored - 0.75 * step >= 6; ++step) {
        title.setPointSizeF(stored - 0.75 * step);
        const QFontMetrics metrics(title);
        int widest = 0;
        for (int month = 1; month <= 12; ++month)
            widest = std::max(widest,
                              metrics.horizontalAdvance(cal.locale().standaloneMonthName(month)));
        // Month and year, each on a tool button with its own padding.
        if (widest + metrics.horizontalAdvance(QStringLiteral("0000")) + 24 <= room) break;
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
