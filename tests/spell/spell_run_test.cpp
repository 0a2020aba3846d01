// Whole spell checks through the main window's button, on the in-memory front end, with the
// Hunspell checker on the small test dictionary (meet the then ten tea client today note lot a
// don't well known I).

#include <gtest/gtest.h>

#include <filesystem>

#include "hunspell/factory.h"
#include "recorder.h"
#include "support/app_harness.h"
#include "util/failure.h"

namespace penwick::testing {
namespace {

using Strings = std::vector<std::u16string>;
using Answer = std::function<void(FakeWindow&)>;

// What the dialog showed when it opened.
struct Shown {
    std::u16string badWord;
    Strings suggestions;
    std::u16string replaceBox;
};

Answer pick(int index) {
    return [=](FakeWindow& d) {
        d.choose("lstSuggestions", index);
        d.click("cmdChange");
    };
}
Answer typeIn(std::u16string word) {
    return [=](FakeWindow& d) {
        d.type("txtReplace", word);
        d.click("cmdChange");
    };
}
const Answer ignore = [](FakeWindow& d) { d.click("cmdIgnore"); };
const Answer closeBox = [](FakeWindow& d) { d.requestClose(); };

class SpellRun : public ::testing::Test {
protected:
    SpellRun()
        : hunspell_(hunspell::makeSpellCheckerFactory(
              hunspell::DictionaryOptions{PENWICK_SPELL_DATA, "penwick_test"})),
          checker(*hunspell_),
          app(nullptr, &checker),
          main(app.start()),
          note(main.control("txtNote")) {
        checker.note = &note;
    }

    void answer(std::initializer_list<Answer> answers) {
        for (const Answer& a : answers) {
            app.ui.onModal("frmSpellCheck", [this, a](FakeWindow& d) {
                FakeControl& list = d.control("lstSuggestions");
                Shown s{d.control("txtBadWord").text(), {}, d.control("txtReplace").text()};
                for (int i = 0; i < list.listCount(); ++i)
                    s.suggestions.push_back(list.listItem(i));
                shown.push_back(std::move(s));
                a(d);
            });
        }
    }

    std::u16string check(std::u16string_view text) {
        main.type("txtNote", text);
        main.click("cmdSpellCheck");
        return note.text();
    }

    std::vector<std::u16string> badWords() const {
        std::vector<std::u16string> words;
        for (const Shown& s : shown) words.push_back(s.badWord);
        return words;
    }

    void expectNormalEnd() {
        EXPECT_EQ(note.selectionStart(), 0);
        EXPECT_EQ(note.selectionLength(), 0);
        ASSERT_GE(checker.calls.size(), 4u);
        EXPECT_EQ(checker.calls[0], "create");
        EXPECT_EQ(checker.calls[checker.calls.size() - 1], "quit");
        EXPECT_TRUE(app.ui.messages().empty());
        EXPECT_FALSE(app.app->program().ended());
    }

    std::unique_ptr<spell::SpellCheckerFactory> hunspell_;
    Recorder checker;
    AppHarness app;
    FakeWindow& main;
    FakeControl& note;
    std::vector<Shown> shown;
};

TEST_F(SpellRun, ExampleNoteStepByStep) {
    answer({pick(0), typeIn(u"client")});
    EXPECT_EQ(check(u"Meet teh clent today"), u"Meet the client today");
    EXPECT_EQ(checker.tokens,
              (std::vector<TokenCheck>{
                  {u"Meet", 0, 4}, {u"teh", 5, 3}, {u"clent", 9, 5}, {u"today", 16, 5}}));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].badWord, u"teh");
    EXPECT_EQ(shown[0].suggestions, (Strings{u"the", u"tea", u"ten"}));
    EXPECT_EQ(shown[1].badWord, u"clent");
    EXPECT_EQ(shown[1].suggestions, (Strings{u"client"}));
    EXPECT_EQ(checker.calls, (std::vector<std::string>{"create", "start", "close", "quit"}));
    expectNormalEnd();
}

