#pragma once
// The login dialog: the database, a user name and a password.

#include "ui/program.h"

namespace penwick {
class App;
}

namespace penwick::lookup {

const ui::WindowDesc& validateUserDescription();

class ValidateUserForm final : public ui::Form {
public:
    explicit ValidateUserForm(App& app);

protected:
    void handle(const ui::Event& event) override;

private:
    App& app_;
};

}  // namespace penwick::lookup
