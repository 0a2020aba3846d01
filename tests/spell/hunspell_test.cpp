// The Hunspell checker: which words of a token it questions, which dictionary it takes, the
// dictionary's own encoding, and a smoke run on Debian's en_US.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "hunspell/dictionaries.h"
#include "hunspell/encoding.h"
#include "hunspell/factory.h"
#include "hunspell/words.h"
#include "support/app_harness.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using hunspell::DictionaryOptions;
using hunspell::makeSpellCheckerFactory;
using Strings = std::vector<std::u16string>;

std::unique_ptr<spell::SpellChecker> checkerFor(spell::SpellCheckerFactory& factory) {
    auto checker = factory.create(u"Word.Application");
    checker->start();
    return checker;
}

std::vector<spell::SpellingError> errorsIn(spell::SpellChecker& checker, std::u16string token) {
    checker.setToken(token);
    return checker.spellingErrors();
}

TEST(HunspellWords, WordsRunThroughApostrophesAndHyphensButNotPunctuationOrBreaks) {
    const std::pair<std::u16string, Strings> cases[] = {
        {u"don't", {u"don't"}},
        {u"'quoted',", {u"quoted"}},
        {u"well-known.", {u"well-known"}},
        {u"teh\r\nclent", {u"teh", u"clent"}},
        {u"(a,b)", {u"a", u"b"}},
        {u"caf\u00E9\u2019s", {u"caf\u00E9\u2019s"}},
        {u"http://teh.example/clent", {}},
        {u"(www.teh.example)", {}},
        {u"<pat@teh.example>", {}},
        {u"pat@teh", {u"pat", u"teh"}},  // no domain: not an address
    };
    for (const auto& [token, expected] : cases) {
        Strings found;
        for (const auto& w : hunspell::wordsOf(token)) {
            EXPECT_EQ(token.substr(w.offset, w.text.size()), w.text);
            found.emplace_back(w.text);
        }
        EXPECT_EQ(found, expected) << toUtf8(token);
    }
    for (std::u16string exempt : {u"NASA", u"2nd", u"A4", u"\u00C9T\u00C9", u"ISO-8859"})
        EXPECT_TRUE(hunspell::isExempt(exempt)) << toUtf8(exempt);
    for (std::u16string checked : {u"I", u"Teh", u"NASA's"})
        EXPECT_FALSE(hunspell::isExempt(checked)) << toUtf8(checked);
}

TEST(HunspellChecker, ReportsEachMisspelledWordWithItsPositionAndSuggestions) {
    auto factory = makeSpellCheckerFactory(DictionaryOptions{PENWICK_SPELL_DATA, "penwick_test"});
    auto checker = checkerFor(*factory);
    EXPECT_EQ(errorsIn(*checker, u"(teh)clent!"),
              (std::vector<spell::SpellingError>{{u"teh", 2}, {u"clent", 6}}));
    EXPECT_EQ(errorsIn(*checker, u"well-knwon"),
              (std::vector<spell::SpellingError>{{u"well-knwon", 1}}));
    EXPECT_EQ(errorsIn(*checker, u"dont"), (std::vector<spell::SpellingError>{{u"dont", 1}}));
    for (std::u16string fine : {u"Meet", u"CLIENT", u"don't", u"well-known,", u"TEHX", u"3teh",
                                u"https://teh.example", u"pat@clent.example", u"I"})
        EXPECT_TRUE(errorsIn(*checker, fine).empty()) << toUtf8(fine);

    EXPECT_EQ(checker->suggestions({u"teh", 2}), (Strings{u"the", u"tea", u"ten"}));
    EXPECT_EQ(checker->suggestions({u"well-knwon", 1}), (Strings{u"well-known"}));
    EXPECT_TRUE(checker->suggestions({u"qzxv", 1}).empty());
    checker->close();
    checker->quit();
    EXPECT_THROW(checker->setToken(u"teh"), Failure);
}

TEST(HunspellDictionaries, LanguageAndRegionThenLanguageThenEnglish) {
    using hunspell::chooseDictionary;
    const std::vector<std::string> german{"de_AT", "de_CH", "de_DE", "en_US"};
    EXPECT_EQ(chooseDictionary("de_AT", german), "de_AT");
    EXPECT_EQ(chooseDictionary("de_LU", german), "de_DE");  // the language's own country first
    EXPECT_EQ(chooseDictionary("de_LU", {"de_AT", "de_CH"}), "de_AT");
    EXPECT_EQ(chooseDictionary("de_LU", {"de", "de_DE"}), "de");
    EXPECT_EQ(chooseDictionary("fr_FR", german), "en_US");
    EXPECT_EQ(chooseDictionary("", german), "en_US");
    EXPECT_EQ(chooseDictionary("fr_FR", {"de_DE"}), std::nullopt);

    EXPECT_EQ(hunspell::languageOfLocaleName("de_AT.UTF-8@euro"), "de_AT");
    EXPECT_EQ(hunspell::languageOfLocaleName("POSIX"), "");
    EXPECT_EQ(hunspell::languageOfLocaleName("C.UTF-8"), "");
    EXPECT_EQ(hunspell::installedDictionaries(PENWICK_SPELL_DATA),
              (std::vector<std::string>{"latin1_test", "penwick_test"}));
    EXPECT_TRUE(hunspell::installedDictionaries("/no/such/folder").empty());
}

