// The three windows on a desktop without the Windows fonts: every fixed text fits its control
// when measured with the font the widget really draws with, the month calendar fits its box,
// and the grey texts read on their background.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <filesystem>

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "note/note_types.h"
#include "qt/convert.h"
#include "qt/fonts.h"
#include "qt/qt_window.h"
#include "qt/widgets_ui.h"
#include "spell/spell_check_form.h"

namespace penwick::qt {
namespace {

// The month calendar, built now if the window has left it for later.
QCalendarWidget* calendarOf(ui::Window& window) {
    return qobject_cast<QCalendarWidget*>(static_cast<QtControl&>(window.control("Cal")).widget());
}

struct CountingSink final : ui::EventSink {
    void deliver(const ui::Event& e) override { events.push_back(e); }
    int count(ui::EventKind kind) const {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [&](const ui::Event& e) { return e.kind == kind; }));
    }
    std::vector<ui::Event> events;
};

// The room a control gives its text, as the style lays it out.
QRect textRoom(QWidget* w) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.rect = combo->rect();
        option.frame = true;
        option.subControls = QStyle::SC_All;
        return combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                              QStyle::SC_ComboBoxEditField, combo);
    }
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.rect = button->rect();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    if (auto* label = qobject_cast<QLabel*>(w)) return label->contentsRect();
    return w->rect();
}

// The size a text takes in a control: wrapped where the control wraps.
QSize textSize(QWidget* w, const QString& text, const QRect& room) {
    const QFontMetrics metrics(w->font());
    auto* label = qobject_cast<QLabel*>(w);
    if (label == nullptr) return QSize(metrics.horizontalAdvance(text), metrics.height());
    // A label clips at its bottom edge: what counts is the ink of its last line, not the
    // font's full descent (as on Windows, a "Note Date" with no descenders fits a tight box).
    const QRect lines =
        metrics.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, text);
    const int inkBelowBaseline = std::max(0, metrics.tightBoundingRect(text).bottom() + 1);
    return QSize(lines.width(), lines.height() - metrics.descent() + inkBelowBaseline);
}

struct Widest {
    QString control;
    int text = 0;
    int room = 0;
};

// Checks every fixed text of a window and gives the one that fills its room the most.
Widest checkTexts(QWidget* top, const ui::WindowDesc& d) {
    Widest widest;
    const auto check = [&](QWidget* w, const QString& name, const QString& text) {
        if (text.isEmpty()) return;
        const QRect room = textRoom(w);
        const QSize size = textSize(w, text, room);
        EXPECT_LE(size.width(), room.width())
            << name.toStdString() << " \"" << text.toStdString() << "\"";
        if (qobject_cast<QLabel*>(w) != nullptr) {
            EXPECT_LE(size.height(), room.height())
                << name.toStdString() << " \"" << text.toStdString() << "\"";
        }
        if (widest.control.isEmpty() || size.width() * widest.room > widest.text * room.width())
            widest = {name + QStringLiteral(" \"") + text + u'"', size.width(), room.width()};
    };
    for (const ui::ControlDesc& c : d.controls) {
        const QString name =
            QString::fromStdString(c.index < 0 ? c.name : c.name + "_" + std::to_string(c.index));
        QWidget* w = top->findChild<QWidget*>(name);
        if (w == nullptr) {
            ADD_FAILURE() << "no widget " << name.toStdString();
            continue;
        }
        if (auto* frame = qobject_cast<QGroupBox*>(w)) {
            const int room = frame->width() - 16;
            EXPECT_LE(QFontMetrics(frame->font()).horizontalAdvance(frame->title()), room)
                << c.name;
            continue;
        }
        check(w, name, toQ(c.text));
    }
    // The caption, in the title bar's font, beside the icon and the title bar's buttons.
    EXPECT_LE(QFontMetrics(QApplication::font()).horizontalAdvance(top->windowTitle() + "2.2"),
              top->width() - 120);
    return widest;
}

class WindowFit : public ::testing::Test {
protected:
    QtUi ui;
    CountingSink sink;
};

