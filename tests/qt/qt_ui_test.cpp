// The Qt front end: windows built from their descriptions, the text-box rules, modal showing
// and closing, and a picture of the started main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "qt/convert.h"
#include "qt/fonts.h"
#include "qt/images.h"
#include "qt/qt_window.h"
#include "qt/widgets_ui.h"
#include "spell/spell_check_form.h"
#include "support/app_harness.h"
#include "util/failure.h"

namespace penwick::qt {
namespace {

// The month calendar, built now if the window has left it for later.
QCalendarWidget* calendarOf(ui::Window& window) {
    return qobject_cast<QCalendarWidget*>(static_cast<QtControl&>(window.control("Cal")).widget());
}

using testing::FakeLocale;

// Records what the front end delivers.
struct RecordingSink final : ui::EventSink {
    void deliver(const ui::Event& e) override {
        events.push_back(e);
        if (onEvent) onEvent(e);
    }
    std::vector<ui::Event> events;
    std::function<void(const ui::Event&)> onEvent;
};

ui::WindowDesc sampleWindow() {
    ui::WindowDesc w;
    w.name = "frmSample";
    w.caption = u"Sample";
    w.clientWidth = 4800;
    w.clientHeight = 3000;
    w.controls = {
        {.name = "fra",
         .kind = ui::ControlKind::Frame,
         .geometry = {120, 120, 3000, 2000},
         .tabIndex = 4},
        {.name = "txtOne",
         .kind = ui::ControlKind::TextBox,
         .geometry = {150, 300, 1500, 300},
         .tabIndex = 2,
         .parent = "fra"},
        {.name = "txtMany",
         .kind = ui::ControlKind::MultiLineTextBox,
         .geometry = {150, 700, 2500, 900},
         .tabIndex = 1,
         .parent = "fra"},
        {.name = "lbl",
         .index = 1,
         .kind = ui::ControlKind::Label,
         .text = u"Name:",
         .geometry = {3300, 150, 1000, 240},
         .font = ui::Font{u"Verdana", 9.75, true},
         .tabIndex = 0},
        {.name = "cmdGo",
         .kind = ui::ControlKind::Button,
         .text = u"Go",
         .geometry = {3300, 2400, 1200, 375},
         .tabIndex = 3},
        {.name = "lst",
         .kind = ui::ControlKind::ListBox,
         .geometry = {3300, 600, 1200, 1200},
         .tabIndex = 5},
    };
    return w;
}

class QtUiTest : public ::testing::Test {
protected:
    QtUi ui;
    RecordingSink sink;
    ui::WindowDesc desc = sampleWindow();
};

TEST_F(QtUiTest, BuildsControlsAtTheirTwipsGeometry) {
    ui::Window& w = ui.create(desc, sink);
    QWidget* top = ui.widgetOf(w);
    const double dpi = ui.dotsPerInch();
    const auto px = [&](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440)); };

    EXPECT_EQ(top->objectName(), "frmSample");
    EXPECT_EQ(top->size(), QSize(px(4800), px(3000)));
    auto* one = top->findChild<QLineEdit*>("txtOne");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->parentWidget()->objectName(), "fra");  // measured from the frame
    EXPECT_EQ(one->geometry(), QRect(px(150), px(300), px(1500), px(300)));
    auto* label = top->findChild<QLabel*>("lbl_1");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Name:");
    EXPECT_EQ(label->font(), toQFont(ui::Font{u"Verdana", 9.75, true}));  // its stand-in
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(&w.control("lbl", 1), &w.control("lbl", 1));
    try {
        w.control("lbl");  // the array needs its index
        FAIL() << "no failure for a missing control";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::InvalidCall);
    }
}

// The next of the window's own controls in the focus chain, past Qt's inner widgets.
// The caret and selection of a text box as its widget holds them: start and length.
std::pair<int, int> selectionOf(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        return {start, line->selectionLength()};
    }
    const QTextCursor c = qobject_cast<QPlainTextEdit*>(box)->textCursor();
    return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
}

bool hasFocus(QWidget* widget) {
    const QWidget* focus = widget->window()->focusWidget();
    return focus != nullptr && (focus == widget || widget->isAncestorOf(focus));
}

QString nextControl(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain())
        if (w->focusPolicy() != Qt::NoFocus && !w->objectName().isEmpty() &&
            !w->objectName().startsWith("qt_"))
            return w->objectName();
    return {};
}

TEST_F(QtUiTest, ChainsTheTabOrderByTabIndex) {
    ui::Window& w = ui.create(desc, sink);
    QWidget* top = ui.widgetOf(w);
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("txtMany")), "txtOne");
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("txtOne")), "cmdGo");
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("cmdGo")), "lst");
}