TEST(HunspellDictionaries, UnreadableDictionaryIsNamedInTheRequirement) {
    const std::filesystem::path folder = ::testing::TempDir() + "penwick_empty_dictionary";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "en_US.aff").flush();
    std::ofstream(folder / "en_US.dic").flush();
    auto factory = makeSpellCheckerFactory(DictionaryOptions{folder.string(), "en_US"});
    try {
        factory->create(u"word.application");
        ADD_FAILURE() << "an empty dictionary was taken";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::CannotCreateObject);
    }
    EXPECT_EQ(factory->requirement(),
              u"a readable Hunspell dictionary (en_US) installed on your computer.");
}

TEST(HunspellEncoding, Latin1DictionaryIsReadAndWrittenInItsOwnEncoding) {
    auto factory = makeSpellCheckerFactory(DictionaryOptions{PENWICK_SPELL_DATA, "latin1_test"});
    auto checker = checkerFor(*factory);
    EXPECT_TRUE(errorsIn(*checker, u"caf\u00E9,na\u00EFve").empty());
    EXPECT_EQ(checker->suggestions({u"cafe", 1}), (Strings{u"caf\u00E9"}));
    // A letter the dictionary's encoding has no code for: an error, not a crash.
    EXPECT_EQ(errorsIn(*checker, u"caf\u00E9\u03A9"),
              (std::vector<spell::SpellingError>{{u"caf\u00E9\u03A9", 1}}));
    EXPECT_TRUE(checker->suggestions({u"caf\u00E9\u03A9", 1}).empty());

    const hunspell::DictionaryEncoding latin1("ISO8859-1");
    EXPECT_EQ(latin1.encode(u"na\u00EFve"), std::string("na\xEFve"));
    EXPECT_EQ(latin1.decode("caf\xE9"), u"caf\u00E9");
    EXPECT_THROW(hunspell::DictionaryEncoding("NO-SUCH-ENCODING"), std::runtime_error);
}

TEST(HunspellDictionaries, TheDialogSaysWhenSuggestionsAreInEnglishForWantOfTheUsersLanguage) {
    // A machine with only an English dictionary.
    const std::filesystem::path folder = ::testing::TempDir() + "penwick_only_english";
    std::filesystem::create_directories(folder);
    for (const char* extension : {".aff", ".dic"})
        std::filesystem::copy_file(
            std::filesystem::path(PENWICK_SPELL_DATA) / (std::string("penwick_test") + extension),
            folder / (std::string("en_US") + extension),
            std::filesystem::copy_options::overwrite_existing);
    const auto noticeFor = [&](std::string language) {
        auto factory = makeSpellCheckerFactory(DictionaryOptions{folder.string(), language});
        return factory->create(u"word.application")->languageNotice();
    };
    EXPECT_EQ(noticeFor("de_DE"), u"English suggestions: no de_DE dictionary");
    EXPECT_EQ(noticeFor("en_GB"), u"");  // English all the same
    EXPECT_EQ(noticeFor("en_US"), u"");
    EXPECT_EQ(noticeFor(""), u"");  // the C locale asks for no language

    auto german = makeSpellCheckerFactory(DictionaryOptions{folder.string(), "de_DE"});
    AppHarness app(nullptr, german.get());
    FakeWindow& main = app.start();
    std::u16string shown;
    app.ui.onModal("frmSpellCheck", [&](FakeWindow& d) {
        shown = d.control("lblLanguage").text();
        EXPECT_EQ(d.caption(), u"Suggestions");
        d.click("cmdIgnore");
    });
    main.type("txtNote", u"teh");
    main.click("cmdSpellCheck");
    EXPECT_EQ(shown, u"English suggestions: no de_DE dictionary");
}

TEST(HunspellEnglish, SmokeRunOnDebiansDictionary) {
    if (!std::filesystem::exists("/usr/share/hunspell/en_US.dic"))
        GTEST_SKIP() << "Debian's en_US dictionary is not installed";
    auto factory = makeSpellCheckerFactory(DictionaryOptions{hunspell::kDictionaryFolder, "en_US"});
    AppHarness app(nullptr, factory.get());
    FakeWindow& main = app.start();
    Strings badWords;
    const auto take = [&](std::u16string wanted) {
        app.ui.onModal("frmSpellCheck", [&, wanted](FakeWindow& d) {
            badWords.push_back(d.control("txtBadWord").text());
            FakeControl& list = d.control("lstSuggestions");
            for (int i = 0; i < list.listCount(); ++i)
                if (list.listItem(i) == wanted) d.choose("lstSuggestions", i);
            EXPECT_EQ(d.control("txtReplace").text(), wanted) << "not suggested";
            d.click("cmdChange");
        });
    };
    take(u"the");
    take(u"client");
    main.type("txtNote",
              u"Meet teh clent today: NASA's 2nd well-known report, "
              u"see https://example.com or pat@example.com. Don\u2019t worry.");
    main.click("cmdSpellCheck");
    EXPECT_EQ(badWords, (Strings{u"teh", u"clent"}));
    EXPECT_EQ(main.control("txtNote").text(),
              u"Meet the client today: NASA's 2nd well-known report, "
              u"see https://example.com or pat@example.com. Don\u2019t worry.");
    EXPECT_TRUE(app.ui.messages().empty());
}

}  // namespace
}  // namespace penwick::testing
