#include "linux/date_pattern.h"

#include <gtest/gtest.h>

#include "util/text.h"

namespace penwick::linux_platform {
namespace {

struct Row {
    const char* name;
    const char* format;
    const char16_t* pattern;
    const char16_t* separator;
};

class StrftimeConversion : public ::testing::TestWithParam<Row> {};

TEST_P(StrftimeConversion, GivesPatternAndSeparator) {
    const Row& row = GetParam();
    auto p = patternFromStrftime(row.format);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(toUtf8(p->pattern), toUtf8(row.pattern));
    EXPECT_EQ(toUtf8(p->separator), toUtf8(row.separator));
}

INSTANTIATE_TEST_SUITE_P(
    LocaleFormats, StrftimeConversion,
    ::testing::Values(
        Row{"en_US", "%m/%d/%Y", u"MM/dd/yyyy", u"/"},
        Row{"de_DE", "%d.%m.%Y", u"dd/MM/yyyy", u"."}, Row{"en_GB", "%d/%m/%y", u"dd/MM/yy", u"/"},
        Row{"ISO", "%Y-%m-%d", u"yyyy/MM/dd", u"-"}, Row{"C", "%m/%d/%y", u"MM/dd/yy", u"/"},
        Row{"shorthand_D", "%D", u"MM/dd/yy", u"/"}, Row{"shorthand_F", "%F", u"yyyy/MM/dd", u"-"},
        Row{"hu_HU_trailing_dot", "%Y. %m. %d.", u"yyyy/MM/dd.", u". "},
        Row{"unpadded_flags", "%-d.%-m.%Y", u"d/M/yyyy", u"."},
        Row{"space_padded_day", "%e/%m/%Y", u"d/MM/yyyy", u"/"},
        Row{"ja_JP_non_ascii", "%Y\u5e74%m\u6708%d\u65e5", u"yyyy/MM\u6708dd\u65e5", u"\u5e74"},
        Row{"names", "%A, %d %B %Y", u"dddd/dd MMMM yyyy", u", "},
        Row{"letters_quoted", "%d de %b de %Y", u"dd/MMM/yyyy", u" de "},
        Row{"other_letters_quoted", "%d.%m.%Y r.", u"dd/MM/yyyy 'r'.", u"."},
        Row{"percent_and_quote", "%d/%m/%Y '%%'", u"dd/MM/yyyy ''%''", u"/"},
        Row{"no_separator", "%Y%m%d", u"yyyyMMdd", u"/"},
        Row{"glibc_date_fmt_en", "%a %b %e %r %Z %Y", u"ddd/MMM/d/yyyy", u" "},
        Row{"glibc_date_fmt_de", "%a %-d. %b %H:%M:%S %Z %Y", u"ddd/d. MMM/yyyy", u" "},
        Row{"era_year_dropped", "%EY-%m", u"MM", u"/"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StrftimeConversion, FormatWithoutDateFieldsGivesNothing) {
    EXPECT_FALSE(patternFromStrftime("").has_value());
    EXPECT_FALSE(patternFromStrftime("%H:%M:%S").has_value());
    EXPECT_FALSE(patternFromStrftime("plain text").has_value());
}

TEST(StrftimeConversion, GivenSeparatorReplacesTheFormatsOwn) {
    // A long format is written with the short pattern's separator for "/".
    auto p = patternFromStrftime("%d.%m.%Y %d/%m", u".");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(toUtf8(p->pattern), "dd/MM/yyyy dd'/'MM");
}

TEST(WrittenPattern, WritesTheSeparatorWhereTheSlashStands) {
    struct Row {
        std::u16string pattern, separator, written;
    };
    for (const Row& row : {
             Row{u"dd/MM/yyyy", u".", u"dd.MM.yyyy"},            // German
             Row{u"yyyy/MM/dd", u"-", u"yyyy-MM-dd"},            // Swedish
             Row{u"MM/dd/yy", u"/", u"MM/dd/yy"},                // C
             Row{u"d/M/yyyy", u". ", u"d. M. yyyy"},             // Czech
             Row{u"yyyy/MM/dd", u"g", u"yyyy'g'MM'g'dd"},        // a letter stays text
             Row{u"dd/MM/yyyy' r/'", u".", u"dd.MM.yyyy' r/'"},  // quoted text is left alone
         }) {
        EXPECT_EQ(writtenPattern({row.pattern, row.separator}), row.written)
            << toUtf8(row.pattern) << " with " << toUtf8(row.separator);
    }
}

}  // namespace
}  // namespace penwick::linux_platform

#include "linux/posix_locale.h"

namespace penwick::linux_platform {
namespace {

TEST(PosixLocale, ReadsTheCLocalesConventions) {
    const PosixLocale c("C");
    EXPECT_EQ(c.shortDatePattern(), std::u16string(u"MM/dd/yy"));
    EXPECT_EQ(c.dateSeparator(), u"/");
    EXPECT_EQ(c.monthName(1, false), u"January");
    EXPECT_EQ(c.monthName(12, true), u"Dec");
    EXPECT_EQ(c.dayName(std::chrono::Sunday, false), u"Sunday");
    EXPECT_EQ(c.dayName(std::chrono::Saturday, true), u"Sat");
}

TEST(PosixLocale, UnknownLocaleGivesNoPatternButEnglishNames) {
    const PosixLocale missing("xx_XX.NOSUCH");
    EXPECT_FALSE(missing.shortDatePattern().has_value());
    EXPECT_EQ(missing.dateSeparator(), u"/");
    EXPECT_EQ(missing.monthName(3, false), u"March");
}

}  // namespace
}  // namespace penwick::linux_platform
