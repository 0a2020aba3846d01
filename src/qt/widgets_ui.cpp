#include "qt/widgets_ui.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "qt/images.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::qt {

namespace {

using ui::ControlKind;
using ui::SysColor;

QString toQ(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
std::u16string fromQ(const QString& s) {
    return s.toStdU16String();
}

// The palette roles that mean what the system colour indices mean.
QColor systemColor(SysColor color, const QPalette& palette) {
    switch (color) {
        case SysColor::Menu:
            return palette.color(QPalette::Window);
        case SysColor::Window:
            return palette.color(QPalette::Base);
        case SysColor::WindowText:
            return palette.color(QPalette::Text);
        case SysColor::AppWorkspace:
            return palette.color(QPalette::Dark);
        case SysColor::ButtonFace:
            return palette.color(QPalette::Button);
        case SysColor::GrayText:
            return palette.color(QPalette::Disabled, QPalette::WindowText);
    }
    return palette.color(QPalette::Window);
}

QFont toQFont(const ui::Font& font) {
    QFont f(toQ(font.face));
    f.setPointSizeF(font.points);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    return f;
}

QDate toQDate(std::chrono::year_month_day d) {
    return QDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                 static_cast<int>(static_cast<unsigned>(d.day())));
}

std::chrono::year_month_day fromQDate(QDate d) {
    return std::chrono::year_month_day{std::chrono::year{d.year()},
                                       std::chrono::month{static_cast<unsigned>(d.month())},
                                       std::chrono::day{static_cast<unsigned>(d.day())}};
}

// "Description|pattern|..." pairs as Qt's name filters. Qt reads the patterns from the last
// parenthesised group, and "*.*" would miss names without a dot here, so it becomes "*".
QStringList nameFilters(std::u16string_view filter) {
    const QStringList parts = toQ(filter).split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == u"*.*") p = QStringLiteral("*");
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

// A multi-line box's text as the logic sees it: the document's own characters, one for one with
// cursor positions. toPlainText() would also turn no-break spaces into spaces. A line break is
// one "\n" here; a "\r\n" or lone "\r" put into the box comes back as that one character.
std::u16string documentText(QString raw) {
    for (QChar& c : raw)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
    return fromQ(raw);
}

// The calendar's own stored look: the date grid in Arial 8.25 pt, the day names in Tahoma
// 8.25 pt, month and year in Arial 12 pt bold. Where the fonts stand in for wider ones and the
// control's small size cannot hold them, the day names shrink to one letter and the title to
// a size that fits: a cut-off month name helps nobody.
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

// A list box's index is its selected entry. Qt's current item alone is no choice: the view
// makes its first entry current when it merely takes the focus.
int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.constFirst());
}

[[noreturn]] void invalidValue(const ui::ControlDesc& d, const char16_t* member) {
    raise(err::InvalidPropertyValue, fromUtf8(d.name) + u"." + member);
}

}  // namespace

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

}  // namespace

// One control: the widget and the description it was built from.
class QtControl final : public ui::Control {
public:
    QtControl(const ui::ControlDesc& description, QWidget* widget)
        : description_(description), widget_(widget) {}

    const ui::ControlDesc& description() const override { return description_; }
    QWidget* widget() const { return widget_; }

    std::u16string text() const override;
    void setText(std::u16string_view text) override;
    bool enabled() const override { return widget_->isEnabled(); }
    void setEnabled(bool enabled) override { widget_->setEnabled(enabled); }
    void setVisible(bool visible) override { widget_->setVisible(visible); }
    void setFocus() override;
    void setBackground(SysColor color) override;
    void bringToFront() override { widget_->raise(); }

    int selectionStart() const;
    void setSelectionStart(int start) override;
    int selectionLength() const;
    void setSelectionLength(int length) override;
    std::u16string selectedText() const override;
    void setSelectedText(std::u16string_view text) override;

    int listIndex() const override;
    void setListIndex(int index) override;
    int listCount() const;
    std::u16string listItem(int index) const override;
    void clearList() override;
    void addItem(std::u16string_view item) override;

    std::chrono::year_month_day calendarValue() const override;
    void setCalendarValue(std::chrono::year_month_day date) override;

private:
    template <class W>
    W* as(const char16_t* member) const {
        if (auto* w = qobject_cast<W*>(widget_)) return w;
        raise(err::UnsupportedMember, u"Object doesn't support this property or method",
              fromUtf8(description_.name) + u"." + member);
    }
    QComboBox* combo() const { return qobject_cast<QComboBox*>(widget_); }
    QListWidget* list() const { return qobject_cast<QListWidget*>(widget_); }
    QLineEdit* line() const { return qobject_cast<QLineEdit*>(widget_); }
    QPlainTextEdit* plain() const { return qobject_cast<QPlainTextEdit*>(widget_); }
    int textLength() const { return static_cast<int>(text().size()); }

