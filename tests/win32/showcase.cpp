// The dialogs with sample content, for screenshots of the front end:
//   penwick_win32_showcase login|spell    shows that dialog, loaded through its own form, so
//                                         that its load handler places it as the program does;
//   penwick_win32_showcase open-calendar  presses the calendar button of a running penwick.exe.
// The main window is penwick.exe's own.

#include <windows.h>

#include <cstring>

#include "app/note_update_form.h"
#include "find_control.h"
#include "lookup/validate_user_form.h"
#include "spell/spell_check_form.h"
#include "win32/win32_ui.h"

namespace {

using namespace penwick;

int openCalendar() {
    HWND main = nullptr;
    for (int i = 0; i < 100 && main == nullptr; ++i, Sleep(100))
        main = FindWindowW(L"PenwickForm", L"Penwick by Hollowfen ver 2.2");
    if (main == nullptr) return 1;
    // The button lies in a frame: every child is searched.
    HWND button = testing::findControl(main, app::noteUpdateDescription(), "cmdCal");
    if (button == nullptr) return 1;
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const char* what = argc > 1 ? argv[1] : "login";
    if (std::strcmp(what, "open-calendar") == 0) return openCalendar();

    win32::Win32Ui ui;
    ui::Program program(ui);
    if (std::strcmp(what, "spell") == 0) {
        spell::SpellCheckForm form(program);
        spell::SpellCheckControls& c = form.controls();  // loads it: the load handler runs
        c.txtBadWord.setText(u"recieve");
        for (auto word : {u"receive", u"relieve", u"reprieve"}) c.lstSuggestions.addItem(word);
        c.lstSuggestions.setListIndex(0);
        c.txtReplace.setText(u"receive");
        form.window().show();
        return ui.run();
    }
    lookup::ValidateUserForm form(program);
    lookup::ValidateUserControls& c = form.controls();
    c.lblDatabase.setText(u"CONTACTS.DBF");
    c.txtUserName.setText(u"Chris Miller");
    c.txtPassword.setText(u"secret");
    form.window().show();
    return ui.run();
}
