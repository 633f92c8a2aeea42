#include "protocol/TextDecoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

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

// Each text against a fresh iconv of the same bytes, or, where iconv
// refuses them, the replacement characters it cannot give.
TEST(DecodeBoardText, matchesIconvOnATableOfTexts) {
    const auto byIconv = [](std::string_view bytes) {
        iconv_t cd = iconv_open("UTF-8", "GB18030");
        std::string out(bytes.size() * 4, '\0');
        char* in = const_cast<char*>(bytes.data());
        char* to = out.data();
        std::size_t inLeft = bytes.size(), outLeft = out.size();
        const bool ok = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
        iconv_close(cd);
        EXPECT_TRUE(ok) << "iconv refused a valid row";
        out.resize(out.size() - outLeft);
        return out;
    };
    std::string longest;
    for (int i = 0; i < 4000 / 2; ++i)
        longest += "\xB4\xF2";
    const std::string gb32 = "\xB4\xF2\xD3\xA1\xBB\xFA\xC7\xB0\xCC\xA8\xB6\xFE\xBA\xC5\xA3\xB1"
                             "\xB2\xE2\xCA\xD4\xC9\xE8\xB1\xB8\xD2\xBB\xA3\xB2\xC2\xA5\xB2\xE3";
    const struct {
        const char* name;
        std::string bytes;
        std::string expected; // empty: what iconv makes of the bytes
    } rows[] = {
        {"ASCII", "Printer 1", ""},
        {"empty", "", ""},
        {"GB18030, 32 bytes", gb32, ""},
        {"four-byte sequences", "a\x81\x30\x81\x30z\x94\x39\xFC\x36", ""},
        // Valid UTF-8 is still read as GB18030: D0 A1 is 小, not a Cyrillic С.
        {"UTF-8 lookalike", "\xD0\xA1", ""},
        {"UTF-8 text", "\xE5\x89\x8D\xE5\x8F\xB0", ""},
        {"maximum length", longest, ""},
        {"invalid byte",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"cut-off lead byte", "ab\xB4", "ab\xEF\xBF\xBD"},
        {"two bad in a row",
         "\xFF\xFF"
         "c",
         "\xEF\xBF\xBD\xEF\xBF\xBD"
         "c"},
    };
    for (int round = 0; round < 2; ++round) // the second round comes from the cache
        for (const auto& row : rows) {
            const std::string expected = row.expected.empty() ? byIconv(row.bytes) : row.expected;
            EXPECT_EQ(DecodeBoardText(row.bytes), expected) << row.name;
            EXPECT_EQ(*InternBoardText(row.bytes), expected) << row.name;
        }
    EXPECT_EQ(InternBoardText(gb32), InternBoardText(gb32)); // one shared string
}

TEST(IsValidUtf8, acceptsWellFormedTextOnly) {
    const std::pair<std::string, bool> rows[] = {
        {"", true},
        {"abc", true},
        {"前台", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xC0\xAF", false},
        {"\xED\xA0\x80", false},
        {"\xF4\x90\x80\x80", false},
        {"\xE5\x89", false},
        {"\x80", false},
        {"\xB4\xF2", false},
    };
    for (const auto& [bytes, valid] : rows)
        EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}

// More texts than the cache holds: each still decodes as itself, and a text
// handed out before the cache started over lives on.
TEST(InternBoardText, decodesPastTheCachesCapacity) {
    const auto first = InternBoardText("\xB4\xF2 0");
    for (int i = 0; i < 140000; ++i)
        ASSERT_EQ(*InternBoardText("\xB4\xF2 " + std::to_string(i)), "打 " + std::to_string(i));
    EXPECT_EQ(*first, "打 0");
}
