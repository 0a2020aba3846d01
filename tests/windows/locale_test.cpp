#include "windows/win_locale.h"

#include <gtest/gtest.h>

#include "lookup/scramble.h"
#include "note/date_parse.h"
#include "windows/ansi_code_page.h"
#include "windows/wide.h"

namespace penwick::windows {
namespace {

using namespace std::chrono;
// The system reads the text; the program's own year for dates without one plays no part.
std::optional<year_month_day> parseDate(std::u16string_view text, const Locale& locale) {
    return note::parseDate(text, locale, year{2026});
}
std::optional<note::ParsedDateTime> parseDateTime(std::u16string_view text, const Locale& locale) {
    return note::parseDateTime(text, locale, year{2026});
}

// The test prefix runs in US English unless the machine's LANG says otherwise; the
// locale-specific expectations hold there only.
bool usEnglish() {
    return GetUserDefaultLCID() ==
           MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
}

TEST(WinLocale, GivesTheUsersPatternSeparatorAndNames) {
    const WinLocale locale;
    wchar_t pattern[128] = {};
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 128);
    ASSERT_GT(n, 1);
    ASSERT_TRUE(locale.shortDatePattern());
    EXPECT_EQ(*locale.shortDatePattern(), narrowToU16(pattern))
        << "the terminator is not part of it";
    if (!usEnglish()) GTEST_SKIP() << "names and pattern checked in US English only";
    EXPECT_EQ(*locale.shortDatePattern(), u"M/d/yyyy");
    EXPECT_EQ(locale.dateSeparator(), u"/");
    EXPECT_EQ(locale.monthName(1, false), u"January");
    EXPECT_EQ(locale.monthName(12, true), u"Dec");
    EXPECT_EQ(locale.monthName(13, false), u"");
    EXPECT_EQ(locale.dayName(Sunday, false), u"Sunday");
    EXPECT_EQ(locale.dayName(Monday, true), u"Mon");
    EXPECT_EQ(locale.dayName(Saturday, false), u"Saturday");
}

TEST(WinLocale, LeavesTheReadingOfATypedDateToTheSystem) {
    const WinLocale locale;
    ASSERT_TRUE(locale.recognizesDates());
    EXPECT_FALSE(parseDate(u"not a date", locale));
    EXPECT_FALSE(parseDate(u"", locale));
    const auto iso = parseDateTime(u"2026-12-06", locale);
    ASSERT_TRUE(iso);
    EXPECT_EQ(iso->date, 2026y / December / 6);
    EXPECT_FALSE(iso->timeOfDay);
    if (!usEnglish()) GTEST_SKIP() << "locale orders checked in US English only";
    EXPECT_EQ(parseDate(u"12/6/2026", locale), 2026y / December / 6) << "month first in the US";
    EXPECT_EQ(parseDate(u"December 6, 2026", locale), 2026y / December / 6);
    const auto withTime = parseDateTime(u"12/6/2026 2:30 PM", locale);
    ASSERT_TRUE(withTime);
    EXPECT_EQ(withTime->timeOfDay, hours{14} + minutes{30});
}

TEST(AnsiCodePage, MapsExactlyTheCharactersOfThePage) {
    const AnsiCodePage western(1252);
    EXPECT_EQ(western.toAnsi(u'A'), 0x41);
    EXPECT_EQ(western.toAnsi(u'\u20ac'), 0x80) << "the euro sign";
    EXPECT_EQ(western.toAnsi(u'\u00ff'), 0xff);
    EXPECT_FALSE(western.toAnsi(u'\u03a9')) << "Greek omega is not in the Western page";
    EXPECT_FALSE(western.toAnsi(u'\u0100')) << "no best-fit 'A' for A-macron";
    EXPECT_EQ(western.fromAnsi(0x80), u'\u20ac');
    EXPECT_EQ(western.fromAnsi(0xe9), u'\u00e9');

    const AnsiCodePage greek(1253);
    EXPECT_EQ(greek.toAnsi(u'\u03a9'), 0xd9);
    EXPECT_EQ(greek.fromAnsi(0xd9), u'\u03a9');

    EXPECT_EQ(AnsiCodePage().number(), GetACP());
}

// Wine accepts the flags that fail on Windows, so the choice itself is what can be checked.
TEST(AnsiCodePage, ChoosesOnlyFlagsThePageAccepts) {
    const struct {
        unsigned page;
        ConversionFlags flags;
    } cases[] = {
        {1252, {WC_NO_BEST_FIT_CHARS, true, MB_ERR_INVALID_CHARS}},
        {932, {WC_NO_BEST_FIT_CHARS, true, MB_ERR_INVALID_CHARS}},
        {65001, {WC_ERR_INVALID_CHARS, false, MB_ERR_INVALID_CHARS}},
        {54936, {WC_ERR_INVALID_CHARS, false, MB_ERR_INVALID_CHARS}},
        {65000, {0, false, 0}},
        {50220, {0, false, 0}},
        {57004, {0, false, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(conversionFlags(c.page), c.flags) << c.page;
}

TEST(AnsiCodePage, KeepsEveryScrambledCodeOnUtf8AndDoubleBytePages) {
    // The scramble makes codes 128 to 255 out of any password: each must come back.
    for (const unsigned page : {65001u, 932u, 1252u, 1253u}) {
        const AnsiCodePage codePage(page);
        for (int code = 0; code < 256; ++code) {
            const auto b = static_cast<std::uint8_t>(code);
            EXPECT_EQ(codePage.toAnsi(codePage.fromAnsi(b)), b) << "page " << page << ", " << code;
        }
    }
    for (const unsigned page : {65001u, 932u}) {
        const AnsiCodePage codePage(page);
        EXPECT_EQ(codePage.fromAnsi(0x81), u'\u0081') << "no character by itself";
        for (const std::u16string password : {u"P\u00e4sswort4711", u"secret4711"}) {
            const std::u16string stored =
                lookup::ScrambleText(password, lookup::kScrambleKey, codePage);
            EXPECT_EQ(lookup::ScrambleText(stored, lookup::kScrambleKey, codePage), password)
                << "page " << page;
        }
    }
}

}  // namespace
}  // namespace penwick::windows
