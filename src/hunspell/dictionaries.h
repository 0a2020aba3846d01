#pragma once
// Which installed dictionary serves the user's language.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::hunspell {

// "de_AT.UTF-8@euro" -> "de_AT"; empty for "C", "POSIX" and an empty name.
std::string languageOfLocaleName(std::string_view localeName);

// The language the environment names in LC_ALL, LC_MESSAGES or LANG, first set one first.
std::string environmentLanguage();

// The dictionaries in a folder: the names of the .aff files that have a .dic beside them,
// sorted.
std::vector<std::string> installedDictionaries(const std::string& folder);

// The dictionary for a language: the same language and region, then the language alone
// ("de", "de_DE", then any other "de_*"), then en_US; nothing when none of them is there.
std::optional<std::string> chooseDictionary(std::string_view language,
                                            const std::vector<std::string>& installed);

}  // namespace penwick::hunspell
