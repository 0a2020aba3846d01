#include <gtest/gtest.h>

#include "tools/csv.h"
#include "util/failure.h"

namespace penwick::tools {
namespace {

std::vector<std::vector<std::string>> fields(std::string_view text) {
    std::vector<std::vector<std::string>> out;
    for (auto& r : parseCsv(text)) out.push_back(r.fields);
    return out;
}

TEST(Csv, ReadsQuotedFieldsAsRfc4180HasThem) {
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(fields("a,b\r\n1,2\r\n"), (Rows{{"a", "b"}, {"1", "2"}}));
    EXPECT_EQ(fields("a,b\n1,2"), (Rows{{"a", "b"}, {"1", "2"}}));
    EXPECT_EQ(fields("\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n"),
              (Rows{{"x, y", "say \"hi\"", "two\r\nlines"}}));
    EXPECT_EQ(fields("a,,\n,\n"), (Rows{{"a", "", ""}, {"", ""}}));
    EXPECT_EQ(fields("\xEF\xBB\xBFname\nZo\xC3\xAB\n"), (Rows{{"name"}, {"Zo\xC3\xAB"}}));
    EXPECT_EQ(fields("\"\"\n"), (Rows{{""}}));
}

TEST(Csv, CountsLinesInsideQuotes) {
    const auto records = parseCsv("h\n\"a\nb\"\nc\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].line, 4u);
}

TEST(Csv, RefusesMalformedTextNamingTheLine) {
    for (const char* bad : {"a,b\nc\"d,e\n", "\"open\n", "\"closed\"x,1\n", "a\n\xC3\x28\n",
                            "a\n\xED\xA0\x80\n", "a\n\xC0\xAF\n"}) {
        EXPECT_THROW(parseCsv(bad), Failure) << bad;
    }
    try {
        parseCsv("h\nok\nbad\"quote\n");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.description().substr(0, 6), u"line 3");
    }
}

TEST(Csv, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(csvField("plain"), "plain");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
    for (const std::string s : {"a,b", "q\"q", "x\r\ny", " pad "}) {
        EXPECT_EQ(fields(csvField(s) + "\n"), (std::vector<std::vector<std::string>>{{s}}));
    }
}

}  // namespace
}  // namespace penwick::tools
