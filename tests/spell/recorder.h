#pragma once
// A checker factory that passes every call on to a real engine and records what the run asked
// of it, with the note's selection at each token; failures and suggestions can be put in.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "spell/speller.h"
#include "support/fake_ui.h"
#include "util/text.h"

namespace penwick::testing {

struct TokenCheck {
    std::u16string token;
    int selectionStart;
    int selectionLength;
    bool operator==(const TokenCheck&) const = default;
};

inline void PrintTo(const TokenCheck& t, std::ostream* os) {
    *os << '"' << toUtf8(t.token) << "\" at " << t.selectionStart << '+' << t.selectionLength;
}

class Recorder final : public spell::SpellCheckerFactory {
public:
    explicit Recorder(spell::SpellCheckerFactory& engine) : engine_(engine) {}

    std::unique_ptr<spell::SpellChecker> create(std::u16string_view className) override {
        calls.push_back("create");
        return std::make_unique<Checker>(*this, engine_.create(className));
    }
    std::u16string requirement() const override { return engine_.requirement(); }

    FakeControl* note = nullptr;     // whose selection is recorded with each token
    std::vector<std::string> calls;  // "create", "start", "close", "quit"
    std::vector<TokenCheck> tokens;
    // Runs before each call on a token ("setToken", "spellingErrors", "suggestions") with the
    // token's number from 0; may raise a failure as the checker would.
    std::function<void(std::string_view call, std::size_t token)> before = [](auto, auto) {};
    // Replaces the engine's suggestions when set.
    std::function<std::vector<std::u16string>(const spell::SpellingError&)> suggestions;

private:
    class Checker final : public spell::SpellChecker {
    public:
        Checker(Recorder& r, std::unique_ptr<spell::SpellChecker> engine)
            : r_(r), engine_(std::move(engine)) {}
        void start() override {
            r_.calls.push_back("start");
            engine_->start();
        }
        void setToken(std::u16string_view token) override {
            r_.before("setToken", r_.tokens.size());
            r_.tokens.push_back({std::u16string(token), r_.note ? r_.note->selectionStart() : -1,
                                 r_.note ? r_.note->selectionLength() : -1});
            engine_->setToken(token);
        }
        std::vector<spell::SpellingError> spellingErrors() override {
            r_.before("spellingErrors", r_.tokens.size() - 1);
            return engine_->spellingErrors();
        }
        std::vector<std::u16string> suggestions(const spell::SpellingError& error) override {
            r_.before("suggestions", r_.tokens.size() - 1);
            return r_.suggestions ? r_.suggestions(error) : engine_->suggestions(error);
        }
        void close() override {
            r_.calls.push_back("close");
            engine_->close();
        }
        void quit() override {
            r_.calls.push_back("quit");
            engine_->quit();
        }

    private:
        Recorder& r_;
        std::unique_ptr<spell::SpellChecker> engine_;
    };

    spell::SpellCheckerFactory& engine_;
};

}  // namespace penwick::testing
