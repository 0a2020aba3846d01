// The Qt front end keeps the rules every front end keeps, read back from its real widgets.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>

#include "contract/ui_contract.h"
#include "qt/convert.h"
#include "qt/widgets_ui.h"

namespace penwick::contract {
namespace {

struct QtFront {
    qt::QtUi qtUi;

    ui::Ui& ui() { return qtUi; }
    void pump() { QApplication::processEvents(); }
    QWidget* top(ui::Window& w) { return qtUi.widgetOf(w); }
    QWidget* widget(ui::Window& w, std::string_view control) {
        QWidget* found = top(w)->findChild<QWidget*>(QString::fromUtf8(control));
        if (found == nullptr) throw std::logic_error("no widget " + std::string(control));
        return found;
    }

    // Pressed and let go over the control's place in its window, as the mouse would: what
    // lies there at that moment gets the click.
    void click(ui::Window& w, std::string_view control) {
        QWidget* target = widget(w, control);
        QWidget* window = top(w);
        const QPoint at = target->mapTo(window, target->rect().center());
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
        pump();
    }
    void closeBox(ui::Window& w) { top(w)->close(); }
    void whileModal(ui::Window&, std::function<void()> action) {
        QTimer::singleShot(0, [action] { action(); });
    }
    bool loaded(ui::Window& w) { return qtUi.widgetOf(w) != nullptr; }

    int selectionStart(ui::Window& w, std::string_view c) {
        if (auto* line = qobject_cast<QLineEdit*>(widget(w, c)))
            return line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        return qobject_cast<QPlainTextEdit*>(widget(w, c))->textCursor().selectionStart();
    }
    int selectionLength(ui::Window& w, std::string_view c) {
        if (auto* line = qobject_cast<QLineEdit*>(widget(w, c))) return line->selectionLength();
        const QTextCursor cursor = qobject_cast<QPlainTextEdit*>(widget(w, c))->textCursor();
        return cursor.selectionEnd() - cursor.selectionStart();
    }
    bool hasFocus(ui::Window& w, std::string_view c) { return widget(w, c)->hasFocus(); }
    bool enabled(ui::Window& w, std::string_view c) { return widget(w, c)->isEnabled(); }
    bool shown(ui::Window& w, std::string_view c) { return !widget(w, c)->isHidden(); }
    int listCount(ui::Window& w, std::string_view c) {
        QWidget* list = widget(w, c);
        if (auto* combo = qobject_cast<QComboBox*>(list)) return combo->count();
        return qobject_cast<QListWidget*>(list)->count();
    }
    bool paintedIn(ui::Window& w, std::string_view c, ui::SysColor color) {
        return widget(w, c)->palette().color(QPalette::Base) ==
               qt::systemColor(color, QApplication::palette());
    }
    std::u16string caption(ui::Window& w) { return top(w)->windowTitle().toStdU16String(); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, UiContract, QtFront);

}  // namespace penwick::contract

int main(int argc, char** argv) {
    // The tests need no display; CTest's discovery runs them before any test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
