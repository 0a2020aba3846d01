#include "qt/qt_control.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextCursor>

#include <algorithm>

#include "qt/convert.h"
#include "qt/fonts.h"

namespace penwick::qt {

namespace {

using ui::ControlKind;
using ui::SysColor;

// A list box's index is its selected entry. Qt's current item alone is no choice: the view
// makes its first entry current when it merely takes the focus.
int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.constFirst());
}

}  // namespace

std::u16string QtControl::text() const {
    switch (description_.kind) {
        case ControlKind::Label:
            return fromQ(static_cast<QLabel*>(widget())->text());
        case ControlKind::TextBox:
            return fromQ(line()->text());
        case ControlKind::MultiLineTextBox:
            return documentText(plain()->document()->toRawText());
        case ControlKind::DropDownList:
            return fromQ(combo()->currentText());
        case ControlKind::ListBox: {
            const int row = selectedRow(list());
            return row < 0 ? std::u16string() : fromQ(list()->item(row)->text());
        }
        case ControlKind::Button:
            return fromQ(static_cast<QPushButton*>(widget())->text());
        case ControlKind::Frame:
            return fromQ(static_cast<QGroupBox*>(widget())->title());
        case ControlKind::MonthCalendar:
            break;
    }
    return {};
}

void QtControl::writeText(std::u16string_view text) {
    const QString t = toQ(text);
    switch (description_.kind) {
        case ControlKind::Label:
            static_cast<QLabel*>(widget())->setText(t);
            break;
        case ControlKind::TextBox:
            line()->setText(t);
            line()->setCursorPosition(0);
            break;
        case ControlKind::MultiLineTextBox:
            plain()->setPlainText(t);
            break;
        case ControlKind::Button:
            static_cast<QPushButton*>(widget())->setText(t);
            break;
        case ControlKind::Frame:
            static_cast<QGroupBox*>(widget())->setTitle(t);
            break;
        default:
            break;
    }
}

void QtControl::setFocus() {
    if (!widget()->isVisible() || !widget()->isEnabled() || widget()->focusPolicy() == Qt::NoFocus)
        raise(err::InvalidCall, fromUtf8(description_.name) + u".SetFocus");
    widget()->setFocus(Qt::OtherFocusReason);
}

void QtControl::setBackground(SysColor color) {
    background_ = color;
    QPalette p = widget()->palette();
    p.setColor(description_.kind == ControlKind::Label ? QPalette::Window : QPalette::Base,
               systemColor(color, QApplication::palette()));
    widget()->setPalette(p);
}

int QtControl::selectionStart() const {
    if (QLineEdit* e = line())
        return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const QTextCursor c = as<QPlainTextEdit>(u"SelStart")->textCursor();
    return c.selectionStart();
}

void QtControl::placeCaret(int position) {
    if (QLineEdit* e = line()) return e->setCursorPosition(position);
    QPlainTextEdit* edit = as<QPlainTextEdit>(u"SelStart");
    QTextCursor c = edit->textCursor();
    c.setPosition(position);
    edit->setTextCursor(c);
}

int QtControl::selectionLength() const {
    if (QLineEdit* e = line()) return e->selectionLength();
    const QTextCursor c = as<QPlainTextEdit>(u"SelLength")->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void QtControl::select(int start, int length) {
    if (QLineEdit* e = line()) return e->setSelection(start, length);
    QPlainTextEdit* edit = as<QPlainTextEdit>(u"SelLength");
    QTextCursor c = edit->textCursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(c);
}

std::u16string QtControl::selectedText() const {
    if (QLineEdit* e = line()) return fromQ(e->selectedText());
    return documentText(as<QPlainTextEdit>(u"SelText")->textCursor().selectedText());
}

void QtControl::setSelectedText(std::u16string_view text) {
    if (QLineEdit* e = line()) return e->insert(toQ(text));  // replaces the selection
    QPlainTextEdit* edit = as<QPlainTextEdit>(u"SelText");
    QTextCursor c = edit->textCursor();
    c.insertText(toQ(text));
    edit->setTextCursor(c);
}

int QtControl::listIndex() const {
    if (QComboBox* c = combo()) return c->currentIndex();
    return selectedRow(as<QListWidget>(u"ListIndex"));
}

void QtControl::selectEntry(int index) {
    if (QComboBox* c = combo()) return c->setCurrentIndex(index);
    QListWidget* l = as<QListWidget>(u"ListIndex");
    const QSignalBlocker quiet(l);  // the logic's own change is no click
    if (index < 0) {
        l->clearSelection();
        l->setCurrentRow(-1);
    } else {
        l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
}

int QtControl::listCount() const {
    if (QComboBox* c = combo()) return c->count();
    return as<QListWidget>(u"ListCount")->count();
}

std::u16string QtControl::entry(int index) const {
    if (QComboBox* c = combo()) return fromQ(c->itemText(index));
    return fromQ(as<QListWidget>(u"List")->item(index)->text());
}

void QtControl::clearList() {
    if (QComboBox* c = combo()) return c->clear();
    QListWidget* l = as<QListWidget>(u"Clear");
    const QSignalBlocker quiet(l);
    l->clear();
}

void QtControl::fitEntries(QComboBox& combo, const QString& added) const {
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.rect = combo.rect();
    option.frame = true;
    option.subControls = QStyle::SC_All;
    const int room =
        combo.style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo)
            .width();
    // The font was fitted to the entries before this one, so one that fits it too changes
    // nothing: no larger size held those. The list is measured whole only when it must narrow.
    if (combo.count() > 1 && QFontMetrics(combo.font()).horizontalAdvance(added) <= room) return;
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i) entries << combo.itemText(i);
    const QFont own =
        description_.font ? toQFont(*description_.font) : combo.parentWidget()->font();
    combo.setFont(fittingFont(own, entries, room));
}

void QtControl::addItem(std::u16string_view item) {
    if (QComboBox* c = combo()) {
        // Qt makes the first entry of an empty list the current one; a new entry chooses none.
        const int chosen = c->currentIndex();
        const QString entry = toQ(item);
        c->addItem(entry);
        fitEntries(*c, entry);
        return c->setCurrentIndex(chosen);
    }
    QListWidget* l = as<QListWidget>(u"AddItem");
    const QSignalBlocker quiet(l);
    l->addItem(toQ(item));
}

std::chrono::year_month_day QtControl::calendarValue() const {
    return fromQDate(as<QCalendarWidget>(u"Value")->selectedDate());
}

void QtControl::showDate(std::chrono::year_month_day date) {
    as<QCalendarWidget>(u"Value")->setSelectedDate(toQDate(date));
}

}  // namespace penwick::qt
