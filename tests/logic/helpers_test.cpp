// The path and file helpers, the date pattern and formatting, and the credential scrambling.

#include <gtest/gtest.h>

#include "lookup/scramble.h"
#include "note/dates.h"
#include "support/fakes.h"
#include "util/codepage.h"
#include "util/failure.h"
#include "util/paths.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using namespace penwick::note;

using namespace std::chrono;

TEST(FileExists, FindsOrdinaryFilesAndPatterns) {
    FakePlatform platform;
    platform.addFile(u"C:\\Docs\\offer.txt");
    EXPECT_TRUE(FileExists(platform, u"C:\\Docs\\offer.txt"));
    EXPECT_TRUE(FileExists(platform, u"C:\\Docs\\*.txt"));
    EXPECT_TRUE(FileExists(platform, u"C:\\Docs\\offe?.txt"));
    EXPECT_FALSE(FileExists(platform, u"C:\\Docs\\offer.doc"));
    EXPECT_FALSE(FileExists(platform, u""));
}

TEST(FileExists, AFailingSearchAnswersFalse) {
    FakePlatform platform;
    platform.addFile(u"A:\\offer.txt");
    platform.failSearches(true);
    EXPECT_FALSE(FileExists(platform, u"A:\\offer.txt"));
}

TEST(EnsureTrailingChar, AppendsOnlyWhatIsMissingAndTrimsTheCallersText) {
    struct Case {
        std::u16string in, result, trimmed;
    };
    const Case cases[] = {
        {u"C:\\Program Files\\Tool", u"C:\\Program Files\\Tool\\", u"C:\\Program Files\\Tool"},
        {u"C:\\", u"C:\\", u"C:\\"},
        {u" C:\\Tool ", u"C:\\Tool\\", u"C:\\Tool"},
        {u"", u"\\", u""},
        {u"   ", u"\\", u""},
        {u"\tC:\\Tool", u"\tC:\\Tool\\", u"\tC:\\Tool"},  // tabs are not trimmed
    };
    for (const Case& c : cases) {
        std::u16string text = c.in;
        EXPECT_EQ(EnsureTrailingChar(text, u"\\"), c.result);
        EXPECT_EQ(text, c.trimmed);
    }
    std::u16string posix = u"/opt/penwick";
    EXPECT_EQ(EnsureTrailingChar(posix, u"/"), u"/opt/penwick/");
}

TEST(FolderOfPath, TakesTheTextBeforeTheLastSeparator) {
    EXPECT_EQ(FolderOfPath(u"C:\\Data\\Letter.doc"), u"C:\\Data");
    EXPECT_EQ(FolderOfPath(u"C:\\Letter.doc"), u"C:");
    EXPECT_EQ(FolderOfPath(u"C:Letter.doc"), u"C:");
    EXPECT_EQ(FolderOfPath(u"C:\\Data\\"), u"C:\\Data");
    EXPECT_EQ(FolderOfPath(u"\\Letter.doc"), u"");
    EXPECT_EQ(FolderOfPath(u"Letter.doc"), u"");
    EXPECT_EQ(FolderOfPath(u""), u"");
    EXPECT_EQ(FolderOfPath(u"C:/Data/Letter.doc"), u"C:");
}

TEST(FolderOfPath, OnPosixCutsAtTheLastSlashOnly) {
    EXPECT_EQ(FolderOfPath(u"/home/pat/Letter.doc", PathStyle::Posix), u"/home/pat");
    EXPECT_EQ(FolderOfPath(u"/Letter.doc", PathStyle::Posix), u"/");
    EXPECT_EQ(FolderOfPath(u"Letter.doc", PathStyle::Posix), u"");
    // ":" and "\" are ordinary characters of a POSIX file name.
    EXPECT_EQ(FolderOfPath(u"/home/u/notes:v2.txt", PathStyle::Posix), u"/home/u");
    EXPECT_EQ(FolderOfPath(u"/home/u/a\\b.txt", PathStyle::Posix), u"/home/u");
    EXPECT_EQ(FolderOfPath(u"/home/u:x/b.txt", PathStyle::Posix), u"/home/u:x");
}

TEST(FileNameOfPath, TakesTheTextAfterTheLastSeparator) {
    EXPECT_EQ(FileNameOfPath(u"C:\\Data\\contacts.dbf"), u"contacts.dbf");
    EXPECT_EQ(FileNameOfPath(u"C:/Data/contacts.dbf"), u"contacts.dbf");
    EXPECT_EQ(FileNameOfPath(u"C:contacts.dbf"), u"contacts.dbf");
    EXPECT_EQ(FileNameOfPath(u"C:\\Data\\"), u"");
    EXPECT_EQ(FileNameOfPath(u"contacts.dbf"), u"");
    EXPECT_EQ(FileNameOfPath(u""), u"");
}

