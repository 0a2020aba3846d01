#include "spell/spell_check.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "spell/spell_check_form.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::spell {

namespace {

constexpr std::u16string_view kSource = u"cmdSpellCheck_Click";

// Error 380 is cleared and the run goes on with the step after the one that failed (a
// selection length below zero is simply not applied, for example). Every other failure ends
// the run in its handler.
template <class Step>
void step(Step&& s) {
    try {
        s();
    } catch (const Failure& f) {
        if (f.number() != err::InvalidPropertyValue) throw;
    }
}

// Positions are 32-bit; a sum that leaves that range is an overflow, not a wrap-around.
std::int32_t add(std::int64_t a, std::int64_t b) {
    const std::int64_t sum = a + b;
    if (sum > std::numeric_limits<std::int32_t>::max() ||
        sum < std::numeric_limits<std::int32_t>::min())
        raise(err::Overflow, std::u16string(kSource));
    return static_cast<std::int32_t>(sum);
}

std::int32_t lengthOf(std::u16string_view text) {
    return add(0, std::ssize(text));
}

// The 1-based position of the first space at or after start, 0 when there is none. Only the
// space character divides tokens: tabs and line breaks stay inside them.
std::int32_t findSpace(std::u16string_view text, std::int32_t start) {
    if (start < 1 || start > lengthOf(text)) return 0;
    const auto at = text.find(u' ', static_cast<std::size_t>(start - 1));
    return at == std::u16string_view::npos ? 0 : add(static_cast<std::int64_t>(at), 1);
}

struct Decision {
    bool closed = false;         // the close box: the check ends here
    std::u16string replacement;  // empty: the word stays as it is
};

Decision ask(SpellCheckForm& dialog, SpellChecker& checker, const SpellingError& error) {
    step([&] { dialog.controls().txtBadWord.setText(error.text); });
    step([&] { dialog.controls().lblLanguage.setText(checker.languageNotice()); });
    std::vector<std::u16string> suggestions;
    step([&] { suggestions = checker.suggestions(error); });
    step([&] { dialog.controls().lstSuggestions.clearList(); });
    for (const auto& s : suggestions) step([&] { dialog.controls().lstSuggestions.addItem(s); });
    step([&] { dialog.window().bringToFront(); });
    dialog.clearClosedByUser();
    step([&] { dialog.showModal(); });

    Decision decision;
    if (dialog.closedByUser()) {
        decision.closed = true;
        return decision;
    }
    decision.replacement = dialog.ReplacementWord();
    return decision;
}

// Where the misspelled word stands in the token, 0-based; nothing when the token does not
// hold it (the checker is taken at its word, but not blindly).
std::optional<std::size_t> wordOffset(std::u16string_view token, const SpellingError& error) {
    if (error.position >= 1) {
        const auto at = static_cast<std::size_t>(error.position - 1);
        if (at + error.text.size() <= token.size() &&
            token.substr(at, error.text.size()) == error.text)
            return at;
    }
    const auto at = token.find(error.text);
    if (at == std::u16string_view::npos) return std::nullopt;
    return at;
}

// The token walk. Returns when every token has been visited or the user closed the dialog.
void walk(ui::Control& note, SpellCheckForm& dialog, SpellChecker& checker) {
    bool finished = false;
    std::int32_t start = 1;
    std::int32_t end = 0;
    // After a decided word inside a longer token (punctuation, a line break and the next
    // line's word), the rest of that token is checked on its own before the walk moves on,
    // so a second misspelled word there is offered too.
    std::optional<std::int32_t> rest;
    // The note changes during the walk only through the walk (the main window takes no input
    // while the dialog is up), so it is read once and again after each dialog; reading the
    // whole text for every token would make the walk quadratic in the note's length.
    std::u16string text = note.text();

    for (;;) {
        if (rest) {
            start = *rest;
            rest.reset();
        } else {
            if (finished) break;
            start = add(end, 1);
            end = findSpace(text, start);
            if (end == 0) {
                end = add(lengthOf(text), 1);
                finished = true;
            }
        }
        step([&] { note.setSelectionStart(start - 1); });
        step([&] { note.setSelectionLength(end - start); });
        std::u16string token;
        step([&] { token = note.selectedText(); });
        if (token.empty()) continue;

        step([&] { checker.setToken(token); });
        std::vector<SpellingError> errors;
        step([&] { errors = checker.spellingErrors(); });
        if (errors.empty()) continue;
        const SpellingError error = errors.front();

        const Decision decision = ask(dialog, checker, error);
        if (decision.closed) return;

        const std::optional<std::size_t> offset = wordOffset(token, error);
        std::int32_t behind = 0;  // 1-based position behind the decided word
        if (!decision.replacement.empty()) {
            if (offset) {
                // Only the misspelled word is replaced; the rest of the token stays as typed.
                const std::int32_t wordStart = add(start, static_cast<std::int64_t>(*offset));
                step([&] { note.setSelectionStart(wordStart - 1); });
                step([&] { note.setSelectionLength(lengthOf(error.text)); });
                step([&] { note.setSelectedText(decision.replacement); });
                // Measured on what was written, which is the replacement without outer spaces.
                end = add(end, lengthOf(decision.replacement) - lengthOf(error.text));
                behind = add(wordStart, lengthOf(decision.replacement));
            } else {
                // A word the token does not hold: the whole token is replaced, and the walk
                // goes on at the space behind it.
                step([&] { note.setSelectionStart(start - 1); });
                step([&] { note.setSelectionLength(end - start); });
                step([&] { note.setSelectedText(decision.replacement); });
                end = add(start, lengthOf(decision.replacement));
            }
        } else if (offset) {
            behind = add(add(start, static_cast<std::int64_t>(*offset)), lengthOf(error.text));
        }
        // A replacement is never checked again, and an empty word must not stall the walk.
        if (behind > start && behind < end) rest = behind;
        // A replacement is part of the text that the next space is looked for in.
        text = note.text();
    }
}

void showMessage(ui::Ui& ui, const std::u16string& prompt) {
    try {
        ui.messageBox(prompt, ui::MessageStyle::InformationOk, u"Penwick");
    } catch (const Failure&) {
    } catch (const std::exception&) {
    }
}

void report(ui::Ui& ui, SpellCheckerFactory& checkers, const Failure& failure) {
    if (failure.number() == err::CannotCreateObject) {
        std::u16string requirement = u"a spelling checker installed on your computer.";
        ignoringFailure([&] { requirement = checkers.requirement(); });
        showMessage(ui, u"Sorry the spell checker requires that you have\r\n" + requirement);
        return;
    }
    showMessage(ui, u"Error: " + decimal(failure.number()) + u"\r\n\r\n" + failure.description());
}

}  // namespace

void runSpellCheck(ui::Ui& ui, ui::Control& note, SpellCheckForm& dialog,
                   SpellCheckerFactory& checkers) {
    std::unique_ptr<SpellChecker> checker;
    // On every way out the checker is shut down, so that no engine outlives its run; the
    // failures of that shutdown are not the user's concern.
    const auto shutDownQuietly = [&] {
        if (!checker) return;
        ignoringFailure([&] { checker->close(); });
        ignoringFailure([&] { checker->quit(); });
        checker.reset();
    };
    try {
        checker = checkers.create(kCheckerClass);
        step([&] { checker->start(); });
        walk(note, dialog, *checker);
        // The caret to the start of the note, nothing selected.
        step([&] { note.setSelectionStart(0); });
        step([&] { note.setSelectionLength(0); });
        step([&] { checker->close(); });
        step([&] { checker->quit(); });
        checker.reset();
    } catch (const ProgramEnded&) {
        shutDownQuietly();
        throw;
    } catch (...) {
        const Failure failure = currentFailure(kSource);
        shutDownQuietly();
        report(ui, checkers, failure);
    }
}

}  // namespace penwick::spell
