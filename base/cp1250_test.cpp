#include "base/cp1250.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1250Test, PolishLettersMapBothWays) {
    const std::string bytes = "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\xB0";
    EXPECT_EQ("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ°", Cp1250ToUtf8(bytes));
    EXPECT_EQ(bytes, Utf8ToCp1250("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ°"));
}

TEST(Cp1250Test, EveryByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(all, Utf8ToCp1250(Cp1250ToUtf8(all)));
    for (int b = 0; b < 256; ++b) EXPECT_EQ(b, UnicodeToCp1250(Cp1250ToUnicode(static_cast<unsigned char>(b))));
}

TEST(Cp1250Test, UndefinedPositionsAreC1Controls) {
    for (unsigned char b : {0x81, 0x83, 0x88, 0x90, 0x98}) EXPECT_EQ(char16_t{b}, Cp1250ToUnicode(b));
}

TEST(Cp1250Test, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ("a?b", Utf8ToCp1250("a\xE2\x82\xBD"
                                  "b"));               // rouble sign
    EXPECT_EQ("?", Utf8ToCp1250("\xF0\x9F\x98\x80"));  // outside the basic plane
    EXPECT_EQ("?x", Utf8ToCp1250("\xC3x"));            // broken sequence
    EXPECT_EQ(-1, UnicodeToCp1250(U'\u20BD'));
}

}  // namespace