TEST_F(WindowFit, TheDescriptionsFacesAreDrawnWithTheirInstalledStandIns) {
    // Liberation Sans and Wine's faces keep Arial's and Tahoma's widths: without them the
    // texts below only fit by luck.
    EXPECT_EQ(QFontInfo(toQFont(ui::Font{u"Arial", 8.25})).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(toQFont(ui::Font{u"Tahoma", 9})).family(), "Tahoma");
    EXPECT_EQ(QFontInfo(toQFont(ui::Font{u"Tahoma", 8.25, true})).bold(), true);
    const QFont verdana = toQFont(ui::Font{u"Verdana", 9.75, true, true});
    EXPECT_TRUE(verdana.bold());
    EXPECT_TRUE(verdana.underline());
    EXPECT_LE(verdana.pointSizeF(), 9.75);
    // A face the table does not know keeps its name and size.
    const QFont other = toQFont(ui::Font{u"Courier New", 10});
    EXPECT_EQ(other.family(), "Courier New");
    EXPECT_DOUBLE_EQ(other.pointSizeF(), 10);
    // Loading the files again adds nothing: the faces are there.
    EXPECT_EQ(loadFaceFiles(defaultFaceFolder()), 0);
    EXPECT_EQ(loadFaceFiles(QStringLiteral("/nonexistent")), 0);
}

TEST_F(WindowFit, EveryFixedTextFitsItsControl) {
    for (const ui::WindowDesc* d :
         {&app::noteUpdateDescription(), &lookup::validateUserDescription(),
          &spell::spellCheckWindow()}) {
        SCOPED_TRACE(d->name);
        ui::Window& w = ui.create(*d, sink);
        static_cast<QtWindow&>(w).buildRest();  // as once the window has been painted
        QWidget* top = ui.widgetOf(w);
        const Widest widest = checkTexts(top, *d);
        std::printf("%s: widest text %s %d px in %d px\n", d->name.c_str(),
                    widest.control.toStdString().c_str(), widest.text, widest.room);
        ui.destroy(w);
    }
}

TEST_F(WindowFit, EveryNoteTypeAndDatePatternFits) {
    ui::Window& w = ui.create(app::noteUpdateDescription(), sink);
    QWidget* top = ui.widgetOf(w);
    auto* types = top->findChild<QComboBox*>("cboNoteType");
    for (const note::NoteType& type : note::kNoteTypes) w.control("cboNoteType").addItem(type.name);
    const QRect room = textRoom(types);
    for (const note::NoteType& type : note::kNoteTypes)
        EXPECT_LE(QFontMetrics(types->font()).horizontalAdvance(toQ(type.name)), room.width())
            << toQ(type.name).toStdString();
    // A picture of the widest entry chosen, to look at.
    types->setCurrentIndex(3);
    std::filesystem::create_directories(PENWICK_SCREENSHOT_DIR);
    top->grab().save(QStringLiteral(PENWICK_SCREENSHOT_DIR "/frmNoteUpdate-closed-won.png"));
    // The widest date pattern a locale gives.
    auto* pattern = top->findChild<QLabel*>("lblDateFormat");
    EXPECT_LE(QFontMetrics(pattern->font()).horizontalAdvance("dd/MM/yyyy"),
              pattern->contentsRect().width());
}

TEST_F(WindowFit, TheCalendarShowsAllDaysAndWeeksInsideItsBox) {
    ui::Window& w = ui.create(app::noteUpdateDescription(), sink);
    QWidget* top = ui.widgetOf(w);
    top->show();
    auto* cal = calendarOf(w);
    ASSERT_NE(cal, nullptr);
    cal->show();
    QApplication::processEvents();
    const double dpi = ui.dotsPerInch();
    EXPECT_EQ(cal->size(), QSize(ui::twipsToPixels(2595, dpi), ui::twipsToPixels(2175, dpi)));
    EXPECT_EQ(cal->firstDayOfWeek(), QLocale::system().firstDayOfWeek());
    EXPECT_EQ(cal->verticalHeaderFormat(), QCalendarWidget::NoVerticalHeader);

    auto* view = cal->findChild<QTableView*>("qt_calendar_calendarview");
    ASSERT_NE(view, nullptr);
    // The day names' row and six weeks of seven days.
    ASSERT_EQ(view->model()->rowCount(), 7);
    ASSERT_EQ(view->model()->columnCount(), 7);
    for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 7; ++column) {
            const QRect cell = view->visualRect(view->model()->index(row, column));
            EXPECT_FALSE(cell.isEmpty()) << row << "," << column;
            EXPECT_TRUE(view->viewport()->rect().contains(cell)) << row << "," << column;
            const QRect inCal(view->viewport()->mapTo(cal, cell.topLeft()), cell.size());
            EXPECT_TRUE(cal->rect().contains(inCal)) << row << "," << column;
        }
    const QRect last = view->visualRect(view->model()->index(6, 6));
    std::printf("calendar %dx%d px: cells %dx%d px, last day's cell ends at %d,%d in the view\n",
                cal->width(), cal->height(), last.width(), last.height(), last.right(),
                last.bottom());
    // The navigation bar's month and year are not cut either.
    for (const char* name : {"qt_calendar_monthbutton", "qt_calendar_yearbutton"}) {
        auto* button = cal->findChild<QWidget*>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(cal->rect().contains(QRect(button->mapTo(cal, QPoint()), button->size())))
            << name;
        EXPECT_GE(button->width(), button->sizeHint().width()) << name;
    }
}

