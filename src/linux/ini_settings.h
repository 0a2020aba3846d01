#pragma once
// The per-user settings store as an INI file: one file per application,
// $XDG_CONFIG_HOME/<app>/<app>.ini (~/.config when the variable is unset).

#include <map>
#include <string>

#include "util/settings.h"

namespace penwick::linux_platform {

// Values are kept as text of any characters: every code from 0 up, NUL and line breaks
// included, is escaped in the file so that it reads back unchanged (a scrambled password can
// hold any of them). Section and key names are compared exactly, case included, as file names
// are here. An empty section name is an ordinary section, written "[]".
//
// Each save rewrites the whole file through a temporary file and a rename, so a crash leaves
// either the old or the new file, never half of one. Folder and file are the user's only.
class IniSettings final : public SettingsStore {
public:
    // folder: where the application files go; empty means the user's configuration folder.
    explicit IniSettings(std::string folder = {});

    std::u16string get(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue) const override;
    void save(std::u16string_view app, std::u16string_view section, std::u16string_view key,
              std::u16string_view value) override;

    // The file that holds the application's values.
    std::string filePath(std::u16string_view app) const;

private:
    using Sections = std::map<std::u16string, std::map<std::u16string, std::u16string>>;
    Sections read(std::u16string_view app) const;

    std::string folder_;
};

// The user's configuration folder: $XDG_CONFIG_HOME, or ~/.config.
std::string userConfigFolder();

// The INI text's escaping, exposed for the tests of the file format.
std::string escapeIni(std::u16string_view text, bool name);
std::u16string unescapeIni(std::string_view text);

}  // namespace penwick::linux_platform