TEST_F(SpellRun, EmptyTokensAreSkippedAndTheLastTokenIsChecked) {
    EXPECT_EQ(check(u""), u"");
    EXPECT_EQ(check(u"   "), u"   ");
    EXPECT_TRUE(checker.tokens.empty());
    EXPECT_EQ(checker.calls.size(), 8u);  // both runs still start and quit the checker

    // Ignore leaves the word; the walk goes on to the last token, which no space follows.
    answer({ignore, ignore});
    EXPECT_EQ(check(u" teh  clent"), u" teh  clent");
    EXPECT_EQ(checker.tokens, (std::vector<TokenCheck>{{u"teh", 1, 3}, {u"clent", 6, 5}}));
    expectNormalEnd();
}

// Only spaces divide tokens: a tab or a line break stays inside the token handed over.
TEST_F(SpellRun, TabsAndLineBreaksStayInsideATokenForTheChecker) {
    EXPECT_EQ(check(u"meet\tthe\r\nclient today"), u"meet\tthe\r\nclient today");
    EXPECT_EQ(checker.tokens,
              (std::vector<TokenCheck>{{u"meet\tthe\r\nclient", 0, 16}, {u"today", 17, 5}}));
    expectNormalEnd();
}

TEST_F(SpellRun, LongerAndShorterReplacementsKeepTheNextTokenInPlace) {
    answer({typeIn(u"then"), typeIn(u"ten"), typeIn(u"te")});
    EXPECT_EQ(check(u"teh clent teh today"), u"then ten te today");
    EXPECT_EQ(checker.tokens,
              (std::vector<TokenCheck>{
                  {u"teh", 0, 3}, {u"clent", 5, 5}, {u"teh", 9, 3}, {u"today", 12, 5}}));
    expectNormalEnd();
}

TEST_F(SpellRun, TwoWordSuggestionIsNotCheckedAgain) {
    answer({pick(1)});
    EXPECT_EQ(check(u"alot today"), u"a lot today");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].suggestions, (Strings{u"lot", u"a lot"}));
    EXPECT_EQ(checker.tokens, (std::vector<TokenCheck>{{u"alot", 0, 4}, {u"today", 6, 5}}));
}

TEST_F(SpellRun, NoSuggestionsStillLetsTheUserTypeOrIgnore) {
    answer({typeIn(u"note"), [](FakeWindow& d) {
                d.doubleClick("lstSuggestions");  // nothing listed, nothing chosen
            }});
    EXPECT_EQ(check(u"qzxv zzqv"), u"note zzqv");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].suggestions.empty());
    EXPECT_EQ(shown[1].replaceBox, u"note");  // the box keeps what it held
    expectNormalEnd();
}

TEST_F(SpellRun, OnlyTheWordIsReplacedInsideALongerToken) {
    answer({pick(0)});
    EXPECT_EQ(check(u"(teh), today"), u"(the), today");
    // The rest of the token is walked on its own, behind the replacement.
    EXPECT_EQ(checker.tokens,
              (std::vector<TokenCheck>{{u"(teh),", 0, 6}, {u"),", 4, 2}, {u"today", 7, 5}}));

    // A line break joins two words into one token; both misspellings are offered in turn.
    shown.clear();
    answer({pick(1), pick(0)});
    EXPECT_EQ(check(u"today teh\r\nclent note"), u"today tea\r\nclient note");
    EXPECT_EQ(badWords(), (Strings{u"teh", u"clent"}));
    EXPECT_EQ(checker.tokens.back(), (TokenCheck{u"note", 18, 4}));
    expectNormalEnd();
}

TEST_F(SpellRun, IgnoringTheFirstOfTwoErrorsInATokenOffersTheSecond) {
    answer({ignore, typeIn(u"client")});
    EXPECT_EQ(check(u"teh,clent"), u"teh,client");
    EXPECT_EQ(badWords(), (Strings{u"teh", u"clent"}));
}

TEST_F(SpellRun, CloseBoxEndsTheCheckAndKeepsReplacementsMade) {
    answer({pick(0), closeBox});
    EXPECT_EQ(check(u"teh clent teh"), u"the clent teh");
    EXPECT_EQ(checker.tokens.size(), 2u);
    EXPECT_EQ(app.ui.find("frmSpellCheck"), nullptr);
    expectNormalEnd();

    // The next run builds the dialog anew: its replacement box starts empty.
    answer({ignore});
    check(u"teh");
    EXPECT_EQ(shown.back().replaceBox, u"");
}

