#pragma once
// What every checker behind spell::SpellCheckerFactory must do, as the spell check relies on
// it: one suite, run against each platform's implementation. A platform supplies a World type
// whose checker knows the words meet, the, then, ten, tea, client, today and note, and not
// "teh" (suggesting "the") nor "clent" (suggesting "client"):
//
//   spell::SpellCheckerFactory& factory();
//
// and instantiates: INSTANTIATE_TYPED_TEST_SUITE_P(Name, SpellCheckerContract, Types<World>).

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "spell/speller.h"
#include "util/failure.h"

namespace penwick::testing {

template <class World>
class SpellCheckerContract : public ::testing::Test {
protected:
    void SetUp() override {
        checker = world.factory().create(spell::kCheckerClass);
        checker->start();
    }
    void TearDown() override {
        if (!checker) return;
        checker->close();
        checker->quit();
    }
    std::vector<spell::SpellingError> errorsOf(std::u16string_view token) {
        checker->setToken(token);
        return checker->spellingErrors();
    }
    static bool contains(const std::vector<std::u16string>& words, std::u16string_view w) {
        return std::find(words.begin(), words.end(), w) != words.end();
    }

    World world;
    std::unique_ptr<spell::SpellChecker> checker;
};

TYPED_TEST_SUITE_P(SpellCheckerContract);

TYPED_TEST_P(SpellCheckerContract, KnownWordsHaveNoErrorWhateverTheirCapitals) {
    EXPECT_TRUE(this->errorsOf(u"Meet").empty());
    EXPECT_TRUE(this->errorsOf(u"today").empty());
    EXPECT_TRUE(this->errorsOf(u"client.").empty());
}

TYPED_TEST_P(SpellCheckerContract, AMisspelledWordComesWithItsPositionAndSuggestions) {
    const auto errors = this->errorsOf(u"teh");
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), (spell::SpellingError{u"teh", 1}));
    EXPECT_TRUE(this->contains(this->checker->suggestions(errors.front()), u"the"));
}

TYPED_TEST_P(SpellCheckerContract, PunctuationAndALineBreakStayOutsideTheMisspelledWord) {
    const auto comma = this->errorsOf(u"clent,");
    ASSERT_FALSE(comma.empty());
    EXPECT_EQ(comma.front(), (spell::SpellingError{u"clent", 1}));
    EXPECT_TRUE(this->contains(this->checker->suggestions(comma.front()), u"client"));

    const auto nextLine = this->errorsOf(u"note\r\nteh");
    ASSERT_FALSE(nextLine.empty());
    EXPECT_EQ(nextLine.front(), (spell::SpellingError{u"teh", 7}));
}

TYPED_TEST_P(SpellCheckerContract, EachTokenReplacesTheOneBefore) {
    ASSERT_FALSE(this->errorsOf(u"teh").empty());
    EXPECT_TRUE(this->errorsOf(u"the").empty());
    EXPECT_TRUE(this->errorsOf(u"").empty());
}

TYPED_TEST_P(SpellCheckerContract, ItNamesWhatItNeedsWhenItCannotBeCreated) {
    EXPECT_FALSE(this->world.factory().requirement().empty());
}

REGISTER_TYPED_TEST_SUITE_P(SpellCheckerContract, KnownWordsHaveNoErrorWhateverTheirCapitals,
                            AMisspelledWordComesWithItsPositionAndSuggestions,
                            PunctuationAndALineBreakStayOutsideTheMisspelledWord,
                            EachTokenReplacesTheOneBefore, ItNamesWhatItNeedsWhenItCannotBeCreated);

}  // namespace penwick::testing
