#include "qt/widgets_ui.h"

#include <QApplication>
#include <QScreen>

#include "qt/fonts.h"
#include "qt/qt_window.h"

template class penwick::ui::FrontEnd<penwick::qt::QtWindow>;

namespace penwick::qt {

QtUi::QtUi() : focusWatch_(std::make_unique<QObject>()) {
    loadFaceFiles(defaultFaceFolder());
    // Focus loss inside one window is the control's LostFocus; a switch to another window or
    // application is not.
    QObject::connect(qApp, &QApplication::focusChanged, focusWatch_.get(),
                     [this](QWidget* old, QWidget* now) {
                         if (old == nullptr || now == nullptr || old->window() != now->window())
                             return;
                         for (auto& w : windows().windows()) {
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
    windows().clear();
}

double QtUi::dotsPerInch() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

std::unique_ptr<QtWindow> QtUi::makeWindow(const ui::WindowDesc& description, ui::EventSink& sink) {
    return std::make_unique<QtWindow>(*this, description, sink, dotsPerInch());
}

QWidget* QtUi::widgetOf(ui::Window& window) const {
    const QtWindow* w = windows().find(window);
    return w ? w->widget() : nullptr;
}

QWidget* QtUi::activeOwner() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    const auto* newest = newestShown();
    return newest ? newest->widget() : nullptr;
}

void QtUi::yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

ui::PixelSize QtUi::screenPixels() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize px = screen ? screen->geometry().size() : QSize(1024, 768);
    return {px.width(), px.height()};
}

void QtUi::leaveLoops(int exitCode) {
    QCoreApplication::exit(exitCode);  // leaves every event loop, nested ones included
}

int QtUi::runLoop() {
    return QApplication::exec();
}

}  // namespace penwick::qt
