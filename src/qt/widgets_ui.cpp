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
    for (std::size_t i = windows_.size(); i-- > 0;)  // the newest first
        if (windows_[i]->visible()) return windows_[i]->widget();
    return nullptr;
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
