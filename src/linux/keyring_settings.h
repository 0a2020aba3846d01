#pragma once
// The settings with the remembered password in the desktop keyring whenever one answers, and in
// the settings file, as before, whenever none does.

#include <string>
#include <string_view>

#include "linux/ini_settings.h"
#include "util/settings.h"

namespace penwick::linux_platform {

// A desktop keyring as the settings use it: one secret per name. Each call says whether a
// keyring answered.
class Keyring {
public:
    enum class Answer { Done, NotFound, NoKeyring };

    virtual ~Keyring() = default;
    virtual Answer read(const std::string& name, std::u16string& secret) = 0;
    virtual Answer write(const std::string& name, std::u16string_view secret) = 0;
    virtual Answer remove(const std::string& name) = 0;
};

// The program's remembered password (the "SYS" key of its database sections) goes to the
// keyring, named by its section; every other value stays in the file. A password the file
// holds is newer than the keyring's (it was saved while no keyring answered, or before one was
// used): the first read moves it into the keyring and out of the file. A login that fails
// saves an empty password, so a password moved at the start of a login that then fails ends
// as it would have in the file: empty.
class KeyringSettings final : public SettingsStore {
public:
    KeyringSettings(IniSettings& file, Keyring& keyring) : file_(file), keyring_(keyring) {}

    // Not const in effect: a read may move a password from the file to the keyring.
    std::u16string get(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue) const override;
    void save(std::u16string_view app, std::u16string_view section, std::u16string_view key,
              std::u16string_view value) override;

private:
    // True when the keyring took the value (empty: took it out).
    bool toKeyring(std::u16string_view section, std::u16string_view value) const;

    IniSettings& file_;
    Keyring& keyring_;
};

}  // namespace penwick::linux_platform
