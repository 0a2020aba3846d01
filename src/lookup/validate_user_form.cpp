#include "lookup/validate_user_form.h"

#include <cmath>

namespace penwick::lookup {

using ui::ControlKind;

namespace {
ui::WindowDesc makeDescription() {
    ui::WindowDesc w = ui::WindowDesc::fixedDialog("frmValidateUser", u"ACT Login ", 4140, 1905);
    w.ownedByMainWindow = false;                  // shown modally with no owner window
    w.startPosition = ui::StartPosition::Manual;  // the load handler centres it
    w.icon = ui::Image::LoginIcon;
    const auto label = [](std::string name, std::u16string text, ui::Rect r, int tab,
                          std::string labelFor = {}) {
        return ui::ControlDesc{.name = std::move(name),
                               .kind = ControlKind::Label,
                               .text = std::move(text),
                               .geometry = r,
                               .tabIndex = tab,
                               .tabStop = false,
                               .labelFor = std::move(labelFor)};
    };
    w.controls = {
        {.name = "txtUserName",
         .kind = ControlKind::TextBox,
         .geometry = {1170, 600, 2820, 330},
         .tabIndex = 0},
        {.name = "txtPassword",
         .kind = ControlKind::TextBox,
         .geometry = {1170, 1005, 2805, 330},
         .tabIndex = 1,
         .password = true},
        {.name = "cmdOK",
         .kind = ControlKind::Button,
         .text = u"OK",
         .geometry = {3000, 1440, 960, 375},
         .tabIndex = 2},
        label("Label1", u"User Name", {90, 600, 945, 285}, 3, "txtUserName"),
        label("Label2", u"Password", {90, 1005, 945, 285}, 4, "txtPassword"),
        label("lblDatabase", u"", {1200, 240, 2895, 195}, 5),
        {.name = "Command1",
         .kind = ControlKind::Button,
         .text = u"Cancel",
         .geometry = {1860, 1440, 960, 375},
         .tabIndex = 6,
         .cancelButton = true},
        label("Label3", u"Database", {120, 240, 915, 195}, 7),
    };
    return w;
}
}  // namespace

const ui::WindowDesc& validateUserDescription() {
    static const ui::WindowDesc description = makeDescription();
    return description;
}

ValidateUserForm::ValidateUserForm(ui::Program& program)
    : ui::Form(program, validateUserDescription()) {}

ValidateUserControls& ValidateUserForm::controls() {
    window();  // the load binds them
    return *controls_;
}

void ValidateUserForm::handle(const ui::Event& e) {
    // No handler here traps a failure: they are fatal.
    switch (e.kind) {
        case ui::EventKind::Load: {
            ui::Window& w = window();
            controls_.emplace(ValidateUserControls{
                .lblDatabase = w.control("lblDatabase"),
                .txtUserName = w.control("txtUserName"),
                .txtPassword = w.control("txtPassword"),
            });
            // Centred on the screen, computed as single-precision twips.
            const ui::ScreenSize screen = program().ui().screenSize();
            const auto single = [](int twips) { return static_cast<float>(twips); };
            const float left = (single(screen.widthTwips) - single(w.widthTwips())) / 2.0f;
            const float top = (single(screen.heightTwips) - single(w.heightTwips())) / 2.0f;
            w.moveTo(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
            return;
        }
        case ui::EventKind::CloseRequest:
            unload();  // the modal show returns; whoever showed it reloads it empty
            return;
        case ui::EventKind::Click:
            if (e.control == "cmdOK") {
                window().hide();
                program().yield();
            } else if (e.control == "Command1") {
                window().hide();
            }
            return;
        default:
            return;
    }
}

}  // namespace penwick::lookup
