#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// Where a board's text is going. A board chooses every byte of its texts, so
// each destination gets the text in a form that cannot act on its reader.
enum class TextUse {
    // Shown on a terminal: C0 and C1 controls and DEL as \xHH (ESC as \x1b),
    // U+2028 and U+2029 as \u2028 and \u2029; the rest as it is.
    Terminal,
    // The inside of a JSON string: quote, backslash and C0 escaped as JSON
    // writers do, and also DEL, C1, U+2028 and U+2029 as \u escapes, which
    // JSON allows raw but terminals and JavaScript act on.
    JsonString,
    // A whole JSON text that a writer (QJsonDocument) made: the same \u
    // escapes for DEL, C1, U+2028 and U+2029, nothing else touched.
    JsonDocument,
    // Pasted elsewhere: control characters dropped, a tab or line break
    // (CRLF included) one space.
    Clipboard,
};

// Every use turns a byte that is not part of well-formed UTF-8 into U+FFFD.
void AppendSafeText(std::string& out, std::string_view utf8, TextUse use);
std::string SafeText(std::string_view utf8, TextUse use);

} // namespace quorvel
