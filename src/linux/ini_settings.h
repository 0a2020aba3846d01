#pragma once
// The per-user settings store as an INI file: one file per application,
// $XDG_CONFIG_HOME/<app>/<app>.ini (~/.config when the variable is unset).

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "util/settings.h"

namespace penwick::linux_platform {

// Section name → key → value.
using IniSections = std::map<std::u16string, std::map<std::u16string, std::u16string>>;

// Values are kept as text of any characters: every code from 0 up, NUL and line breaks
// included, is escaped in the file so that it reads back unchanged (a scrambled password can
// hold any of them). Section and key names are compared exactly, case included, as file names
// are here. An empty section name is an ordinary section, written "[]".
//
// Each save re-reads the file and rewrites it whole through a temporary file and a rename,
// under a lock on a sibling lock file, so a crash leaves either the old or the new file and
// two processes saving at once keep each other's values. Folder and file are the user's only.
//
// A file that exists but cannot be read or parsed is never overwritten: it is reported once
// through `warn`, values fall back to their defaults, and values saved meanwhile live in this
// object until the program ends.
class IniSettings final : public SettingsStore {
public:
    using Warn = std::function<void(const std::string&)>;

    // folder: where the application files go; empty means the user's configuration folder.
    // warn: told once per file that cannot be used; empty means standard error.
    explicit IniSettings(std::string folder = {}, Warn warn = {});

    std::u16string get(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue) const override;
    void save(std::u16string_view app, std::u16string_view section, std::u16string_view key,
              std::u16string_view value) override;

    // The stored value, or nothing when the file holds no such key.
    std::optional<std::u16string> find(std::u16string_view app, std::u16string_view section,
                                       std::u16string_view key) const;
    // Takes the key out of the file (a section left empty goes too), as durably as save.
    void remove(std::u16string_view app, std::u16string_view section, std::u16string_view key);

    // The file that holds the application's values.
    std::string filePath(std::u16string_view app) const;

private:
    using Sections = IniSections;
    // The file's values; nothing when it exists but cannot be used (reported once).
    std::optional<Sections> read(std::u16string_view app) const;
    static std::u16string unsavedSection(std::u16string_view app, std::u16string_view section);
    // Sets the key's value, or takes the key out when there is none.
    void store(std::u16string_view app, std::u16string_view section, std::u16string_view key,
               std::optional<std::u16string_view> value);

    std::string folder_;
    Warn warn_;
    mutable std::set<std::string> warned_;
    Sections unsaved_;  // "app\0section" → values the file could not take
};

// The user's configuration folder: $XDG_CONFIG_HOME, or ~/.config.
std::string userConfigFolder();

// The values of a settings file's text; nothing when it is not one (a line that is neither a
// comment, a [section] nor key=value, or a NUL byte).
std::optional<IniSections> parseIni(std::string_view content);

// The INI text's escaping, exposed for the tests of the file format.
std::string escapeIni(std::u16string_view text, bool name);
std::u16string unescapeIni(std::string_view text);

}  // namespace penwick::linux_platform
