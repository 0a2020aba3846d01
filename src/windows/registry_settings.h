#pragma once
// The per-user settings store in the registry, where classic Windows programs keep theirs:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, one REG_SZ value per
// key. Values written by an earlier version of the program read back here, and the other way.

#include <string>

#include "util/settings.h"

namespace penwick::windows {

class RegistrySettings final : public SettingsStore {
public:
    // root: the key under HKEY_CURRENT_USER that holds one key per application.
    explicit RegistrySettings(std::u16string root = u"Software\\VB and VBA Program Settings");

    // A missing key, value or a value that is not text gives defaultValue.
    std::u16string get(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue) const override;
    // An empty application, section or key name is failure 5, as is a refusal of the registry.
    void save(std::u16string_view app, std::u16string_view section, std::u16string_view key,
              std::u16string_view value) override;

    // The key that holds a section's values, below HKEY_CURRENT_USER.
    std::u16string sectionKey(std::u16string_view app, std::u16string_view section) const;

private:
    std::u16string root_;
};

}  // namespace penwick::windows