// The selection rules themselves are the front-end contract's; here, what is Qt's own.
TEST_F(QtUiTest, ALineBreakIsOneCharacterOfTheSelection) {
    ui::Window& w = ui.create(desc, sink);
    ui::Control& many = w.control("txtMany");
    many.setText(u"first\nsecond");
    many.setSelectionStart(3);
    many.setSelectionLength(5);
    EXPECT_EQ(many.selectedText(), u"st\nse");
}

TEST_F(QtUiTest, TextBoxesInsertAtTheCaretAndKeepEveryCharacter) {
    ui::Window& w = ui.create(desc, sink);
    for (const char* name : {"txtOne", "txtMany"}) {
        SCOPED_TRACE(name);
        ui::Control& box = w.control(name);
        QWidget* widget = ui.widgetOf(w)->findChild<QWidget*>(name);
        box.setText(u"Hello world");
        box.setSelectionStart(2);
        box.setSelectionLength(3);
        box.setSelectionStart(5);  // a new start drops the old selection
        EXPECT_EQ(selectionOf(widget).second, 0);
        box.setSelectedText(u",");  // nothing selected: an insertion, nothing removed
        EXPECT_EQ(box.text(), u"Hello, world");
        EXPECT_EQ(selectionOf(widget).first, 6);

        // No-break spaces, tabs and characters beyond the BMP come back as they went in, and
        // positions count UTF-16 units.
        const std::u16string odd = u"a\u00a0b\tc\U0001F600d";
        box.setText(odd);
        EXPECT_EQ(box.text(), odd);
        box.setSelectionStart(5);
        box.setSelectionLength(2);
        EXPECT_EQ(box.selectedText(), u"\U0001F600");
        box.setSelectedText(u"e");
        EXPECT_EQ(box.text(), u"a\u00a0b\tced");
    }
    // A single-line box holds more than Qt's default limit.
    ui::Control& one = w.control("txtOne");
    one.setText(std::u16string(40000, u'x'));
    EXPECT_EQ(one.text().size(), 40000u);
}

TEST_F(QtUiTest, ListsChangeQuietlyAndReportTheUsersClick) {
    ui::Window& w = ui.create(desc, sink);
    ui::Control& list = w.control("lst");
    list.addItem(u"the");
    list.addItem(u"tea");
    list.setListIndex(1);
    EXPECT_EQ(list.text(), u"tea");
    EXPECT_TRUE(sink.events.empty());
    ui.widgetOf(w)->findChild<QListWidget*>("lst")->setCurrentRow(0);  // as the user would
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].kind, ui::EventKind::Click);
    EXPECT_EQ(sink.events[0].control, "lst");
    list.setListIndex(-1);
    EXPECT_EQ(list.listIndex(), -1);
    EXPECT_EQ(list.text(), u"");
    EXPECT_THROW(list.setListIndex(2), Failure);

    // A double click counts anywhere in the list, an empty one too.
    auto* view = ui.widgetOf(w)->findChild<QListWidget*>("lst");
    list.clearList();
    sink.events.clear();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events.back().kind, ui::EventKind::DblClick);
    EXPECT_EQ(sink.events.back().control, "lst");
    list.addItem(u"the");
    list.addItem(u"tea");

    // Tabbing into the list makes an entry current but chooses none.
    w.show();
    sink.events.clear();
    ui.widgetOf(w)->findChild<QListWidget*>("lst")->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(list.listIndex(), -1);
    for (const ui::Event& e : sink.events)
        EXPECT_NE(e.kind, ui::EventKind::Click) << "a click from " << e.control;
}

// After a quit Qt ends every event loop at once until the application's own loop has run
// again; the tests after this one need theirs.
void allowLoopsAgain() {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
}

// Answers the next modal dialog of type D once it is up.
template <class D>
void whenModal(std::function<void(D&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal dialog of the expected kind";
            return;
        }
        answer(*dialog);
    });
}

TEST_F(QtUiTest, MessageBoxesShowTheirStyleAndGiveTheAnswer) {
    using ui::MessageAnswer;
    using ui::MessageStyle;
    struct Case {
        MessageStyle style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        MessageAnswer answer;
    };
    for (const Case& c : {
             Case{MessageStyle::InformationOk, QMessageBox::Information, QMessageBox::Ok,
                  QMessageBox::Ok, MessageAnswer::Ok},
             Case{MessageStyle::InformationYesNo, QMessageBox::Information,
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, MessageAnswer::Yes},
             Case{MessageStyle::InformationYesNo, QMessageBox::Information,
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No, MessageAnswer::No},
             Case{MessageStyle::CriticalOk, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok,
                  MessageAnswer::Ok},
         }) {
        SCOPED_TRACE(static_cast<unsigned>(c.style));
        whenModal<QMessageBox>([&](QMessageBox& box) {
            EXPECT_EQ(box.icon(), c.icon);
            EXPECT_EQ(box.standardButtons(), c.buttons);
            EXPECT_EQ(box.windowTitle(), "Penwicks");
            EXPECT_EQ(box.text(), "Two\nlines");
            box.button(c.press)->click();
        });
        EXPECT_EQ(ui.messageBox(u"Two\r\nlines", c.style, u"Penwicks"), c.answer);
    }
    // Esc on a question is its No; a box without a title of its own bears the program's name.
    whenModal<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), "Penwick");
        box.reject();
    });
    EXPECT_EQ(ui.messageBox(u"Sure?", ui::MessageStyle::InformationYesNo, u""),
              ui::MessageAnswer::No);
}