TEST_F(SpellRun, ReplacementBoxCarriesOverToTheNextRun) {
    answer({typeIn(u"then")});
    check(u"teh");
    answer({[](FakeWindow& d) { d.click("cmdChange"); }});
    EXPECT_EQ(check(u"today tehn"), u"today then");
    EXPECT_EQ(shown.back().replaceBox, u"then");
    EXPECT_EQ(app.ui.window("frmSpellCheck").raisedCount(), 2);
}

TEST_F(SpellRun, SuggestionWithOuterSpacesDoesNotShiftTheWalk) {
    checker.suggestions = [](const spell::SpellingError&) { return Strings{u" the "}; };
    answer({[](FakeWindow& d) {
                d.control("lstSuggestions").setListIndex(0);
                d.doubleClick("lstSuggestions");  // stored as listed, spaces and all
            },
            ignore});
    EXPECT_EQ(check(u"teh clent"), u"the clent");
    EXPECT_EQ(checker.tokens, (std::vector<TokenCheck>{{u"teh", 0, 3}, {u"clent", 4, 5}}));
}

TEST_F(SpellRun, InvalidPropertyValueIsClearedAndTheRunGoesOn) {
    checker.before = [](std::string_view call, std::size_t token) {
        if (call == "spellingErrors" && token == 0) raise(err::InvalidPropertyValue, u"test");
    };
    answer({pick(0)});
    EXPECT_EQ(check(u"teh clent"), u"teh client");
    expectNormalEnd();
}

TEST_F(SpellRun, OtherFailureIsReportedAndEndsTheRunWhereItStands) {
    checker.before = [](std::string_view call, std::size_t token) {
        if (call == "setToken" && token == 2)
            raise(err::AutomationError, u"The checker stopped", u"test");
    };
    answer({pick(0)});
    EXPECT_EQ(check(u"teh today clent note"), u"the today clent note");
    ASSERT_EQ(app.ui.messages().size(), 1u);
    EXPECT_EQ(app.ui.messages()[0].prompt, u"Error: 440\r\n\r\nThe checker stopped");
    EXPECT_EQ(app.ui.messages()[0].style, ui::MessageStyle::InformationOk);
    EXPECT_EQ(app.ui.messages()[0].title, u"Penwick");
    EXPECT_EQ(checker.tokens.size(), 2u);
    EXPECT_EQ(note.selectionStart(), 10);  // still on "clent"
    EXPECT_EQ(note.selectionLength(), 5);
    EXPECT_FALSE(app.app->program().ended());
}

TEST(SpellRunWithoutEngine, TellsWhatIsMissingAndLeavesTheNote) {
    const auto check = [](spell::SpellCheckerFactory* factory) {
        AppHarness app(nullptr, factory);
        FakeWindow& main = app.start();
        main.type("txtNote", u"teh");
        main.click("cmdSpellCheck");
        EXPECT_EQ(main.control("txtNote").text(), u"teh");
        EXPECT_EQ(app.ui.find("frmSpellCheck"), nullptr);
        EXPECT_FALSE(app.app->program().ended());
        EXPECT_EQ(app.ui.messages().size(), 1u);
        return app.ui.messages().empty() ? ShownMessage{} : app.ui.messages()[0];
    };
    const ShownMessage missing = check(nullptr);
    EXPECT_EQ(missing.prompt,
              u"Sorry the spell checker requires that you have\r\na spelling checker");
    EXPECT_EQ(missing.style, ui::MessageStyle::InformationOk);
    EXPECT_EQ(missing.title, u"Penwick");

    const std::string empty = ::testing::TempDir() + "penwick_no_dictionaries";
    std::filesystem::create_directories(empty);
    auto none = hunspell::makeSpellCheckerFactory(hunspell::DictionaryOptions{empty, "de_AT"});
    EXPECT_EQ(check(none.get()).prompt,
              u"Sorry the spell checker requires that you have\r\n"
              u"a Hunspell dictionary (de_AT or en_US) installed on your computer.");
}

}  // namespace
}  // namespace penwick::testing