    const ui::ControlDesc& description_;
    QWidget* widget_;
    SysColor background_ = SysColor::Window;
};

// The top-level widget: the close box asks the logic, which decides whether the window goes.
class FormWidget final : public QWidget {
public:
    explicit FormWidget(QtWindow& window) : window_(&window) {}
    void detach() { window_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QtWindow* window_;
};

class QtWindow final : public ui::Window {
public:
    QtWindow(QtUi& ui, const ui::WindowDesc& description, ui::EventSink& sink, double dpi);
    ~QtWindow() override;

    const ui::WindowDesc& description() const override { return description_; }
    ui::Control& control(std::string_view name, int index = -1) override;
    void setCaption(std::u16string_view caption) override { widget_->setWindowTitle(toQ(caption)); }
    void show() override;
    void showModal() override;
    void hide() override;
    bool visible() const override { return widget_ && widget_->isVisible(); }
    void bringToFront() override;
    void moveTo(int leftTwips, int topTwips) override;
    int widthTwips() const override { return toTwips(widget_->frameGeometry().width()); }
    int heightTwips() const override { return toTwips(widget_->frameGeometry().height()); }

    QWidget* widget() const { return widget_; }
    QtControl* controlOf(const QWidget* widget) const;
    // Passes one user event to the logic, unless the window has been unloaded.
    void deliver(ui::EventKind kind, const ui::ControlDesc* control = nullptr);
    // Cuts the window off from the logic: no more events, out of its modal loop, hidden.
    void detach();

private:
    QWidget* build(const ui::ControlDesc& d, QWidget* parent);
    void connectEvents(const ui::ControlDesc& d, QWidget* w);
    void place();
    int toPixels(int twips) const { return ui::twipsToPixels(twips, dpi_); }
    int toTwips(int pixels) const { return static_cast<int>(std::lround(pixels * 1440.0 / dpi_)); }

    QtUi& ui_;
    const ui::WindowDesc& description_;
    ui::EventSink* sink_;
    double dpi_;
    QPointer<FormWidget> widget_;
    // Owns every signal connection and filter, so that they all go with the window.
    std::unique_ptr<QObject> connections_;
    std::vector<std::unique_ptr<QtControl>> controls_;
    QEventLoop* modalLoop_ = nullptr;
    bool placed_ = false;
};

// --- FormWidget -------------------------------------------------------------------------------

void FormWidget::closeEvent(QCloseEvent* event) {
    if (window_ == nullptr) return event->accept();
    event->ignore();
    window_->deliver(ui::EventKind::CloseRequest);
}

void FormWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (window_ != nullptr && isVisible()) window_->deliver(ui::EventKind::Resize);
}

// --- QtWindow ---------------------------------------------------------------------------------

QtWindow::QtWindow(QtUi& ui, const ui::WindowDesc& d, ui::EventSink& sink, double dpi)
    : ui_(ui), description_(d), sink_(&sink), dpi_(dpi), connections_(std::make_unique<QObject>()) {
    widget_ = new FormWidget(*this);
    widget_->setObjectName(QString::fromStdString(d.name));
    widget_->setWindowTitle(toQ(d.caption));
    widget_->setFont(toQFont(d.defaultFont));
    if (d.icon != ui::Image::None) widget_->setWindowIcon(windowIcon(d.icon));
    if (d.background) {
        QPalette p = widget_->palette();
        p.setColor(QPalette::Window, systemColor(*d.background, p));
        widget_->setPalette(p);
        widget_->setAutoFillBackground(true);
    }

    Qt::WindowFlags flags = (d.showInTaskbar ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    if (d.minimizeButton) flags |= Qt::WindowMinimizeButtonHint;
    if (d.maximizeButton) flags |= Qt::WindowMaximizeButtonHint;
    widget_->setWindowFlags(flags);
    const QSize client(toPixels(d.clientWidth), toPixels(d.clientHeight));
    if (d.border == ui::Border::FixedDialog) {
        widget_->setFixedSize(client);
    } else {
        widget_->resize(client);
    }

    // Containers first, so that every control finds its parent.
    for (const bool containers : {true, false}) {
        for (const ui::ControlDesc& c : d.controls) {
            if ((c.kind == ControlKind::Frame) != containers) continue;
            QWidget* parent = widget_;
            if (!c.parent.empty()) parent = static_cast<QtControl&>(control(c.parent)).widget();
            controls_.push_back(std::make_unique<QtControl>(c, build(c, parent)));
        }
    }
    // The small buttons lie over the right end of their text boxes.
    for (auto& c : controls_)
        if (c->description().kind == ControlKind::Button) c->widget()->raise();

    std::vector<const QtControl*> order;
    for (auto& c : controls_)
        if (c->widget()->focusPolicy() != Qt::NoFocus) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](const QtControl* a, const QtControl* b) {
        return a->description().tabIndex < b->description().tabIndex;
    });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
}