TEST_F(WindowFit, OnlyADoubleClickTakesTheCalendarsDay) {
    ui::Window& w = ui.create(app::noteUpdateDescription(), sink);
    QWidget* top = ui.widgetOf(w);
    top->show();
    auto* cal = calendarOf(w);
    cal->show();
    cal->setSelectedDate(QDate(2026, 12, 9));
    QApplication::processEvents();
    auto* view = cal->findChild<QTableView*>("qt_calendar_calendarview");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(view, key);
    EXPECT_EQ(sink.count(ui::EventKind::DblClick), 0);
    // Arrow keys still move the day.
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(cal->selectedDate(), QDate(2026, 12, 10));

    // The 10th is the Thursday or Wednesday of the second week; find its cell.
    QModelIndex day;
    for (int row = 1; row < 7 && !day.isValid(); ++row)
        for (int column = 0; column < 7; ++column) {
            const QModelIndex index = view->model()->index(row, column);
            if (index.data().toString() == "10" && row < 4) {
                day = index;
                break;
            }
        }
    ASSERT_TRUE(day.isValid());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(day).center());
    EXPECT_EQ(sink.count(ui::EventKind::DblClick), 1);
}

// WCAG: 4.5 : 1 for normal text.
TEST(SystemColours, GreyTextAndLinksReadOnTheirBackground) {
    // The ratio itself, against known values.
    EXPECT_DOUBLE_EQ(contrastRatio(Qt::black, Qt::white), 21.0);
    EXPECT_NEAR(contrastRatio(QColor("#767676"), Qt::white), 4.54, 0.01);
    EXPECT_NEAR(contrastRatio(QColor("#808080"), QColor("#D4D0C8")), 2.57, 0.01);

    QPalette dark(QColor("#353535"), QColor("#2a2a2a"));  // button, window
    dark.setColor(QPalette::WindowText, QColor("#e0e0e0"));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor("#505050"));
    dark.setColor(QPalette::Dark, QColor("#404040"));
    for (const QPalette& palette : {QApplication::palette(), dark}) {
        for (const ui::SysColor grey : {ui::SysColor::GrayText, ui::SysColor::AppWorkspace}) {
            const QColor colour = systemColor(grey, palette);
            for (const ui::SysColor ground : {ui::SysColor::Menu, ui::SysColor::ButtonFace}) {
                const QColor background = systemColor(ground, palette);
                EXPECT_GE(contrastRatio(colour, background), 4.5)
                    << colour.name().toStdString() << " on " << background.name().toStdString();
            }
            std::printf("%s %s on %s: %.2f : 1 (theme's %s: %.2f : 1)\n",
                        grey == ui::SysColor::GrayText ? "grey text" : "app workspace",
                        colour.name().toStdString().c_str(),
                        palette.color(QPalette::Window).name().toStdString().c_str(),
                        contrastRatio(colour, palette.color(QPalette::Window)),
                        (grey == ui::SysColor::GrayText
                             ? palette.color(QPalette::Disabled, QPalette::WindowText)
                             : palette.color(QPalette::Dark))
                            .name()
                            .toStdString()
                            .c_str(),
                        contrastRatio(grey == ui::SysColor::GrayText
                                          ? palette.color(QPalette::Disabled, QPalette::WindowText)
                                          : palette.color(QPalette::Dark),
                                      palette.color(QPalette::Window)));
        }
    }
}

}  // namespace
}  // namespace penwick::qt
