#include "protocol/SafeText.h"

#include <gtest/gtest.h>

using namespace quorvel;

// Each row: what a board sent (decoded), then what a terminal, a JSON
// string's inside, a paste and a JSON writer's text get of it.
TEST(SafeText, everyUseGetsTheTextInAFormThatCannotActOnItsReader) {
    const std::string r = "\xEF\xBF\xBD"; // U+FFFD
    const struct {
        std::string text, terminal, json, clipboard, document;
    } cases[] = {
        {"P1 前台\xC2\xA0\xE2\x80\xA7", "P1 前台\xC2\xA0\xE2\x80\xA7",
         "P1 前台\xC2\xA0\xE2\x80\xA7", "P1 前台\xC2\xA0\xE2\x80\xA7",
         "P1 前台\xC2\xA0\xE2\x80\xA7"},
        // OSC 52 (set the clipboard) ended by BEL, clear the screen, end a bracketed paste.
        {"\x1B]52;c;cHdu\x07pwn\x1B[2J\x1B[201~", "\\x1b]52;c;cHdu\\x07pwn\\x1b[2J\\x1b[201~",
         "\\u001b]52;c;cHdu\\u0007pwn\\u001b[2J\\u001b[201~", "]52;c;cHdupwn[2J[201~",
         "\x1B]52;c;cHdu\x07pwn\x1B[2J\x1B[201~"},
        {std::string("\0t\tl\nc\r\nf\f", 10), "\\x00t\\x09l\\x0ac\\x0d\\x0af\\x0c",
         "\\u0000t\\tl\\nc\\r\\nf\\f", "t l c f", std::string("\0t\tl\nc\r\nf\f", 10)},
        // DEL, the one-character CSI and NEL (C1), the line and paragraph separators.
        {"\x7F\xC2\x9B"
         "8m\xC2\x85\xE2\x80\xA8\xE2\x80\xA9",
         "\\x7f\\x9b8m\\x85\\u2028\\u2029", "\\u007f\\u009b8m\\u0085\\u2028\\u2029", "8m  ",
         "\\u007f\\u009b8m\\u0085\\u2028\\u2029"},
        {"q\"b\\", "q\"b\\", "q\\\"b\\\\", "q\"b\\", "q\"b\\"},
        // Not UTF-8: a stray byte, a cut-off character, an overlong form, a surrogate.
        {"\xFF|\xE6\x89|\xC0\xAF|\xED\xA0\x80", r + "|" + r + r + "|" + r + r + "|" + r + r + r,
         r + "|" + r + r + "|" + r + r + "|" + r + r + r,
         r + "|" + r + r + "|" + r + r + "|" + r + r + r,
         r + "|" + r + r + "|" + r + r + "|" + r + r + r},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeText(c.text, TextUse::Terminal), c.terminal) << c.terminal;
        EXPECT_EQ(SafeText(c.text, TextUse::JsonString), c.json) << c.json;
        EXPECT_EQ(SafeText(c.text, TextUse::Clipboard), c.clipboard) << c.clipboard;
        EXPECT_EQ(SafeText(c.text, TextUse::JsonDocument), c.document) << c.document;
    }
}
