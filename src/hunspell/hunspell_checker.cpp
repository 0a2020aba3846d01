#include <hunspell.hxx>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "hunspell/dictionaries.h"
#include "hunspell/encoding.h"
#include "hunspell/factory.h"
#include "hunspell/ranking.h"
#include "hunspell/words.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::hunspell {

namespace {

constexpr std::u16string_view kSource = u"Hunspell";

bool readable(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in.good() && in.peek() != std::ifstream::traits_type::eof();
}

// One loaded dictionary, shared by the runs that use it.
class Dictionary {
public:
    Dictionary(const std::filesystem::path& aff, const std::filesystem::path& dic)
        : engine_(aff.c_str(), dic.c_str()), encoding_(engine_.get_dict_encoding()) {}

    bool correct(std::u16string_view word) {
        const std::optional<std::string> bytes = encoding_.encode(word);
        return bytes && engine_.spell(*bytes);
    }

    std::vector<std::u16string> suggest(std::u16string_view word) {
        return rankSuggestions(word, engineSuggestions(word),
                               [this](std::u16string_view w) { return engineSuggestions(w); });
    }

private:
    std::vector<std::u16string> engineSuggestions(std::u16string_view word) {
        std::vector<std::u16string> out;
        const std::optional<std::string> bytes = encoding_.encode(word);
        if (!bytes) return out;
        for (const auto& s : engine_.suggest(*bytes)) {
            std::u16string decoded = encoding_.decode(s);
            if (!decoded.empty()) out.push_back(std::move(decoded));
        }
        return out;
    }

    Hunspell engine_;
    DictionaryEncoding encoding_;
};

class HunspellChecker final : public spell::SpellChecker {
public:
    HunspellChecker(std::shared_ptr<Dictionary> dictionary, std::u16string languageNotice)
        : dictionary_(std::move(dictionary)), languageNotice_(std::move(languageNotice)) {}

    std::u16string languageNotice() const override { return languageNotice_; }

    void start() override { requireRunning(); }

    void setToken(std::u16string_view token) override {
        requireRunning();
        token_ = token;
    }

    std::vector<spell::SpellingError> spellingErrors() override {
        requireRunning();
        std::vector<spell::SpellingError> errors;
        for (const Word& word : wordsOf(token_)) {
            if (isExempt(word.text) || dictionary_->correct(word.text)) continue;
            errors.push_back({std::u16string(word.text), static_cast<int>(word.offset) + 1});
        }
        return errors;
    }

    std::vector<std::u16string> suggestions(const spell::SpellingError& error) override {
        requireRunning();
        return dictionary_->suggest(error.text);
    }

    void close() override { token_.clear(); }

    void quit() override {
        token_.clear();
        dictionary_.reset();
    }

private:
    void requireRunning() const {
        if (!dictionary_)
            raise(err::AutomationError, u"The spelling checker has been quit",
                  std::u16string(kSource));
    }

    std::shared_ptr<Dictionary> dictionary_;
    std::u16string languageNotice_;
    std::u16string token_;
};

class HunspellFactory final : public spell::SpellCheckerFactory {
public:
    explicit HunspellFactory(DictionaryOptions options) : options_(std::move(options)) {
        if (options_.language.empty()) options_.language = environmentLanguage();
    }

    std::unique_ptr<spell::SpellChecker> create(std::u16string_view className) override {
        if (!equalsIgnoringAsciiCase(className, spell::kCheckerClass))
            raise(err::CannotCreateObject, std::u16string(kSource));
        if (!loaded_) loaded_ = load();
        return std::make_unique<HunspellChecker>(loaded_, languageNotice());
    }

    std::u16string requirement() const override {
        const auto chosen =
            chooseDictionary(options_.language, installedDictionaries(options_.folder));
        if (!chosen) {
            std::string wanted = options_.language.empty() || options_.language == "en_US"
                                     ? std::string("en_US")
                                     : options_.language + " or en_US";
            return u"a Hunspell dictionary (" + fromUtf8(wanted) + u") installed on your computer.";
        }
        if (!usable(*chosen))
            return u"a readable Hunspell dictionary (" + fromUtf8(*chosen) +
                   u") installed on your computer.";
        return u"a Hunspell dictionary (" + fromUtf8(*chosen) + u") installed on your computer.";
    }

private:
    // Said when the dictionary is of another language than the user's: German words are then
    // flagged, and the user should know why.
    std::u16string languageNotice() const {
        const std::string wanted = options_.language.substr(0, options_.language.find('_'));
        const std::string used = loadedName_.substr(0, loadedName_.find('_'));
        if (wanted.empty() || wanted == used) return {};
        // The fallback is English; another language is named by its dictionary.
        const std::string name = used == "en" ? std::string("English") : loadedName_;
        return fromUtf8(name + " suggestions: no " + options_.language + " dictionary");
    }

    std::filesystem::path file(const std::string& name, const char* extension) const {
        return std::filesystem::path(options_.folder) / (name + extension);
    }

    bool usable(const std::string& name) const {
        if (!readable(file(name, ".aff")) || !readable(file(name, ".dic"))) return false;
        if (failed_ == name) return false;
        return true;
    }

    std::shared_ptr<Dictionary> load() {
        const auto chosen =
            chooseDictionary(options_.language, installedDictionaries(options_.folder));
        if (!chosen)
            raise(err::CannotCreateObject,
                  u"No Hunspell dictionary for " + fromUtf8(options_.language) + u" or en_US in " +
                      fromUtf8(options_.folder),
                  std::u16string(kSource));
        if (!usable(*chosen))
            raise(err::CannotCreateObject,
                  u"The Hunspell dictionary " + fromUtf8(*chosen) + u" cannot be read",
                  std::u16string(kSource));
        try {
            auto dictionary =
                std::make_shared<Dictionary>(file(*chosen, ".aff"), file(*chosen, ".dic"));
            loadedName_ = *chosen;
            return dictionary;
        } catch (const std::runtime_error& e) {
            failed_ = *chosen;
            raise(err::CannotCreateObject, fromUtf8(e.what()), std::u16string(kSource));
        }
    }

    DictionaryOptions options_;
    std::shared_ptr<Dictionary> loaded_;  // kept for the next runs: loading takes a while
    std::string loadedName_;              // its name, such as en_US
    std::string failed_;                  // a dictionary whose encoding cannot be converted
};

}  // namespace

std::unique_ptr<spell::SpellCheckerFactory> makeSpellCheckerFactory(const Locale&) {
    return makeSpellCheckerFactory(DictionaryOptions{});
}

std::unique_ptr<spell::SpellCheckerFactory> makeSpellCheckerFactory(DictionaryOptions options) {
    return std::make_unique<HunspellFactory>(std::move(options));
}

}  // namespace penwick::hunspell
