// The remembered password's scrambling against vectors worked out apart from the code (by hand
// from the algorithm: key codes of "QuillaRavenTopsyMarnFizz", each later pass +17 mod 256,
// XOR with the Windows-1252 codes). A slip in the key or in the roll changes them.

#include <gtest/gtest.h>

#include <vector>

#include "lookup/scramble.h"
#include "util/codepage.h"

namespace penwick::testing {
namespace {

std::vector<int> codesOf(const std::u16string& text, const CodePage& cp) {
    std::vector<int> codes;
    for (char16_t c : text) codes.push_back(cp.toAnsi(c).value_or(-1));
    return codes;
}

TEST(ScrambleVectors, TheFixedKeyGivesTheKnownStream) {
    const Windows1252 cp;
    // Zeros show the key stream: two and a half passes over the 24-character key.
    const std::vector<int> stream = {81,  117, 105, 108, 108, 97,  82,  97,  118, 101, 110, 84,
                                     111, 112, 115, 121, 77,  97,  114, 110, 70,  105, 122, 122,
                                     98,  134, 122, 125, 125, 114, 99,  114, 135, 118, 127, 101,
                                     128, 129, 132, 138, 94,  114, 131, 127, 87,  122, 139, 139,
                                     115, 151, 139, 142, 142, 131, 116, 131, 152, 135, 144, 118};
    EXPECT_EQ(
        codesOf(lookup::ScrambleText(std::u16string(60, u'\0'), lookup::kScrambleKey, cp), cp),
        stream);
}

TEST(ScrambleVectors, APasswordScramblesToItsKnownCodesAndBack) {
    const Windows1252 cp;
    const std::u16string password = u"Secret-p\u00e4ssw\u00f6rd!";
    const std::vector<int> scrambled = {2,   16, 10, 30, 9,   21, 127, 17,
                                        146, 22, 29, 35, 153, 2,  23,  88};
    const std::u16string once = lookup::ScrambleText(password, lookup::kScrambleKey, cp);
    EXPECT_EQ(codesOf(once, cp), scrambled);
    EXPECT_EQ(lookup::ScrambleText(once, lookup::kScrambleKey, cp), password);
}

}  // namespace
}  // namespace penwick::testing
