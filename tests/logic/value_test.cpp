// Values read as booleans and as text, by the classic runtime's rules.

#include <gtest/gtest.h>

#include <clocale>

#include "util/failure.h"
#include "util/text.h"
#include "util/value.h"

namespace penwick::testing {
namespace {

TEST(ToBool, ReadsBooleanAndNumericTextAndRefusesTheRest) {
    const struct {
        std::u16string text;
        bool expected;
    } readable[] = {
        {u"True", true}, {u" false ", false}, {u"TRUE", true},   {u"0", false}, {u"-1", true},
        {u"2.5", true},  {u"1E3", true},      {u" 0.0 ", false}, {u"+7", true}, {u"0E5", false},
    };
    for (const auto& c : readable)
        EXPECT_EQ(toBool(Value{c.text}, u"Error"), c.expected) << toUtf8(c.text);

    for (const std::u16string text :
         {u"", u"  ", u"yes", u"1 2", u"inf", u"1,5", u"+-1", u"Truex"}) {
        try {
            toBool(Value{text}, u"IsEOF");
            ADD_FAILURE() << "no failure for \"" << toUtf8(text) << "\"";
        } catch (const Failure& f) {
            EXPECT_EQ(f.number(), err::TypeMismatch);
            EXPECT_EQ(f.source(), u"IsEOF");
        }
    }
    EXPECT_FALSE(toBool(Value{}, u"Error")) << "no value is false";
}

TEST(ToText, WritesDoublesWithFifteenSignificantDigitsWhateverTheLocale) {
    // A comma locale, where one is installed (the names differ by runtime), must not change
    // the point.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de-DE", "German_Germany.1252"})
        if (std::setlocale(LC_NUMERIC, name) != nullptr) break;
    const struct {
        double value;
        std::u16string expected;
    } cases[] = {
        {12.5, u"12.5"},
        {0.1, u"0.1"},
        {1.0 / 3.0, u"0.333333333333333"},
        {-2.75, u"-2.75"},
        {1e-5, u"1E-05"},
        {1e15, u"1E+15"},
        {123456789012345.0, u"123456789012345"},
        {-42.0, u"-42"},
    };
    for (const auto& c : cases) EXPECT_EQ(toText(Value{c.value}), c.expected) << c.value;
    std::setlocale(LC_NUMERIC, before.c_str());
}

}  // namespace
}  // namespace penwick::testing
