// The order of suggestions, fed with what Hunspell's en_US dictionary answers for common
// typos, so that the rules are pinned without the dictionary installed.

#include <gtest/gtest.h>

#include <map>

#include "hunspell/ranking.h"
#include "util/text.h"

namespace penwick::hunspell {
namespace {

using Strings = std::vector<std::u16string>;

// The engine's answers, as en_US gives them.
const std::map<std::u16string, Strings> kEngine = {
    {u"Teh",
     {u"Te", u"Th", u"Eh", u"Tet", u"Ted", u"Meh", u"Tex", u"Neh", u"TeX", u"T eh", u"Te h", u"The",
      u"Teth", u"Tech", u"Tee"}},
    {u"teh",
     {u"the", u"eh", u"teth", u"tech", u"tee", u"tea", u"ten", u"ter", u"tel", u"ted", u"meh",
      u"Neh", u"t eh"}},
    {u"Dont",
     {u"Don", u"Dot", u"Dons", u"Dona", u"Donn", u"Dort", u"Cont", u"Font", u"Wont", u"Mont",
      u"Don t", u"Dint", u"Don't"}},
    {u"dont", {u"font", u"dint", u"don", u"dot", u"don't", u"done", u"dent"}},
    {u"clent", {u"cent", u"lent", u"client", u"cleat", u"cleft", u"c lent", u"clement"}},
    {u"alot", {u"a lot", u"alto", u"slot", u"alt", u"lot", u"allot"}},
    {u"Im", {u"In", u"I", u"M", u"Imp", u"I'm", u"Em"}},
    {u"im", {u"in", u"I", u"m", u"imp", u"I'm", u"em"}},
    {u"emial", {u"email", u"e-mail", u"e mail"}},
};

Strings engine(std::u16string_view word) {
    const auto found = kEngine.find(std::u16string(word));
    return found == kEngine.end() ? Strings{} : found->second;
}

Strings ranked(std::u16string_view word) {
    return rankSuggestions(word, engine(word), engine);
}

TEST(SuggestionRanking, PutsTheLikelyWordFirst) {
    struct Row {
        std::u16string typo, first;
    };
    for (const Row& row : {Row{u"Teh", u"The"}, Row{u"teh", u"the"}, Row{u"Dont", u"Don't"},
                           Row{u"dont", u"don't"}, Row{u"Im", u"I'm"}, Row{u"alot", u"a lot"}}) {
        const Strings got = ranked(row.typo);
        ASSERT_FALSE(got.empty()) << toUtf8(row.typo);
        EXPECT_EQ(got.front(), row.first) << toUtf8(row.typo);
    }
}

TEST(SuggestionRanking, DropsSplitsOffALoneLetterButKeepsRealWords) {
    EXPECT_EQ(ranked(u"clent"),
              (Strings{u"cent", u"lent", u"client", u"cleat", u"cleft", u"clement"}));
    const Strings teh = ranked(u"Teh");
    for (const std::u16string split : {u"T eh", u"Te h", u"t eh"})
        EXPECT_EQ(std::count(teh.begin(), teh.end(), split), 0) << toUtf8(split);
    EXPECT_EQ(ranked(u"emial"), (Strings{u"email", u"e-mail"}));  // a hyphen is no split
}

TEST(SuggestionRanking, CapitalisedWordOffersItsLowerCaseSuggestionsCapitalisedThenItsOwn) {
    const Strings got = ranked(u"Teh");
    const Strings head(got.begin(), got.begin() + 4);
    EXPECT_EQ(head, (Strings{u"The", u"Eh", u"Teth", u"Tech"}));
    // Each word once, though both lists hold "The", "Tech" and "Neh".
    for (const std::u16string& s : got) EXPECT_EQ(std::count(got.begin(), got.end(), s), 1);
    EXPECT_NE(std::find(got.begin(), got.end(), u"TeX"), got.end());
}

TEST(SuggestionRanking, LeavesOtherWordsInTheEnginesOrderAndAsksNoMore) {
    int asked = 0;
    const SuggestFn counting = [&](std::u16string_view w) {
        ++asked;
        return engine(w);
    };
    for (std::u16string word : {u"clent", u"CLENT", u"McDonld", u""}) {
        const Strings own = engine(word);
        EXPECT_EQ(rankSuggestions(word, own, counting).size(), word == u"clent" ? 6u : own.size());
    }
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace penwick::hunspell
