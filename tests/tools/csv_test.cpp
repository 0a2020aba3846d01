#include <gtest/gtest.h>

#include <sstream>

#include "tools/csv.h"
#include "util/failure.h"
#include "util/text.h"

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
    EXPECT_EQ(csvField("1,5;2"), "\"1,5;2\"");
    EXPECT_EQ(csvField("tab\there"), "\"tab\there\"");
    for (const std::string s : {"a,b", "q\"q", "x\r\ny", " pad ", "a;b"}) {
        EXPECT_EQ(fields(csvField(s) + "\n"), (std::vector<std::vector<std::string>>{{s}}));
    }
}

std::vector<std::vector<std::string>> read(const std::string& bytes, CsvOptions options = {}) {
    std::istringstream in(bytes);
    CsvReader reader(in, options);
    std::vector<std::vector<std::string>> out;
    CsvRecord record;
    while (reader.next(record)) out.push_back(record.fields);
    return out;
}

std::string failureOf(const std::string& bytes, CsvOptions options = {}) {
    try {
        read(bytes, options);
    } catch (const Failure& f) {
        return toUtf8(f.description());
    }
    return "(no failure)";
}

TEST(CsvReader, TakesTheSeparatorFromTheFirstLineOutsideQuotes) {
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(read("a;b;c\n1,5;2;3\n"), (Rows{{"a", "b", "c"}, {"1,5", "2", "3"}}));
    EXPECT_EQ(read("a\tb\n1,2\t3\n"), (Rows{{"a", "b"}, {"1,2", "3"}}));
    EXPECT_EQ(read("\"x;y;z\",b\n1,2\n"), (Rows{{"x;y;z", "b"}, {"1", "2"}}));
    EXPECT_EQ(read("name\nA;B\n"), (Rows{{"name"}, {"A;B"}}));  // one column: commas
    EXPECT_EQ(read("a;b\n1;2\n", {std::nullopt, ','}), (Rows{{"a;b"}, {"1;2"}}));
}

// A block of the file ends anywhere: inside a character, between CR and LF, inside quotes.
TEST(CsvReader, ReadsAcrossBlocksWhereverTheyEnd) {
    // The reader takes 64 KiB at a time; the header line is 7 bytes.
    for (std::size_t pad = 65536 - 7 - 14; pad <= 65536 - 7; ++pad) {
        const std::string filler(pad, 'x');
        const std::string text =
            "h1,h2\r\n" + filler + ",\"Zo\xC3\xAB\r\nK\xC3\xB6ln\"\r\nlast,\xE2\x82\xAC\r\n";
        const auto rows = read(text);
        ASSERT_EQ(rows.size(), 3u) << pad;
        EXPECT_EQ(rows[1][0].size(), pad);
        EXPECT_EQ(rows[1][1], "Zo\xC3\xAB\r\nK\xC3\xB6ln");
        EXPECT_EQ(rows[2], (std::vector<std::string>{"last", "\xE2\x82\xAC"}));
        // The same text in Windows-1252, converted block by block.
        std::string cp1252 = "h1,h2\r\n" + filler + ",\"Zo\xEB\r\nK\xF6ln\"\r\nlast,\x80\r\n";
        EXPECT_EQ(read(cp1252, {"windows-1252", 0}), rows) << pad;
    }
}

TEST(CsvReader, NamesTheLineAndColumnOfTheFirstByteThatIsNotUtf8) {
    EXPECT_EQ(failureOf("name,city\nZo\xC3\xAB,K\xF6ln\n"),
              "line 2, column 6 of the CSV file: the byte 0xF6 is not UTF-8; give the file's "
              "encoding with --encoding (such as --encoding windows-1252)");
    EXPECT_NE(failureOf("a\n\"two\nlines\",\xED\xA0\x80\n").find("line 3, column 8"),
              std::string::npos);
    EXPECT_NE(failureOf("a\nb\xE2\x82").find("line 2, column 2"), std::string::npos);  // cut short
    EXPECT_NE(failureOf("a\n", {"no-such-encoding", 0}).find("unknown encoding"),
              std::string::npos);
    // A quote left open does not read a file of any size into memory.
    const std::string endless(17 << 20, 'x');
    EXPECT_NE(failureOf("a\n\"" + endless).find("line 2"), std::string::npos);
    EXPECT_NE(failureOf("a\n" + endless).find("16 MiB"), std::string::npos);
    // 0x81 has no character in Windows-1252.
    EXPECT_NE(failureOf("a\nb\nc\x81\n", {"windows-1252", 0}).find("line 3"), std::string::npos);
    // Lines are counted in characters, not bytes: U+010A holds a 0x0A byte in UTF-16.
    EXPECT_NE(failureOf(std::string("\x0A\x01,\0\n\0\x00\xDC", 8), {"UTF-16LE", 0}).find("line 2"),
              std::string::npos);
    // UTF-16 with its byte-order mark, through iconv.
    EXPECT_EQ(read(std::string("\xFF\xFE"
                               "a\0,\0\xE9\0\n\0",
                               10),
                   {"UTF-16", 0}),
              (std::vector<std::vector<std::string>>{{"a", "\xC3\xA9"}}));
}

}  // namespace
}  // namespace penwick::tools
