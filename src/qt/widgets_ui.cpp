#include "qt/widgets_ui.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "qt/fonts.h"
#include "qt/qt_window.h"

namespace penwick::qt {

QtUi::QtUi() : focusWatch_(std::make_unique<QObject>()) {
    loadFaceFiles(defaultFaceFolder());
    // Focus loss inside one window is the control's LostFocus; a switch to another window or
    // application is not.
    QObject::connect(qApp, &QApplication::focusChanged, focusWatch_.get(),
                     [this](QWidget* old, QWidget* now) {
                         if (old == nullptr || now == nullptr || old->window() != now->window())
                             return;
                         for (auto& w : windows_.windows()) {
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
}

double QtUi::dotsPerInch() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

ui::Window& QtUi::create(const ui::WindowDesc& description, ui::EventSink& sink) {
    return windows_.add(std::make_unique<QtWindow>(*this, description, sink, dotsPerInch()));
}

void QtUi::destroy(ui::Window& window) {
    windows_.remove(window);
}

QWidget* QtUi::widgetOf(ui::Window& window) const {
    const QtWindow* w = windows_.find(window);
    return w ? w->widget() : nullptr;
}

QWidget* QtUi::activeOwner() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    const auto& windows = windows_.windows();
    const auto newest =
        std::find_if(windows.rbegin(), windows.rend(), [](const auto& w) { return w->visible(); });
    return newest != windows.rend() ? (*newest)->widget() : nullptr;
}

void QtUi::yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
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
