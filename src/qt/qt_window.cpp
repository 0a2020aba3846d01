#include "qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <optional>

#include "qt/convert.h"
#include "qt/fonts.h"
#include "qt/images.h"
#include "ui/accessibility.h"
#include "ui/layout.h"

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

    for (const std::size_t i : ui::buildOrder(d)) {
        const ui::ControlDesc& c = d.controls[i];
        QWidget* parent = widget_;
        if (!c.parent.empty()) parent = static_cast<QtControl&>(control(c.parent)).widget();
        // A hidden month calendar is built when first used, or once the window has been
        // painted: building one loads icons from the desktop's theme, which the first sight of
        // the window need not wait for.
        if (c.kind == ControlKind::MonthCalendar && !c.visible) {
            controls_.push_back(std::make_unique<QtControl>(
                c, [this, &c, parent] { return buildLater(c, parent); }));
            continue;
        }
        controls_.push_back(std::make_unique<QtControl>(c, build(c, parent)));
    }
    // A label names its control for screen readers, and its access key focuses it.
    for (auto& c : controls_) {
        const ui::AccessibleDesc spoken = ui::accessibleDesc(d, c->description());
        if (spoken.label == nullptr) continue;
        auto& label = static_cast<QtControl&>(control(spoken.label->name, spoken.label->index));
        if (auto* l = qobject_cast<QLabel*>(label.widget())) l->setBuddy(c->widget());
    }
    ui::raiseButtons(controls_);
    const std::vector<QtControl*> order = ui::tabOrder(controls_, [](const QtControl& c) {
        const QWidget* w = c.builtWidget();
        return w != nullptr && w->focusPolicy() != Qt::NoFocus;
    });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
}

QWidget* QtWindow::buildLater(const ui::ControlDesc& d, QWidget* parent) {
    QWidget* w = build(d, parent);
    if (w->focusPolicy() == Qt::NoFocus) return w;
    // Into the tab order between its neighbours among the controls built so far; its own
    // control has no widget yet until this returns.
    const auto widgetOf = [&](const QtControl& c) {
        return &c.description() == &d ? w : c.builtWidget();
    };
    const std::vector<QtControl*> order = ui::tabOrder(controls_, [&](const QtControl& c) {
        const QWidget* built = widgetOf(c);
        return built != nullptr && built->focusPolicy() != Qt::NoFocus;
    });
    const auto at = std::find_if(order.begin(), order.end(),
                                 [&](const QtControl* c) { return &c->description() == &d; });
    if (at != order.begin()) {
        QWidget::setTabOrder(widgetOf(**(at - 1)), w);
    } else if (at + 1 < order.end()) {
        QWidget::setTabOrder(w, widgetOf(**(at + 1)));
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
    return ui::findControl(controls_, description_, name, index);
}

QtControl* QtWindow::controlOf(const QWidget* w) const {
    for (; w != nullptr; w = w->parentWidget()) {
        for (auto& c : controls_)
            if (c->builtWidget() == w) return c.get();
        if (w == widget_) break;
    }
    return nullptr;
}

void QtWindow::place() {
    if (placed_) return;
    placed_ = true;
    const auto pixels = [](const QRect& r) {
        return ui::PixelRect{r.left(), r.top(), r.width(), r.height()};
    };
    const ui::PixelRect workArea =
        widget_->screen() ? pixels(widget_->screen()->availableGeometry()) : ui::PixelRect{};
    std::optional<ui::PixelRect> owner;
    if (QWidget* active = QApplication::activeWindow(); active && active != widget_)
        owner = pixels(active->frameGeometry());
    const QSize size = widget_->frameGeometry().size();
    if (const auto at = ui::startingPlace(description_.startPosition, workArea, owner, size.width(),
                                          size.height()))
        widget_->move(at->x, at->y);
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
