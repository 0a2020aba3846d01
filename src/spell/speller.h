#pragma once
// The spelling checker as the spell check drives it, created by class name for one run.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::spell {

inline constexpr std::u16string_view kCheckerClass = u"word.application";

struct SpellingError {
    std::u16string text;  // the misspelled word
    int position = 1;     // 1-based position of its first character inside the token
    bool operator==(const SpellingError&) const = default;
};

// One run of the checker: started invisible, it holds one token at a time.
class SpellChecker {
public:
    virtual ~SpellChecker() = default;
    virtual void start() = 0;
    // Empties the scratch document and puts the token into it.
    virtual void setToken(std::u16string_view token) = 0;
    // The spelling errors of the token, in the order they stand.
    virtual std::vector<SpellingError> spellingErrors() = 0;
    // Suggestions for one of those errors, in the checker's order; possibly none.
    virtual std::vector<std::u16string> suggestions(const SpellingError& error) = 0;
    // Discards the scratch document without saving.
    virtual void close() = 0;
    // Ends the checker without saving anything.
    virtual void quit() = 0;
    // A line for the suggestions dialog when the checker works in another language than the
    // user's, because none is installed for it; empty when it works in the user's own.
    virtual std::u16string languageNotice() const { return {}; }
};

class SpellCheckerFactory {
public:
    virtual ~SpellCheckerFactory() = default;
    // Failure 429 when no checker can be created.
    virtual std::unique_ptr<SpellChecker> create(std::u16string_view className) = 0;
    // What the checker needs on this machine, as the second line of the "requires that you
    // have" message: "Microsoft Word installed on your computer." for Word.
    virtual std::u16string requirement() const = 0;
};

}  // namespace penwick::spell
