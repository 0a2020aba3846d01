#pragma once
// What the tests of the Win32 front end share: a front end of their own and the sinks that
// record what its windows report.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "win32/win32_ui.h"

namespace penwick::win32::test_support {

struct Recorder final : ui::EventSink {
    std::vector<ui::Event> events;
    std::function<void(const ui::Event&)> action;
    void deliver(const ui::Event& e) override {
        events.push_back(e);
        if (action) action(e);
    }
    bool saw(ui::EventKind kind, const std::string& control = {}) const {
        for (const auto& e : events)
            if (e.kind == kind && e.control == control) return true;
        return false;
    }
};

class Win32UiTest : public ::testing::Test {
protected:
    HWND hwnd(ui::Window& w) const { return ui_.handleOf(w); }
    HWND hwnd(ui::Window& w, const char* name, int index = -1) {
        return ui_.handleOf(w.control(name, index));
    }
    Win32Ui ui_;
    Recorder mainSink_, dialogSink_;
};

}  // namespace penwick::win32::test_support