TEST_F(QtUiTest, FileDialogOpensWhereAskedAndGivesTheChosenPath) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("penwick-qt-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "README") << "a file without a dot in its name\n";
    const QString folder = QString::fromStdString(dir.string());
    const ui::FileDialogRequest request{u"Attach File", u"All Files (*.*)|*.*", dir.u16string()};

    whenModal<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Attach File");
        EXPECT_EQ(dialog.directory().absolutePath(), folder);
        // "*.*" would miss a name without a dot; the description stays as given.
        ASSERT_EQ(dialog.nameFilters().size(), 1);
        EXPECT_TRUE(dialog.testOption(QFileDialog::HideNameFilterDetails));
        EXPECT_TRUE(dialog.nameFilters()[0].startsWith("All Files (*.*)"));
        EXPECT_TRUE(dialog.nameFilters()[0].endsWith("(*)"));
        dialog.selectFile(folder + "/README");
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(ui.openFile(request, nullptr), (dir / "README").u16string());

    whenModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(ui.openFile(request, nullptr), std::nullopt);
    std::filesystem::remove_all(dir);
}

TEST_F(QtUiTest, QuitLeavesTheModalLoopAndRunGivesTheCode) {
    ui::Window& w = ui.create(desc, sink);
    QTimer::singleShot(0, [&] { ui.quit(3); });
    w.showModal();  // would hang if quit left only the outer loop
    EXPECT_EQ(ui.run(), 3);
    allowLoopsAgain();
}

TEST_F(QtUiTest, TheCloseBoxAsksAndTheWindowStaysUntilUnloaded) {
    ui::Window& w = ui.create(desc, sink);
    w.show();
    QWidget* top = ui.widgetOf(w);
    top->close();
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events.back().kind, ui::EventKind::CloseRequest);
    EXPECT_TRUE(w.visible());
    top->resize(top->width() + 40, top->height() + 30);
    EXPECT_EQ(sink.events.back().kind, ui::EventKind::Resize);
    ui.destroy(w);
    EXPECT_EQ(ui.widgetOf(w), nullptr);
}

