#pragma once
// The order in which the spelling checker offers its suggestions: the likely word first.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::hunspell {

using SuggestFn = std::function<std::vector<std::u16string>(std::u16string_view)>;

// Reorders the engine's suggestions for a misspelled word. Hunspell ranks by its own
// similarity measures, which bury the obvious word for a capitalised typo ("Teh" offers "The"
// twelfth) and for a missing apostrophe ("Dont" offers "Don't" last). So:
// - the word itself with only apostrophes added ("dont" -> "don't") comes first;
// - for a capitalised word, the engine's suggestions for its lower-case form, capitalised,
//   come before the engine's own list for the word;
// - splits with a one-letter piece ("t eh", "c lent") are dropped, but for the one-letter
//   words "a" and "I";
// - otherwise the engine's order stands; each suggestion is offered once.
// suggestLower is called only for a capitalised word.
std::vector<std::u16string> rankSuggestions(std::u16string_view word,
                                            const std::vector<std::u16string>& engineOrder,
                                            const SuggestFn& suggestLower);

}  // namespace penwick::hunspell
