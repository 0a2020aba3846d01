#pragma once
// The Linux spelling checker: Hunspell with the dictionary of the user's language.

#include <memory>
#include <string>

#include "spell/speller.h"
#include "util/locale.h"

namespace penwick::hunspell {

inline constexpr const char* kDictionaryFolder = "/usr/share/hunspell";

struct DictionaryOptions {
    std::string folder = kDictionaryFolder;
    // A language and region such as "de_AT"; empty: the one the environment names.
    std::string language;
};

// The checker factory of the program. Locale speaks only of dates; the language comes from
// the environment (LC_ALL, LC_MESSAGES, LANG) the way the C library finds it.
std::unique_ptr<spell::SpellCheckerFactory> makeSpellCheckerFactory(const Locale& locale);

std::unique_ptr<spell::SpellCheckerFactory> makeSpellCheckerFactory(DictionaryOptions options);

}  // namespace penwick::hunspell
