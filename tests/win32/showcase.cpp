// Shows one of the dialogs with sample content until it is closed, for screenshots of the
// front end: penwick_win32_showcase login|spell. The main window is penwick.exe's own.

#include <windows.h>

#include <cstring>

#include "lookup/validate_user_form.h"
#include "spell/spell_check_form.h"
#include "win32/win32_ui.h"

namespace {

struct Quiet final : penwick::ui::EventSink {
    void deliver(const penwick::ui::Event&) override {}
};

}  // namespace

int main(int argc, char* argv[]) {
    const bool spell = argc > 1 && std::strcmp(argv[1], "spell") == 0;
    penwick::win32::Win32Ui ui;
    Quiet sink;
    penwick::ui::Window& w = ui.create(
        spell ? penwick::spell::spellCheckWindow() : penwick::lookup::validateUserDescription(),
        sink);
    if (spell) {
        w.control("txtBadWord").setText(u"recieve");
        for (auto word : {u"receive", u"relieve", u"reprieve"})
            w.control("lstSuggestions").addItem(word);
        w.control("lstSuggestions").setListIndex(0);
        w.control("txtReplace").setText(u"receive");
    } else {
        w.control("lblDatabase").setText(u"CONTACTS.DBF");
        w.control("txtUserName").setText(u"Chris Miller");
        w.control("txtPassword").setText(u"secret");
    }
    w.show();
    return ui.run();
}
