#pragma once
// The words of a token as a word processor sees them.

#include <string>
#include <string_view>
#include <vector>

namespace penwick::hunspell {

struct Word {
    std::u16string_view text;
    std::size_t offset = 0;  // 0-based, in UTF-16 units of the token
};

// Words are runs of letters, digits, apostrophes and hyphens, without apostrophes or
// hyphens at their ends; punctuation, tabs and line breaks stand between them. Web and
// e-mail addresses hold no words.
std::vector<Word> wordsOf(std::u16string_view token);

// Words a checker does not question: those with a digit, and abbreviations in capitals.
bool isExempt(std::u16string_view word);

}  // namespace penwick::hunspell