// A server's options may hold paths and colons of their own; its section is the database's
// name, whatever follows it.
TEST(SettingsSectionOf, IsTheFileNameOrTheServerDatabasesName) {
    EXPECT_EQ(SettingsSectionOf(u"C:\\Data\\contacts.dbf"), u"contacts.dbf");
    EXPECT_EQ(SettingsSectionOf(u"/home/ann/team.pwdb"), u"team.pwdb");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://db.example.com:5433/team"), u"team");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://ann@db.example.com/team?sslmode=verify-full&"
                                u"sslrootcert=/etc/ssl/ca.crt"),
              u"team");
    EXPECT_EQ(SettingsSectionOf(u"postgres:///team?host=/var/run/postgresql"), u"team");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://host/K%C3%B6ln%20Sales"), u"K\u00f6ln Sales");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://host/100%"), u"100%");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://host/Sales%21"), u"Sales!");  // an escape last
    EXPECT_EQ(SettingsSectionOf(u"postgresql://host/Sales%2"), u"Sales%2");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://host"), u"");
    EXPECT_EQ(SettingsSectionOf(u"postgresql://host?sslmode=require&dbname=team"), u"team");
}

constexpr year_month_day kSixthOfDecember{year{2026}, December, day{6}};

TEST(EqualsIgnoringAsciiCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(equalsIgnoringAsciiCase(u"ACTOLE.Database", u"actole.DATABASE"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"ACTOLE.DATABASE", u"ACTOLE.DATABASES"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"Word", u"Wor"));
    // Letters outside ASCII, and the characters next to the ASCII letters, stay apart.
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"\u00C9", u"\u00E9"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"@[", u"`{"));
    EXPECT_TRUE(equalsIgnoringAsciiCase(u"", u""));
}

TEST(UserShortDatePattern, UsesThePatternAsTheSystemGivesIt) {
    EXPECT_EQ(userShortDatePattern(FakeLocale(u"M/d/yyyy")), u"M/d/yyyy");
    EXPECT_EQ(userShortDatePattern(FakeLocale(u"d/M/yy")), u"d/M/yy");
    EXPECT_EQ(userShortDatePattern(FakeLocale(std::nullopt)), u"DD/MM/YYYY");
    EXPECT_EQ(userShortDatePattern(FakeLocale(std::u16string(127, u'd'))),
              std::u16string(127, u'd'));
    EXPECT_EQ(userShortDatePattern(FakeLocale(std::u16string(128, u'd'))), u"DD/MM/YYYY");
}

TEST(UserShortDatePattern, PassesOtherFailuresOnUnderItsOwnName) {
    class BrokenLocale final : public Locale {
    public:
        std::optional<std::u16string> shortDatePattern() const override {
            raise(err::OutOfMemory, u"LocaleService");
        }
        std::u16string dateSeparator() const override { return u"/"; }
        std::u16string monthName(unsigned, bool) const override { return {}; }
        std::u16string dayName(weekday, bool) const override { return {}; }
    };
    try {
        userShortDatePattern(BrokenLocale{});
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::OutOfMemory);
        EXPECT_EQ(f.source(), u"GetDateFormat");
        EXPECT_FALSE(f.description().empty());
    }
}

TEST(FormatDateByPattern, WritesTheCommonShortPatterns) {
    struct Case {
        std::u16string pattern, separator, expected;
    };
    const Case cases[] = {
        {u"M/d/yyyy", u"/", u"12/6/2026"},      // United States
        {u"dd/MM/yyyy", u"/", u"06/12/2026"},   // United Kingdom
        {u"dd.MM.yyyy", u".", u"06.12.2026"},   // Germany: the dots are copied
        {u"d/M/yy", u"-", u"6-12-26"},          // the slash is the user's separator
        {u"yyyy/MM/dd", u"/", u"2026/12/06"},   // Japan
        {u"yyyy-MM-dd", u"/", u"2026-12-06"},   // ISO
        {u"DD/MM/YYYY", u"/", u"06/12/2026"},   // the fallback, in capitals
        {u"d. M. yyyy", u"/", u"6. 12. 2026"},  // Czech
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            FormatDateByPattern(kSixthOfDecember, c.pattern, FakeLocale(c.pattern, c.separator)),
            c.expected)
            << std::string(c.pattern.begin(), c.pattern.end());
}

