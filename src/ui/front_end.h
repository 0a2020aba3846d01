#pragma once
// What every native front end does the same way over its own window system: it keeps the
// windows it makes, measures the screen in twips, and ends its message loop on the logic's quit.

#include <memory>

#include "ui/layout.h"
#include "ui/window.h"
#include "ui/window_keeper.h"

namespace penwick::ui {

// W is the front end's window (see WindowKeeper). The members that need W whole are defined
// below the class: a front end declares `extern template class ui::FrontEnd<W>;` beside its
// class, and instantiates it once where W is complete; it defines its destructor there too, and
// clears the windows in it first, while its own parts still stand.
template <class W>
class FrontEnd : public Ui {
public:
    Window& create(const WindowDesc& description, EventSink& sink) final;
    void destroy(Window& window) final;
    ScreenSize screenSize() const final {
        const PixelSize screen = screenPixels();
        const double dpi = dotsPerInch();
        return {pixelsToTwips(screen.width, dpi), pixelsToTwips(screen.height, dpi)};
    }
    void quit(int exitCode) final {
        quitRequested_ = true;
        exitCode_ = exitCode;
        leaveLoops(exitCode);
    }
    int run() final {
        if (quitRequested_) return exitCode_;
        const int code = runLoop();
        return quitRequested_ ? exitCode_ : code;
    }

    // The screen's logical resolution that twips are measured against.
    virtual double dotsPerInch() const = 0;
    bool quitRequested() const { return quitRequested_; }
    // The windows this front end made; they pass their events to the logic through it.
    WindowKeeper<W>& windows() { return windows_; }
    const WindowKeeper<W>& windows() const { return windows_; }

protected:
    // The newest window that is shown: the owner of a box or dialog when none of the program's
    // windows is active.
    W* newestShown() const;

    virtual std::unique_ptr<W> makeWindow(const WindowDesc& description, EventSink& sink) = 0;
    virtual PixelSize screenPixels() const = 0;
    // Wakes whichever loop is waiting, nested ones included, so that every one of them ends.
    virtual void leaveLoops(int exitCode) = 0;
    // Runs the message loop until it ends; the exit code it ended with.
    virtual int runLoop() = 0;

private:
    WindowKeeper<W> windows_;
    bool quitRequested_ = false;
    int exitCode_ = 0;
};

template <class W>
Window& FrontEnd<W>::create(const WindowDesc& description, EventSink& sink) {
    return windows_.add(makeWindow(description, sink));
}

template <class W>
void FrontEnd<W>::destroy(Window& window) {
    windows_.remove(window);
}

template <class W>
W* FrontEnd<W>::newestShown() const {
    const auto& live = windows_.windows();
    for (auto it = live.rbegin(); it != live.rend(); ++it)
        if ((*it)->visible()) return it->get();
    return nullptr;
}

}  // namespace penwick::ui