TEST(QtImages, TheIconAndTheLinkCursorKeepTheirSizesAndColours) {
    // The main icon: 16 by 16 in the classic 16-colour palette.
    const QSet<QRgb> vga = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                            0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                            0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    const QIcon icon = windowIcon(ui::Image::MainIcon);
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(16, 16).toImage();
    EXPECT_EQ(image.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb px = image.pixel(x, y);
            if (qAlpha(px) == 0) continue;
            EXPECT_EQ(qAlpha(px), 255) << x << "," << y;
            EXPECT_TRUE(vga.contains(px & 0xFFFFFF)) << x << "," << y << std::hex << " " << px;
        }

    // The link cursor: 32 by 32, black and white on a transparent ground, hot spot on the hand.
    const QCursor cursor = linkCursor();
    const QImage hand = cursor.pixmap().toImage();
    EXPECT_EQ(hand.size(), QSize(32, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(hand.pixel(x, y)) != 0) colours.insert(hand.pixel(x, y) & 0xFFFFFF);
    EXPECT_EQ(colours, (QSet<QRgb>{0x000000, 0xFFFFFF}));
    EXPECT_NE(qAlpha(hand.pixel(cursor.hotSpot())), 0);
}

// The whole program on the Qt front end, with in-memory outside parts.
TEST(QtProgram, StartsIntoTheMainWindowAndGrabsIt) {
    QtUi ui;
    testing::AppHarness h;
    Services services{.ui = ui,
                      .platform = h.platform,
                      .settings = h.settings,
                      .locale = h.locale,
                      .clock = h.clock,
                      .codePage = h.codePage,
                      .contactManager = h.missingContacts,
                      .spellChecker = h.missingSpeller};
    App app(services);
    app.start();
    ui::Window& main = app.frmNoteUpdate().window();
    QWidget* top = ui.widgetOf(main);
    ASSERT_NE(top, nullptr);
    QApplication::processEvents();

    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->windowTitle(), "Penwick by Hollowfen ver 2.2");
    EXPECT_EQ(top->findChild<QLineEdit*>("txtDate")->text(), "12/6/2026");
    EXPECT_EQ(top->findChild<QComboBox*>("cboNoteType")->currentText(), "Note");
    EXPECT_FALSE(top->findChild<QLineEdit*>("txtFile")->isEnabled());
    EXPECT_TRUE(calendarOf(main)->isHidden());
    EXPECT_FALSE(top->windowFlags() & Qt::WindowMaximizeButtonHint);
    // The address labels: underlined, with the link cursor.
    auto* web = top->findChild<QLabel*>("Label8");
    EXPECT_TRUE(web->font().underline());
    EXPECT_EQ(web->cursor().shape(), Qt::BitmapCursor);

    const std::filesystem::path dir = PENWICK_SCREENSHOT_DIR;
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(top->grab().save(QString::fromStdString((dir / "frmNoteUpdate.png").string())));

    // System colours as palette roles: the pattern in grey text, the disabled path box in the
    // button face, and in the window colour once the user picks "File Attachment".
    const QPalette system = QApplication::palette();
    auto* pattern = top->findChild<QLabel*>("lblDateFormat");
    EXPECT_EQ(pattern->text(), "M/d/yyyy");
    EXPECT_EQ(pattern->palette().color(QPalette::WindowText),
              systemColor(ui::SysColor::GrayText, system));
    EXPECT_NE(pattern->palette().color(QPalette::WindowText), system.color(QPalette::WindowText));
    auto* path = top->findChild<QLineEdit*>("txtFile");
    EXPECT_EQ(path->palette().color(QPalette::Base), system.color(QPalette::Button));
    auto* types = top->findChild<QComboBox*>("cboNoteType");
    types->setCurrentIndex(7);
    emit types->activated(7);  // as the user's pick
    EXPECT_TRUE(path->isEnabled());
    EXPECT_TRUE(top->findChild<QPushButton*>("cmdFile")->isEnabled());
    EXPECT_EQ(path->palette().color(QPalette::Base), system.color(QPalette::Base));
    types->setCurrentIndex(0);
    emit types->activated(0);
    EXPECT_FALSE(path->isEnabled());

    // Tab runs through the note fields and the buttons in tab-index order.
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("txtDate")), "cboNoteType");
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("cboNoteType")), "txtNote");
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("txtNote")), "cmdWriteNote");
    EXPECT_EQ(nextControl(top->findChild<QWidget*>("cmdWriteNote")), "cmdCancel");

    // The calendar opens at today over the fields below the date box, and a double click
    // (Qt's "activated") writes the day and puts the caret back into the note.
    auto* cal = top->findChild<QCalendarWidget*>("Cal");
    top->findChild<QLineEdit*>("txtDate")->setText("1/1/1999");
    top->findChild<QPushButton*>("cmdCal")->click();
    QApplication::processEvents();
    ASSERT_TRUE(cal->isVisible());
    EXPECT_EQ(cal->selectedDate(), QDate(2026, 12, 6));
    EXPECT_TRUE(hasFocus(cal));
    QWidget* frame = top->findChild<QWidget*>("Frame2");
    EXPECT_EQ(frame->children().indexOf(cal), frame->children().size() - 1) << "not in front";
    EXPECT_TRUE(
        top->grab().save(QString::fromStdString((dir / "frmNoteUpdate-calendar.png").string())));
    cal->setSelectedDate(QDate(2026, 12, 24));
    emit cal->activated(cal->selectedDate());
    EXPECT_FALSE(cal->isVisible());
    EXPECT_EQ(top->findChild<QLineEdit*>("txtDate")->text(), "12/24/2026");
    EXPECT_TRUE(hasFocus(top->findChild<QWidget*>("txtNote")));

    // Focus moving elsewhere hides it and takes no date.
    top->findChild<QPushButton*>("cmdCal")->click();
    ASSERT_TRUE(cal->isVisible());
    top->findChild<QComboBox*>("cboNoteType")->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(cal->isVisible());
    EXPECT_EQ(top->findChild<QLineEdit*>("txtDate")->text(), "12/24/2026");

    // The other two windows, built but not shown modally.
    for (ui::Window* w : {&app.frmValidateUser().window(), &app.frmSpellCheck().window()}) {
        QWidget* dialog = ui.widgetOf(*w);
        const auto file = dir / (w->description().name + ".png");
        EXPECT_TRUE(dialog->grab().save(QString::fromStdString(file.string())));
    }

    // Cancel closes everything and ends the program.
    top->findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_TRUE(app.program().ended());
    EXPECT_EQ(ui.run(), 0);
    allowLoopsAgain();
}

}  // namespace
}  // namespace penwick::qt

int main(int argc, char** argv) {
    // The tests need no display; CTest's discovery runs them before any test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
