#pragma once
// The login dialog: the database, a user name and a password.

#include <optional>

#include "ui/program.h"

namespace penwick::lookup {

const ui::WindowDesc& validateUserDescription();

// The dialog's controls the program reads and writes, found once per load.
struct ValidateUserControls {
    ui::Control& lblDatabase;
    ui::Control& txtUserName;
    ui::Control& txtPassword;
};

class ValidateUserForm final : public ui::Form {
public:
    explicit ValidateUserForm(ui::Program& program);

    // The controls of the loaded window, loading it first when it is not.
    ValidateUserControls& controls();

protected:
    void handle(const ui::Event& event) override;

private:
    std::optional<ValidateUserControls> controls_;
};

}  // namespace penwick::lookup
