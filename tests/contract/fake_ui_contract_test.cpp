// The in-memory front end keeps the rules every front end keeps.

#include "contract/ui_contract.h"
#include "support/fake_ui.h"

namespace penwick::contract {
namespace {

using testing::FakeControl;
using testing::FakeUi;
using testing::FakeWindow;

struct FakeFront {
    FakeUi fake;

    ui::Ui& ui() { return fake; }
    void pump() { fake.yield(); }
    static FakeWindow& of(ui::Window& w) { return static_cast<FakeWindow&>(w); }
    static FakeControl& of(ui::Window& w, std::string_view control) {
        return of(w).control(control);
    }
    void click(ui::Window& w, std::string_view control) { of(w).click(control); }
    void closeBox(ui::Window& w) { of(w).requestClose(); }
    void whileModal(ui::Window& w, std::function<void()> action) {
        fake.onModal(w.description().name, [action](FakeWindow&) { action(); });
    }
    bool loaded(ui::Window& w) { return fake.holds(&w); }

    int selectionStart(ui::Window& w, std::string_view c) { return of(w, c).selectionStart(); }
    int selectionLength(ui::Window& w, std::string_view c) { return of(w, c).selectionLength(); }
    bool hasFocus(ui::Window& w, std::string_view c) { return of(w).focused() == &of(w, c); }
    bool enabled(ui::Window& w, std::string_view c) { return of(w, c).enabled(); }
    bool shown(ui::Window& w, std::string_view c) { return of(w, c).visible(); }
    int listCount(ui::Window& w, std::string_view c) { return of(w, c).listCount(); }
    bool paintedIn(ui::Window& w, std::string_view c, ui::SysColor color) {
        return of(w, c).background() == color;
    }
    std::u16string caption(ui::Window& w) { return of(w).caption(); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, UiContract, FakeFront);

}  // namespace penwick::contract
