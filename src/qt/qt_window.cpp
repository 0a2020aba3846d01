#include "qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <algorithm>

#include "qt/convert.h"
#include "qt/fonts.h"
#include "qt/images.h"
#include "ui/accessibility.h"

namespace penwick::qt {

using ui::ControlKind;

void FormWidget::closeEvent(QCloseEvent* event) {
    if (window_ == nullptr) return event->accept();
    event->ignore();
    window_->deliver(ui::EventKind::CloseRequest);
}

void FormWidget::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (window_ == nullptr || painted_) return;
    painted_ = true;
    // The controls left for later are built in the event loop's next turn, after this paint
    // has reached the screen.
    QTimer::singleShot(0, this, [this] {
        if (window_ != nullptr) window_->buildRest();
    });
}

void FormWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (window_ != nullptr && isVisible()) window_->deliver(ui::EventKind::Resize);
}

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
            // A hidden month calendar is built when first used, or once the window has been
            // painted: building one loads icons from the desktop's theme, which the first
            // sight of the window need not wait for.
            if (c.kind == ControlKind::MonthCalendar && !c.visible) {
                controls_.push_back(std::make_unique<QtControl>(
                    c, [this, &c, parent] { return buildLater(c, parent); }));
                continue;
            }
            controls_.push_back(std::make_unique<QtControl>(c, build(c, parent)));
        }
    }
    // A label names its control for screen readers, and its access key focuses it.
    for (auto& c : controls_) {
        const ui::AccessibleDesc spoken = ui::accessibleDesc(d, c->description());
        if (spoken.label == nullptr) continue;
        auto& label = static_cast<QtControl&>(control(spoken.label->name, spoken.label->index));
        if (auto* l = qobject_cast<QLabel*>(label.widget())) l->setBuddy(c->widget());
    }
    // The small buttons lie over the right end of their text boxes.
    for (auto& c : controls_)
        if (c->description().kind == ControlKind::Button) c->widget()->raise();

    std::vector<const QtControl*> order;
    for (auto& c : controls_) {
        const QWidget* w = c->builtWidget();
        if (w != nullptr && w->focusPolicy() != Qt::NoFocus) order.push_back(c.get());
    }
    std::stable_sort(order.begin(), order.end(), [](const QtControl* a, const QtControl* b) {
        return a->description().tabIndex < b->description().tabIndex;
    });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
}

QWidget* QtWindow::buildLater(const ui::ControlDesc& d, QWidget* parent) {
    QWidget* w = build(d, parent);
    if (w->focusPolicy() == Qt::NoFocus) return w;
    // Into the tab order after the last built control before it, else before the first after.
    const QtControl* before = nullptr;
    const QtControl* after = nullptr;
    for (auto& c : controls_) {
        const QWidget* other = c->builtWidget();
        if (other == nullptr || other->focusPolicy() == Qt::NoFocus) continue;
        const int tab = c->description().tabIndex;
        if (tab < d.tabIndex && (before == nullptr || tab >= before->description().tabIndex))
            before = c.get();
        if (tab > d.tabIndex && (after == nullptr || tab < after->description().tabIndex))
            after = c.get();
    }
    if (before != nullptr) {
        QWidget::setTabOrder(before->builtWidget(), w);
    } else if (after != nullptr) {
        QWidget::setTabOrder(w, after->builtWidget());
    }
    return w;
}

void QtWindow::buildRest() {
    for (auto& c : controls_) c->widget();
}

QtWindow::~QtWindow() {
    detach();
    if (widget_) widget_->deleteLater();
}

void QtWindow::setCaption(std::u16string_view caption) {
    widget_->setWindowTitle(toQ(caption));
}

ui::Control& QtWindow::control(std::string_view name, int index) {
    for (auto& c : controls_)
        if (c->description().name == name && c->description().index == index) return *c;
    raise(err::InvalidCall, fromUtf8(description_.name) + u"." + fromUtf8(name));
}

QtControl* QtWindow::controlOf(const QWidget* w) const {
    for (; w != nullptr; w = w->parentWidget()) {
        for (auto& c : controls_)
            if (c->builtWidget() == w) return c.get();
        if (w == widget_) break;
    }
    return nullptr;
}

void QtWindow::deliver(ui::EventKind kind, const ui::ControlDesc* c) {
    if (sink_ == nullptr) return;
    ui_.windows().deliver(*sink_, {kind, c ? c->name : std::string(), c ? c->index : -1});
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
    ui::WindowKeeper<QtWindow>& windows = ui_.windows();
    windows.enterFrame();
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
    windows.leaveFrame();  // may free this window; nothing after it
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

}  // namespace penwick::qt
