// What Microsoft Active Accessibility reads in the three windows, through
// AccessibleObjectFromWindow as a screen reader asks: every control Tab reaches has its role
// and the name it has on Linux.

#include <windows.h>
// After windows.h, which it needs.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "spell/spell_check_form.h"
#include "ui/accessibility.h"
#include "util/text.h"
#include "win32/win32_ui.h"

namespace penwick::win32 {
namespace {

struct Sink final : ui::EventSink {
    void deliver(const ui::Event&) override {}
};

// "name role 'spoken'" as MSAA gives them for the control's window.
std::string spoken(const char* control, HWND hwnd) {
    IAccessible* a = nullptr;
    const HRESULT hr = AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                  reinterpret_cast<void**>(&a));
    if (FAILED(hr)) return std::string(control) + " no accessible object";
    VARIANT self{}, role{};  // VT_EMPTY
    self.vt = VT_I4;         // and CHILDID_SELF, 0
    BSTR name = nullptr;
    a->get_accName(self, &name);
    a->get_accRole(self, &role);
    const std::u16string text = name ? std::u16string(name, name + SysStringLen(name)) : u"";
    EXPECT_TRUE(ui::isSpeakable(text)) << control;
    SysFreeString(name);
    a->Release();
    return std::string(control) + " " + std::to_string(role.vt == VT_I4 ? role.lVal : -1) + " '" +
           toUtf8(text) + "'";
}

std::string row(const char* control, LONG role, const std::string& name) {
    return std::string(control) + " " + std::to_string(role) + " '" + name + "'";
}

TEST(Win32Accessibility, EveryControlTabReachesHasARoleAndTheNameItHasOnLinux) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const LONG edit = ROLE_SYSTEM_TEXT, button = ROLE_SYSTEM_PUSHBUTTON;
    const struct {
        const ui::WindowDesc* window;
        std::vector<std::string> expected;  // in tab order, then the link
    } cases[] = {
        {&app::noteUpdateDescription(),
         {row("txtDate", edit, "Note Date"), row("cboNoteType", ROLE_SYSTEM_COMBOBOX, "Note Type"),
          row("txtNote", edit, "Note"), row("cmdWriteNote", button, "Write Note to Lookup"),
          row("cmdCancel", button, "Cancel"), row("cmdCal", button, "Choose a date"),
          row("cmdSpellCheck", button, "Spell Check"), row("Cal", ROLE_SYSTEM_CLIENT, "Calendar"),
          row("cmdFile", button, "Choose a file"), row("txtFile", edit, "File Attachment"),
          row("Label8", ROLE_SYSTEM_LINK, toUtf8(app::kMakerWebAddress))}},
        {&lookup::validateUserDescription(),
         {row("txtUserName", edit, "User Name"), row("txtPassword", edit, "Password"),
          row("cmdOK", button, "OK"), row("Command1", button, "Cancel")}},
        {&spell::spellCheckWindow(),
         {row("txtBadWord", edit, "Not in Dictionary"),
          row("lstSuggestions", ROLE_SYSTEM_LIST, "Suggestions"),
          row("txtReplace", edit, "Replace With"), row("cmdChange", button, "Change"),
          row("cmdIgnore", button, "Ignore")}},
    };
    Win32Ui ui;
    Sink sink;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window->name);
        ui::Window& w = ui.create(*c.window, sink);
        std::vector<const ui::ControlDesc*> order;
        for (const ui::ControlDesc& d : c.window->controls) {
            const HWND hwnd = ui.handleOf(w.control(d.name, d.index));
            if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) != 0) order.push_back(&d);
        }
        std::stable_sort(order.begin(), order.end(),
                         [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
        std::vector<std::string> seen;
        for (const ui::ControlDesc* d : order)
            seen.push_back(spoken(d->name.c_str(), ui.handleOf(w.control(d->name, d->index))));
        if (c.window->find("Label8") != nullptr)
            seen.push_back(spoken("Label8", ui.handleOf(w.control("Label8"))));
        EXPECT_EQ(seen, c.expected);
        ui.destroy(w);
    }
    CoUninitialize();
}

}  // namespace
}  // namespace penwick::win32