QtWindow::~QtWindow() {
    detach();
    if (widget_) widget_->deleteLater();
}

QWidget* QtWindow::build(const ui::ControlDesc& d, QWidget* parent) {
    QWidget* w = nullptr;
    switch (d.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(toQ(d.text), parent);
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
            auto* cal = new QCalendarWidget(parent);
            cal->setGridVisible(true);
            cal->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
            w = cal;
            break;
        }
    }
    const bool takesFocus = d.kind != ControlKind::Label && d.kind != ControlKind::Frame;
    w->setFocusPolicy(!takesFocus ? Qt::NoFocus : d.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    w->setObjectName(
        QString::fromStdString(d.index < 0 ? d.name : d.name + "_" + std::to_string(d.index)));
    w->setGeometry(toPixels(d.geometry.left), toPixels(d.geometry.top), toPixels(d.geometry.width),
                   toPixels(d.geometry.height));
    if (d.font) w->setFont(toQFont(*d.font));
    if (auto* cal = qobject_cast<QCalendarWidget*>(w)) styleCalendar(*cal, w->width());
    if (!d.toolTip.empty()) w->setToolTip(toQ(d.toolTip));
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
        case ControlKind::MonthCalendar:
            // Double click on a day (or Enter).
            QObject::connect(static_cast<QCalendarWidget*>(w), &QCalendarWidget::activated, ctx,
                             [this, c] { deliver(ui::EventKind::DblClick, c); });
            break;
        case ControlKind::Label:
            // Labels have no click signal: the left button let go over the label.
            w->installEventFilter(new MouseFilter(ctx, QEvent::MouseButtonRelease,
                                                  [this, c] { deliver(ui::EventKind::Click, c); }));
            break;
        default:
            break;
    }
}

ui::Control& QtWindow::control(std::string_view name, int index) {
    for (auto& c : controls_)
        if (c->description().name == name && c->description().index == index) return *c;
    raise(err::InvalidCall, fromUtf8(description_.name) + u"." + fromUtf8(name));
}

QtControl* QtWindow::controlOf(const QWidget* w) const {
    for (; w != nullptr; w = w->parentWidget()) {
        for (auto& c : controls_)
            if (c->widget() == w) return c.get();
        if (w == widget_) break;
    }
    return nullptr;
}

void QtWindow::deliver(ui::EventKind kind, const ui::ControlDesc* c) {
    if (sink_ == nullptr) return;
    ui::Event event{kind, c ? c->name : std::string(), c ? c->index : -1};
    ui_.enterHandler();
    try {
        sink_->deliver(event);
    } catch (...) {
        // The logic reports its own failures; nothing may unwind through Qt.
    }
    ui_.leaveHandler();
}

