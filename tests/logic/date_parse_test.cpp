// Recognition of a typed note date, the rule both the entry check and the store rely on.

#include <gtest/gtest.h>

#include "note/date_parse.h"
#include "support/fakes.h"

namespace penwick::testing {
namespace {

using namespace penwick::note;

using namespace std::chrono;

std::string narrow(std::u16string_view s) {
    return std::string(s.begin(), s.end());
}

// "Today" in these tests is in 2026.
constexpr year kThisYear{2026};

std::optional<year_month_day> parseDate(std::u16string_view text, const Locale& locale) {
    return note::parseDate(text, locale, kThisYear);
}

std::optional<ParsedDateTime> parseDateTime(std::u16string_view text, const Locale& locale) {
    return note::parseDateTime(text, locale, kThisYear);
}

void expectDate(const Locale& locale, std::u16string_view text, year_month_day expected) {
    const auto parsed = parseDate(text, locale);
    ASSERT_TRUE(parsed.has_value()) << narrow(text);
    EXPECT_EQ(*parsed, expected) << narrow(text);
}

constexpr year_month_day kDate{year{2026}, December, day{6}};

TEST(ParseDate, ReadsNumbersInTheOrderOfThePattern) {
    const FakeLocale us(u"M/d/yyyy");
    for (auto text :
         {u"12/6/2026", u"12-6-2026", u"12.06.2026", u"12 6 2026", u"12/06/26", u" 12/6/2026 "})
        expectDate(us, text, kDate);

    const FakeLocale uk(u"dd/MM/yyyy");
    for (auto text : {u"6/12/2026", u"06.12.2026", u"6-12-26"}) expectDate(uk, text, kDate);

    const FakeLocale japan(u"yyyy/MM/dd");
    expectDate(japan, u"2026/12/06", kDate);
    // No order in the pattern: day before month.
    expectDate(FakeLocale(std::nullopt), u"6/12/2026", kDate);
}

TEST(ParseDate, ReadsIsoWhateverTheLocale) {
    expectDate(FakeLocale(u"M/d/yyyy"), u"2026-12-06", kDate);
    expectDate(FakeLocale(u"dd.MM.yyyy"), u"2026-12-06", kDate);
}

TEST(ParseDate, PivotsTwoDigitYearsAtThirty) {
    const FakeLocale uk(u"dd/MM/yy");
    expectDate(uk, u"1/1/00", year_month_day{year{2000}, January, day{1}});
    expectDate(uk, u"1/1/29", year_month_day{year{2029}, January, day{1}});
    expectDate(uk, u"1/1/30", year_month_day{year{1930}, January, day{1}});
    expectDate(uk, u"1/1/99", year_month_day{year{1999}, January, day{1}});
}

TEST(ParseDate, ReadsMonthNamesInTheLocalesLanguageAndInEnglish) {
    FakeLocale german(u"dd.MM.yyyy", u".");
    german.setNames(
        {u"Januar", u"Februar", u"März", u"April", u"Mai", u"Juni", u"Juli", u"August",
         u"September", u"Oktober", u"November", u"Dezember"},
        {u"Sonntag", u"Montag", u"Dienstag", u"Mittwoch", u"Donnerstag", u"Freitag", u"Samstag"});
    for (auto text : {u"6. Dezember 2026", u"6 dezember 2026", u"Sonntag, 6. Dezember 2026",
                      u"6 December 2026", u"6 Dec 2026"})
        expectDate(german, text, kDate);
    expectDate(german, u"1. März 2027", year_month_day{year{2027}, March, day{1}});
    expectDate(german, u"1. MÄRZ 2027", year_month_day{year{2027}, March, day{1}});

    const FakeLocale us(u"M/d/yyyy");
    for (auto text : {u"December 6, 2026", u"Dec 6 2026", u"Sunday, December 6, 2026"})
        expectDate(us, text, kDate);
}

TEST(ParseDate, TakesATimeOfDay) {
    const FakeLocale us(u"M/d/yyyy");
    const struct {
        std::u16string_view text;
        std::optional<seconds> time;  // nullopt: no date at all
    } cases[] = {
        {u"12/6/2026 14:05", hours{14} + minutes{5}},
        {u"12/6/2026 2:05:30 PM", hours{14} + minutes{5} + seconds{30}},
        {u"12/6/2026 12:15 AM", minutes{15}},  // the hour after midnight
        {u"12/6/2026 12:15 PM", hours{12} + minutes{15}},
        {u"12/6/2026 11:59 PM", hours{23} + minutes{59}},
        {u"12/6/2026 0:15 AM", std::nullopt},
        {u"12/6/2026 13:00 PM", std::nullopt},
        {u"12/6/2026 25:00", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto read = parseDateTime(c.text, us);
        ASSERT_EQ(read.has_value(), c.time.has_value()) << narrow(c.text);
        if (!read) continue;
        EXPECT_EQ(read->date, kDate) << narrow(c.text);
        EXPECT_EQ(read->timeOfDay, c.time) << narrow(c.text);
    }
    EXPECT_FALSE(parseDateTime(u"12/6/2026", us)->timeOfDay.has_value());
}

TEST(ParseDate, RefusesWhatIsNoDate) {
    const FakeLocale us(u"M/d/yyyy");
    for (auto text :
         {u"", u"   ", u"hello", u"2/30/2026", u"2/29/2027", u"13/1/2026", u"12/6/2026 and more",
          u"12//6/2026", u"0/6/2026", u"12/32/2026", u"Smarch 6 2026", u"12/6/20266"})
        EXPECT_FALSE(parseDate(text, us).has_value()) << narrow(text);
    expectDate(us, u"2/29/2028", year_month_day{year{2028}, February, day{29}});
}

}  // namespace
}  // namespace penwick::testing

namespace penwick::testing {
namespace {

// A system that reads dates itself: its word is final, either way.
class SystemReadingLocale final : public Locale {
public:
    std::optional<std::u16string> shortDatePattern() const override { return u"M/d/yyyy"; }
    std::u16string dateSeparator() const override { return u"/"; }
    std::u16string monthName(unsigned, bool) const override { return {}; }
    std::u16string dayName(std::chrono::weekday, bool) const override { return {}; }
    bool recognizesDates() const override { return true; }
    std::optional<SystemDate> recognizeDate(std::u16string_view text) const override {
        using namespace std::chrono;
        if (text == u"Nikolaustag") return SystemDate{2026y / December / 6, hours{9}};
        return std::nullopt;
    }
};

TEST(ParseDate, LeavesTheReadingToASystemThatRecognisesDates) {
    const SystemReadingLocale locale;
    const auto parsed = parseDateTime(u"Nikolaustag", locale);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->date,
              std::chrono::year_month_day(std::chrono::year{2026}, std::chrono::December,
                                          std::chrono::day{6}));
    EXPECT_EQ(parsed->timeOfDay, std::chrono::hours{9});
    EXPECT_FALSE(parseDate(u"12/6/2026", locale)) << "the program's own rule does not step in";
}

// The forms a user types, read as Windows reads them for an English (United States) user,
// and what the program makes of each. A day and month without a year are this year's; a
// month with a year is its first day. Refused: a time alone, a day and month read the wrong
// way round because the month would be over 12, numbers that only look like a date.
TEST(ParseDate, ReadsTheFormsUsersTypeAsWindowsDoes) {
    const FakeLocale us(u"M/d/yyyy");
    struct Row {
        std::u16string typed;
        std::optional<year_month_day> read;
    };
    const auto on = [](int y, unsigned m, unsigned d) {
        return std::optional<year_month_day>(year_month_day{year{y}, month{m}, day{d}});
    };
    const std::optional<year_month_day> refused;
    const Row table[] = {
        {u"12/6/2026", on(2026, 12, 6)},
        {u"12/6/26", on(2026, 12, 6)},
        {u"12-6-2026", on(2026, 12, 6)},
        {u"2026-12-06", on(2026, 12, 6)},
        {u"Dec 6, 2026", on(2026, 12, 6)},
        {u"6 December 2026", on(2026, 12, 6)},
        {u"Sunday, December 6, 2026", on(2026, 12, 6)},
        {u"12/6", on(2026, 12, 6)},
        {u"12-6", on(2026, 12, 6)},
        {u"1/31", on(2026, 1, 31)},
        {u"Dec 6", on(2026, 12, 6)},
        {u"6 Dec", on(2026, 12, 6)},
        {u"December 6", on(2026, 12, 6)},
        {u"Dec. 6", on(2026, 12, 6)},
        {u"Dec 2026", on(2026, 12, 1)},
        {u"December 2027", on(2027, 12, 1)},
        {u"2026 Dec", on(2026, 12, 1)},
        {u"12/6 14:30", on(2026, 12, 6)},
        {u"Dec 6 2:30 PM", on(2026, 12, 6)},
        {u"2/29", refused},  // 2026 has no 29 February
        {u"13/6", refused},  // the month would be 13: not read as 6 December
        {u"31/1", refused},
        {u"12/32", refused},
        {u"14:30", refused},  // a time alone
        {u"2:30 PM", refused},
        {u"1.2.3", refused},
        {u"12", refused},
        {u"Dec", refused},
        {u"12/2026", refused},
        {u"Dec Jan", refused},
        {u"Dec 6 x", refused},
        {u"6 Smarch", refused},
    };
    for (const Row& row : table) EXPECT_EQ(parseDate(row.typed, us), row.read) << narrow(row.typed);

    // Day before month where the user's pattern has it so.
    EXPECT_EQ(parseDate(u"6/12", FakeLocale(u"dd/MM/yyyy")), on(2026, 12, 6));
    EXPECT_EQ(parseDate(u"12/6", FakeLocale(u"yyyy-MM-dd")), on(2026, 12, 6));
}

}  // namespace
}  // namespace penwick::testing