TEST(FormatDateByPattern, WritesNamesQuotedTextAndTheEra) {
    const FakeLocale english;
    EXPECT_EQ(FormatDateByPattern(kSixthOfDecember, u"dddd, MMMM d, yyyy", english),
              u"Sunday, December 6, 2026");
    EXPECT_EQ(FormatDateByPattern(kSixthOfDecember, u"ddd d MMM yy", english), u"Sun 6 Dec 26");
    EXPECT_EQ(FormatDateByPattern(kSixthOfDecember, u"d 'de' MMMM 'de' yyyy", english),
              u"6 de December de 2026");
    EXPECT_EQ(FormatDateByPattern(kSixthOfDecember, u"'It''s' d", english), u"It's 6");
    EXPECT_EQ(FormatDateByPattern(kSixthOfDecember, u"d/M/yyyy g", english), u"6/12/2026 A.D.");

    FakeLocale german(u"dd.MM.yyyy", u".");
    german.setNames(
        {u"Januar", u"Februar", u"März", u"April", u"Mai", u"Juni", u"Juli", u"August",
         u"September", u"Oktober", u"November", u"Dezember"},
        {u"Sonntag", u"Montag", u"Dienstag", u"Mittwoch", u"Donnerstag", u"Freitag", u"Samstag"});
    EXPECT_EQ(FormatDateByPattern(kSixthOfDecember, u"dddd, d. MMMM yyyy", german),
              u"Sonntag, 6. Dezember 2026");
    EXPECT_EQ(FormatDateByPattern(year_month_day{year{2027}, March, day{1}}, u"d. MMMM", german),
              u"1. März");
}

TEST(FormatDateByPattern, PadsSmallYearsAndDays) {
    const FakeLocale english;
    EXPECT_EQ(
        FormatDateByPattern(year_month_day{year{2005}, January, day{9}}, u"dd/MM/yy", english),
        u"09/01/05");
    EXPECT_EQ(FormatDateByPattern(year_month_day{year{987}, January, day{9}}, u"yyyy", english),
              u"0987");
}

TEST(ScrambleText, RoundTripsEveryCodeOfTheCodePage) {
    const Windows1252 cp;
    std::u16string all;
    for (int code = 0; code < 256; ++code) {
        const char16_t c = cp.fromAnsi(static_cast<std::uint8_t>(code));
        if (cp.toAnsi(c) == code)
            all.push_back(c);  // codes the page leaves undefined read back as '?'
    }
    ASSERT_GE(all.size(), 251u);
    const std::u16string once = lookup::ScrambleText(all, lookup::kScrambleKey, cp);
    EXPECT_EQ(once.size(), all.size());
    EXPECT_NE(once, all);
    EXPECT_EQ(lookup::ScrambleText(once, lookup::kScrambleKey, cp), all);
}

TEST(ScrambleText, RollsTheKeyForwardBySeventeenPerPass) {
    const Windows1252 cp;
    const std::u16string key = u"Ab";  // 65, 98
    // Zeros show the key stream itself: 65, 98, 82, 115, 99 (=82+17), 132 (=115+17).
    const std::u16string zeros(6, u'\0');
    const std::u16string stream = lookup::ScrambleText(zeros, key, cp);
    const int expected[] = {65, 98, 82, 115, 99, 132};
    ASSERT_EQ(stream.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cp.toAnsi(stream[i]), expected[i]) << i;
    // A character whose code equals the key value at its place becomes code 0.
    EXPECT_EQ(lookup::ScrambleText(u"A", key, cp), std::u16string(1, u'\0'));
    // The stream wraps modulo 256.
    const std::u16string wrap = lookup::ScrambleText(std::u16string(30, u'\0'), u"\u00f0", cp);
    EXPECT_EQ(cp.toAnsi(wrap[1]), (0xf0 + 17) & 255);
}

TEST(ScrambleText, EmptyTextAndEmptyKey) {
    const Windows1252 cp;
    EXPECT_EQ(lookup::ScrambleText(u"", lookup::kScrambleKey, cp), u"");
    try {
        lookup::ScrambleText(u"secret", u"", cp);
        FAIL() << "an empty key must fail";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::InvalidCall);
    }
}

TEST(ScrambleText, TakesCharactersOutsideTheCodePageAsQuestionMarks) {
    const Windows1252 cp;
    const std::u16string back = lookup::ScrambleText(
        lookup::ScrambleText(u"p\u0101ss", lookup::kScrambleKey, cp), lookup::kScrambleKey, cp);
    EXPECT_EQ(back, u"p?ss");
    EXPECT_EQ(cp.toAnsi(u'\u20ac'), 0x80);  // the euro sign, where Latin-1 has a control code
}

}  // namespace
}  // namespace penwick::testing
