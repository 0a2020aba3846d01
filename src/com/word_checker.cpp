#include "com/word_checker.h"

#include <string>
#include <vector>

#include "com/object.h"
#include "com/word_interfaces.h"
#include "util/failure.h"

namespace penwick::com {

namespace {

constexpr std::int32_t kMinimised = 2;  // wdWindowStateMinimize
constexpr std::int32_t kDoNotSave = 0;  // wdDoNotSaveChanges

std::int32_t count(Object& collection) {
    return toInt32(collection.call(u"Count").toValue(u"Count"), u"Count");
}

// One run of Word: invisible and minimised, with a new document that holds one token at a
// time. Word is quit by the run; when a run is cut short, the objects are only released.
class WordChecker final : public spell::SpellChecker {
public:
    explicit WordChecker(Object application) : application_(std::move(application)) {}
    WordChecker(const WordChecker&) = delete;
    WordChecker& operator=(const WordChecker&) = delete;

    void start() override {
        application_.put(u"Visible", Argument::boolean(false));
        application_.put(u"WindowState", Argument::int32(kMinimised));
        document_ = application_.callObject(u"Documents")
                        .callObject(u"Add")
                        .as(word::kDocument, u"Document");
    }

    void setToken(std::u16string_view token) override {
        wholeDocument().call(u"Delete", {Argument::omitted(), Argument::omitted()});
        wholeDocument().put(u"Text", Argument::text(token));
        token_ = token;
        firstError_ = Object();
        firstErrorText_.clear();
    }

    // Word is asked for the first error only: that is the one the run offers, and a
    // longer token's rest is set and checked again on its own.
    std::vector<spell::SpellingError> spellingErrors() override {
        Object errors = document_.callObject(u"SpellingErrors")
                            .as(word::kProofreadingErrors, u"ProofreadingErrors");
        if (count(errors) < 1) return {};
        firstError_ = errors.callObject(u"Item", {Argument::int32(1)}).as(word::kRange, u"Range");
        firstErrorText_ = toText(firstError_.call(u"Text").toValue(u"Text"));
        spell::SpellingError error{firstErrorText_};
        const auto at = token_.find(error.text);
        error.position = at == std::u16string::npos ? 1 : static_cast<int>(at) + 1;
        return {std::move(error)};
    }

    std::vector<std::u16string> suggestions(const spell::SpellingError& error) override {
        // Word finds suggestions for an error range; only the token's first is at hand.
        if (!firstError_ || error.text != firstErrorText_)
            raise(err::InvalidCall, u"GetSpellingSuggestions");
        Object list =
            application_
                .callObject(u"GetSpellingSuggestions", {Argument::object(firstError_.get())})
                .as(word::kSpellingSuggestions, u"SpellingSuggestions");
        std::vector<std::u16string> words;
        const std::int32_t n = count(list);
        for (std::int32_t i = 1; i <= n; ++i) {
            Object suggestion = list.callObject(u"Item", {Argument::int32(i)})
                                    .as(word::kSpellingSuggestion, u"SpellingSuggestion");
            words.push_back(toText(suggestion.call(u"Name").toValue(u"Name")));
        }
        return words;
    }

    void close() override {
        document_.call(u"Close",
                       {Argument::int32(kDoNotSave), Argument::omitted(), Argument::omitted()});
    }

    void quit() override {
        application_.call(u"Quit", {Argument::int32(kDoNotSave).named(u"savechanges")});
    }

private:
    Object wholeDocument() {
        return document_.callObject(u"Range", {Argument::omitted(), Argument::omitted()})
            .as(word::kRange, u"Range");
    }

    std::u16string token_;
    std::u16string firstErrorText_;
    // Released from the last to the first: the application, then the document, as a run ends.
    Object firstError_;
    Object document_;
    Object application_;
};

class WordFactory final : public spell::SpellCheckerFactory {
public:
    explicit WordFactory(MessageFilter* filter) : filter_(filter) {}
    std::unique_ptr<spell::SpellChecker> create(std::u16string_view className) override {
        return std::make_unique<WordChecker>(Object::create(className, filter_));
    }
    std::u16string requirement() const override {
        return u"Microsoft Word installed on your computer.";
    }

private:
    MessageFilter* filter_;
};

}  // namespace

std::unique_ptr<spell::SpellCheckerFactory> makeWordSpellCheckerFactory(MessageFilter* filter) {
    return std::make_unique<WordFactory>(filter);
}

}  // namespace penwick::com
