// A window's controls: the widget built for each description, and the user's events wired
// from it to the logic.

#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include <functional>
#include <limits>

#include "qt/accessible_link.h"
#include "qt/calendar_style.h"
#include "qt/convert.h"
#include "qt/fonts.h"
#include "qt/images.h"
#include "qt/qt_window.h"
#include "ui/accessibility.h"

namespace penwick::qt {

using ui::ControlKind;

namespace {

// Reports the left button's event of one type inside the watched widget. Owned by the
// window's connection context, so it goes with the window.
class MouseFilter final : public QObject {
public:
    MouseFilter(QObject* parent, QEvent::Type type, std::function<void()> action)
        : QObject(parent), type_(type), action_(std::move(action)) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != type_) return false;
        const auto* mouse = static_cast<QMouseEvent*>(e);
        if (mouse->button() == Qt::LeftButton &&
            static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint()))
            action_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> action_;
};

// Swallows Enter in the calendar: Qt takes the day on Enter as on a double click, but only a
// double click takes it here, so that Enter cannot write a day the user only moved to.
class EnterFilter final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(e)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
    }
};

// Enter or Space on a link in the focus: what a click on it does.
class LinkKeyFilter final : public QObject {
public:
    LinkKeyFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) return false;
        action_();
        return true;
    }

private:
    std::function<void()> action_;
};

}  // namespace

QWidget* QtWindow::build(const ui::ControlDesc& d, QWidget* parent) {
    const ui::AccessibleDesc spoken = ui::accessibleDesc(description_, d);
    QWidget* w = nullptr;
    switch (d.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(toQ(d.text), parent);
            if (spoken.role == ui::Role::Link) markAsLink(*label);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            w = label;
            break;
        }
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(toQ(d.text), parent);
            if (d.password) {
                edit->setEchoMode(QLineEdit::Password);
                edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
            }
            edit->setReadOnly(d.readOnly);
            edit->setMaxLength(std::numeric_limits<int>::max());  // Qt would cut at 32767
            w = edit;
            break;
        }
        case ControlKind::MultiLineTextBox: {
            auto* edit = new QPlainTextEdit(toQ(d.text), parent);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setTabChangesFocus(true);
            edit->setReadOnly(d.readOnly);
            w = edit;
            break;
        }
        case ControlKind::DropDownList:
            w = new QComboBox(parent);
            break;
        case ControlKind::ListBox:
            w = new QListWidget(parent);
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(toQ(d.text), parent);
            button->setAutoDefault(false);
            w = button;
            break;
        }
        case ControlKind::Frame:
            w = new QGroupBox(toQ(d.text), parent);
            break;
        case ControlKind::MonthCalendar: {
            w = new QCalendarWidget(parent);
            break;
        }
    }
    // A link is reached with Tab like a button; other labels and frames never take the focus.
    const bool takesFocus = spoken.role != ui::Role::StaticText &&
                            spoken.role != ui::Role::Grouping &&
                            (spoken.role != ui::Role::Link || d.tabStop);
    w->setFocusPolicy(!takesFocus ? Qt::NoFocus : d.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    w->setObjectName(
        QString::fromStdString(d.index < 0 ? d.name : d.name + "_" + std::to_string(d.index)));
    const ui::PixelRect at = ui::toPixels(d.geometry, dpi_);
    w->setGeometry(at.left, at.top, at.width, at.height);
    if (d.font) w->setFont(toQFont(*d.font));
    if (auto* cal = qobject_cast<QCalendarWidget*>(w)) styleCalendar(*cal);
    if (!d.toolTip.empty()) w->setToolTip(toQ(d.toolTip));
    w->setAccessibleName(toQ(spoken.name));
    w->setAccessibleDescription(toQ(spoken.description));
    if (d.cursor == ui::Cursor::Link) w->setCursor(linkCursor());
    QPalette p = w->palette();
    if (d.background) {
        p.setColor(d.kind == ControlKind::Label ? QPalette::Window : QPalette::Base,
                   systemColor(*d.background, p));
        w->setAutoFillBackground(true);
    }
    if (d.foreground) {
        p.setColor(d.kind == ControlKind::Label ? QPalette::WindowText : QPalette::Text,
                   systemColor(*d.foreground, p));
    }
    w->setPalette(p);
    w->setVisible(d.visible);
    connectEvents(d, w);
    return w;
}

void QtWindow::connectEvents(const ui::ControlDesc& d, QWidget* w) {
    QObject* ctx = connections_.get();
    const ui::ControlDesc* c = &d;
    switch (d.kind) {
        case ControlKind::Button: {
            QObject::connect(static_cast<QPushButton*>(w), &QPushButton::clicked, ctx,
                             [this, c] { deliver(ui::EventKind::Click, c); });
            if (d.cancelButton) {
                auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), widget_);
                QObject::connect(esc, &QShortcut::activated, ctx, [this, c, w] {
                    if (w->isEnabled() && w->isVisible()) deliver(ui::EventKind::Click, c);
                });
            }
            break;
        }
        case ControlKind::DropDownList:
            // Only the user's choice: the logic's own changes of the index fire nothing.
            QObject::connect(static_cast<QComboBox*>(w), &QComboBox::activated, ctx,
                             [this, c] { deliver(ui::EventKind::Click, c); });
            break;
        case ControlKind::ListBox: {
            auto* list = static_cast<QListWidget*>(w);
            QObject::connect(list, &QListWidget::itemSelectionChanged, ctx,
                             [this, c] { deliver(ui::EventKind::Click, c); });
            // Anywhere in the list, an empty one too: the handler decides what a double click
            // without an entry under it means.
            list->viewport()->installEventFilter(
                new MouseFilter(ctx, QEvent::MouseButtonDblClick,
                                [this, c] { deliver(ui::EventKind::DblClick, c); }));
            break;
        }
        case ControlKind::MonthCalendar: {
            // A double click on a day; Enter is swallowed before Qt turns it into the same signal.
            auto* cal = static_cast<QCalendarWidget*>(w);
            QObject::connect(cal, &QCalendarWidget::activated, ctx,
                             [this, c] { deliver(ui::EventKind::DblClick, c); });
            if (auto* view = cal->findChild<QWidget*>(QStringLiteral("qt_calendar_calendarview")))
                view->installEventFilter(new EnterFilter(ctx));
            break;
        }
        case ControlKind::Label:
            // Labels have no click signal: the left button let go over the label.
            w->installEventFilter(new MouseFilter(ctx, QEvent::MouseButtonRelease,
                                                  [this, c] { deliver(ui::EventKind::Click, c); }));
            if (w->focusPolicy() != Qt::NoFocus)
                w->installEventFilter(
                    new LinkKeyFilter(ctx, [this, c] { deliver(ui::EventKind::Click, c); }));
            break;
        default:
            break;
    }
}

}  // namespace penwick::qt
