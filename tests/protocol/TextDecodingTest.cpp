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

// Texts seen lately are remembered; more texts than are remembered, in turn,
// must each still come back as themselves.
TEST(DecodeBoardText, aRunOfDifferentTextsEachDecodeAsThemselves) {
    const std::pair<std::string, std::string> texts[] = {
        {"\xB4\xF2\xD3\xA1\xBB\xFA", "打印机"},
        {"\xB4\xF2\xD3\xA1", "打印"},
        {"\xBB\xFA", "机"},
        {"x\xB4\xF2", "x打"},
        {"\xB4\xF2x", "打x"},
        {"\xB4\xF2\xB4\xF2", "打打"},
        {"\xB4\xF2\xFF", "打\xEF\xBF\xBD"},
    };
    for (int round = 0; round < 3; ++round)
        for (const auto& [bytes, text] : texts)
            EXPECT_EQ(DecodeBoardText(bytes), text) << "round " << round;
    EXPECT_EQ(DecodeBoardText(std::string_view("\xB4\xF2\xD3\xA1\xBB\xFA", 4)), "打印");
}
