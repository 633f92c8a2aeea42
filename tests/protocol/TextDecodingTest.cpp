#include "protocol/TextDecoding.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(DecodeBoardText, keepsAsciiAndDecodesGb18030) {
    EXPECT_EQ(DecodeBoardText("Printer 1"), "Printer 1");
    EXPECT_EQ(DecodeBoardText("\xB4\xF2\xD3\xA1\xBB\xFA"), "打印机");
    // Four-byte GB18030 sequences: U+0080, and U+1F600 beyond the BMP.
    EXPECT_EQ(DecodeBoardText("a\x81\x30\x81\x30z"), "a\xC2\x80z");
    EXPECT_EQ(DecodeBoardText("\x94\x39\xFC\x36"), "\xF0\x9F\x98\x80");
}

TEST(DecodeBoardText, replacesInvalidBytesAndKeepsTheRest) {
    EXPECT_EQ(DecodeBoardText("a\xFF"
                              "b"),
              "a\xEF\xBF\xBD"
              "b");
    // A lead byte cut off by the end of the text.
    EXPECT_EQ(DecodeBoardText("ab\xB4"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(DecodeBoardText(""), "");
}