void QtWindow::place() {
    if (placed_) return;
    placed_ = true;
    QRect area = widget_->screen() ? widget_->screen()->availableGeometry() : QRect();
    if (description_.startPosition == ui::StartPosition::CenterOwner) {
        if (QWidget* owner = QApplication::activeWindow(); owner && owner != widget_)
            area = owner->frameGeometry();
    } else if (description_.startPosition == ui::StartPosition::Manual) {
        return;
    }
    const QSize size = widget_->frameGeometry().size();
    widget_->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void QtWindow::show() {
    place();
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
}

void QtWindow::showModal() {
    // The modal loop is a frame of its own: a window unloaded inside it is freed after it.
    QtUi& ui = ui_;
    ui.enterHandler();
    place();
    widget_->setWindowModality(Qt::ApplicationModal);
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
    QEventLoop loop;
    modalLoop_ = &loop;
    if (widget_->isVisible()) loop.exec();
    modalLoop_ = nullptr;
    if (widget_) {
        widget_->hide();
        widget_->setWindowModality(Qt::NonModal);
    }
    ui.leaveHandler();  // may free this window; nothing after it
}

void QtWindow::hide() {
    if (widget_) widget_->hide();
    if (modalLoop_) modalLoop_->quit();
}

void QtWindow::bringToFront() {
    widget_->raise();
    widget_->activateWindow();
}

void QtWindow::moveTo(int leftTwips, int topTwips) {
    placed_ = true;
    widget_->move(toPixels(leftTwips), toPixels(topTwips));
}

void QtWindow::detach() {
    sink_ = nullptr;
    connections_.reset();
    if (widget_) {
        widget_->detach();
        widget_->hide();
    }
    if (modalLoop_) modalLoop_->quit();
}

// --- QtControl --------------------------------------------------------------------------------

std::u16string QtControl::text() const {
    switch (description_.kind) {
        case ControlKind::Label:
            return fromQ(static_cast<QLabel*>(widget_)->text());
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
            return fromQ(static_cast<QPushButton*>(widget_)->text());
        case ControlKind::Frame:
            return fromQ(static_cast<QGroupBox*>(widget_)->title());
        case ControlKind::MonthCalendar:
            break;
    }
    return {};
}

void QtControl::setText(std::u16string_view text) {
    const QString t = toQ(text);
    switch (description_.kind) {
        case ControlKind::Label:
            static_cast<QLabel*>(widget_)->setText(t);
            break;
        case ControlKind::TextBox:
            line()->setText(t);
            line()->setCursorPosition(0);
            break;
        case ControlKind::MultiLineTextBox:
            plain()->setPlainText(t);
            break;
        case ControlKind::DropDownList: {
            const int i = combo()->findText(t, Qt::MatchFixedString | Qt::MatchCaseSensitive);
            if (i < 0)
                raise(err::ReadOnlyProperty, u"'Text' property is read-only",
                      fromUtf8(description_.name));
            combo()->setCurrentIndex(i);
            break;
        }
        case ControlKind::Button:
            static_cast<QPushButton*>(widget_)->setText(t);
            break;
        case ControlKind::Frame:
            static_cast<QGroupBox*>(widget_)->setTitle(t);
            break;
        default:
            invalidValue(description_, u"Text");
    }
}

void QtControl::setFocus() {
    if (!widget_->isVisible() || !widget_->isEnabled() || widget_->focusPolicy() == Qt::NoFocus)
        raise(err::InvalidCall, fromUtf8(description_.name) + u".SetFocus");
    widget_->setFocus(Qt::OtherFocusReason);
}

void QtControl::setBackground(SysColor color) {
    background_ = color;
    QPalette p = widget_->palette();
    p.setColor(description_.kind == ControlKind::Label ? QPalette::Window : QPalette::Base,
               systemColor(color, QApplication::palette()));
    widget_->setPalette(p);
}

int QtControl::selectionStart() const {
    if (QLineEdit* e = line())
        return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const QTextCursor c = as<QPlainTextEdit>(u"SelStart")->textCursor();
    return c.selectionStart();
}

void QtControl::setSelectionStart(int start) {
    if (start < 0) invalidValue(description_, u"SelStart");
    start = std::min(start, textLength());
    if (QLineEdit* e = line()) return e->setCursorPosition(start);
    QPlainTextEdit* edit = as<QPlainTextEdit>(u"SelStart");
    QTextCursor c = edit->textCursor();
    c.setPosition(start);
    edit->setTextCursor(c);
}

int QtControl::selectionLength() const {
    if (QLineEdit* e = line()) return e->selectionLength();
    const QTextCursor c = as<QPlainTextEdit>(u"SelLength")->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void QtControl::setSelectionLength(int length) {
    if (length < 0) invalidValue(description_, u"SelLength");
    const int start = selectionStart();
    length = std::min(length, textLength() - start);
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

void QtControl::setListIndex(int index) {
    if (index < -1 || index >= listCount()) invalidValue(description_, u"ListIndex");
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

std::u16string QtControl::listItem(int index) const {
    if (index < 0 || index >= listCount())
        raise(err::InvalidPropertyArrayIndex, u"Invalid property array index",
              fromUtf8(description_.name) + u".List");
    if (QComboBox* c = combo()) return fromQ(c->itemText(index));
    return fromQ(as<QListWidget>(u"List")->item(index)->text());
}

void QtControl::clearList() {
    if (QComboBox* c = combo()) return c->clear();
    QListWidget* l = as<QListWidget>(u"Clear");
    const QSignalBlocker quiet(l);
    l->clear();
}

void QtControl::addItem(std::u16string_view item) {
    if (QComboBox* c = combo()) return c->addItem(toQ(item));
    QListWidget* l = as<QListWidget>(u"AddItem");
    const QSignalBlocker quiet(l);
    l->addItem(toQ(item));
}

std::chrono::year_month_day QtControl::calendarValue() const {
    return fromQDate(as<QCalendarWidget>(u"Value")->selectedDate());
}

void QtControl::setCalendarValue(std::chrono::year_month_day date) {
    if (!date.ok()) invalidValue(description_, u"Value");
    as<QCalendarWidget>(u"Value")->setSelectedDate(toQDate(date));
}

// --- QtUi -------------------------------------------------------------------------------------

QtUi::QtUi() : focusWatch_(std::make_unique<QObject>()) {
    // Focus loss inside one window is the control's LostFocus; a switch to another window or
    // application is not.
    QObject::connect(qApp, &QApplication::focusChanged, focusWatch_.get(),
                     [this](QWidget* old, QWidget* now) {
                         if (old == nullptr || now == nullptr || old->window() != now->window())
                             return;
                         for (auto& w : windows_) {
                             QtControl* from = w->controlOf(old);
                             if (from == nullptr) continue;
                             if (from != w->controlOf(now))
                                 w->deliver(ui::EventKind::LostFocus, &from->description());
                             return;
                         }
                     });
}

QtUi::~QtUi() {
    focusWatch_.reset();
    windows_.clear();
    unloaded_.clear();
}

double QtUi::dotsPerInch() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

ui::Window& QtUi::create(const ui::WindowDesc& description, ui::EventSink& sink) {
    windows_.push_back(std::make_unique<QtWindow>(*this, description, sink, dotsPerInch()));
    return *windows_.back();
}

void QtUi::destroy(ui::Window& window) {
    const auto it = std::find_if(windows_.begin(), windows_.end(),
                                 [&](const auto& w) { return w.get() == &window; });
    if (it == windows_.end()) return;
    (*it)->detach();
    unloaded_.push_back(std::move(*it));
    windows_.erase(it);
    if (handlerDepth_ == 0) reap();
}

void QtUi::leaveHandler() {
    if (--handlerDepth_ == 0) reap();
}

void QtUi::reap() {
    unloaded_.clear();
}

QWidget* QtUi::widgetOf(ui::Window& window) const {
    for (auto& w : windows_)
        if (w.get() == &window) return w->widget();
    return nullptr;
}

QWidget* QtUi::activeOwner() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->visible()) return (*it)->widget();
    return nullptr;
}

void QtUi::yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

ui::MessageAnswer QtUi::messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                  std::u16string_view title) {
    const bool critical = style == ui::MessageStyle::CriticalOk;
    const bool question = style == ui::MessageStyle::InformationYesNo;
    const QMessageBox::Icon icon = critical ? QMessageBox::Critical : QMessageBox::Information;
    const QMessageBox::StandardButtons buttons =
        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QString text = toQ(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A box without a title of its own bears the program's name.
    const QString caption = toQ(title.empty() ? std::u16string_view(u"Penwick") : title);
    QMessageBox box(icon, caption, text, buttons, activeOwner());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return ui::MessageAnswer::Ok;
        case QMessageBox::Yes:
            return ui::MessageAnswer::Yes;
        case QMessageBox::No:
            return ui::MessageAnswer::No;
        default:  // Esc or the close box
            return question ? ui::MessageAnswer::No : ui::MessageAnswer::Cancel;
    }
}

std::optional<std::u16string> QtUi::openFile(const ui::FileDialogRequest& request,
                                             ui::Window* owner) {
    QFileDialog dialog(owner ? widgetOf(*owner) : activeOwner(), toQ(request.title),
                       toQ(request.initialFolder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters(request.filter));
    // Shown as the logic names them; the patterns Qt reads stay out of sight.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return fromQ(dialog.selectedFiles().constFirst());
}

ui::ScreenSize QtUi::screenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize px = screen ? screen->geometry().size() : QSize(1024, 768);
    const double dpi = dotsPerInch();
    return {static_cast<int>(std::lround(px.width() * 1440.0 / dpi)),
            static_cast<int>(std::lround(px.height() * 1440.0 / dpi))};
}

void QtUi::quit(int exitCode) {
    quitRequested_ = true;
    exitCode_ = exitCode;
    QCoreApplication::exit(exitCode);  // leaves every event loop, nested ones included
}

int QtUi::run() {
    if (quitRequested_) return exitCode_;
    const int code = QApplication::exec();
    return quitRequested_ ? exitCode_ : code;
}

}  // namespace penwick::qt
