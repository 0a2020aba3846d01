#pragma once
// What every front end does with the windows it makes: it keeps them, and it frees a window
// the logic unloads only once no handler is on the stack any more, so that a handler that
// unloads its own window (or a modal loop whose dialog is unloaded) never runs on a freed one.

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/window.h"

namespace penwick::ui {

// W is a front end's window: a ui::Window with `detach()`, which cuts it off from the logic.
template <class W>
class WindowKeeper {
public:
    WindowKeeper() = default;
    WindowKeeper(const WindowKeeper&) = delete;
    WindowKeeper& operator=(const WindowKeeper&) = delete;
    ~WindowKeeper() { clear(); }

    W& add(std::unique_ptr<W> window) {
        live_.push_back(std::move(window));
        return *live_.back();
    }

    // Detaches the window and frees it now, or when the outermost frame ends.
    void remove(const Window& window) {
        const auto it = std::find_if(live_.begin(), live_.end(),
                                     [&](const auto& w) { return w.get() == &window; });
        if (it == live_.end()) return;
        (*it)->detach();
        unloaded_.push_back(std::move(*it));
        live_.erase(it);
        if (depth_ == 0) unloaded_.clear();
    }

    W* find(const Window& window) const {
        for (const auto& w : live_)
            if (w.get() == &window) return w.get();
        return nullptr;
    }

    // The live windows, oldest first.
    const std::vector<std::unique_ptr<W>>& windows() const { return live_; }

    // A handler or a modal loop: windows unloaded meanwhile stay allocated until it ends.
    void enterFrame() { ++depth_; }
    void leaveFrame() {
        if (--depth_ == 0) unloaded_.clear();
    }

    // Passes one event to the logic inside a frame. The logic reports its own failures;
    // nothing may unwind through the window system.
    void deliver(EventSink& sink, const Event& event) noexcept {
        enterFrame();
        try {
            sink.deliver(event);
        } catch (...) {
        }
        leaveFrame();
    }

    // A user's event on a window (control null) or one of its controls; nothing once the
    // window is detached from the logic (sink null).
    void deliver(EventSink* sink, EventKind kind, const ControlDesc* control) noexcept {
        if (sink == nullptr) return;
        deliver(*sink,
                {kind, control ? control->name : std::string(), control ? control->index : -1});
    }

    // Frees every window.
    void clear() {
        live_.clear();
        unloaded_.clear();
    }

private:
    std::vector<std::unique_ptr<W>> live_;
    std::vector<std::unique_ptr<W>> unloaded_;
    int depth_ = 0;
};

}  // namespace penwick::ui
