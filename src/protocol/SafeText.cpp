#include "SafeText.h"

#include "TextDecoding.h"

namespace quorvel {

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void appendJsonEscape(std::string& out, unsigned codePoint) {
    switch (codePoint) {
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    }
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(codePoint >> shift) & 0xF];
}

// A C0 or C1 control or DEL.
void appendControl(std::string& out, unsigned codePoint, TextUse use, bool crBeforeLf) {
    switch (use) {
    case TextUse::Terminal:
        out += "\\x";
        out += kHex[codePoint >> 4];
        out += kHex[codePoint & 0xF];
        return;
    case TextUse::JsonString:
        appendJsonEscape(out, codePoint);
        return;
    case TextUse::JsonDocument:
        // Raw C0 in a writer's text is the layout between its tokens.
        if (codePoint < 0x20)
            out += static_cast<char>(codePoint);
        else
            appendJsonEscape(out, codePoint);
        return;
    case TextUse::Clipboard:
        if ((codePoint == '\t' || codePoint == '\n' || codePoint == '\r') && !crBeforeLf)
            out += ' ';
        return;
    }
}

void appendSeparator(std::string& out, unsigned codePoint, TextUse use) {
    if (use == TextUse::Clipboard)
        out += ' ';
    else
        appendJsonEscape(out, codePoint);
}

} // namespace

void AppendSafeText(std::string& out, std::string_view utf8, TextUse use) {
    out.reserve(out.size() + utf8.size());
    std::size_t plainFrom = 0; // the start of the bytes not yet copied
    std::size_t i = 0;
    const auto special = [&](std::size_t length) {
        out.append(utf8, plainFrom, i - plainFrom);
        i += length;
        plainFrom = i;
    };
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c < 0x7F) {
            if (use == TextUse::JsonString && (c == '"' || c == '\\')) {
                special(1);
                out += '\\';
                out += static_cast<char>(c);
            } else {
                ++i;
            }
            continue;
        }
        if (c < 0x80) {
            const bool crBeforeLf = c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n';
            special(1);
            appendControl(out, c, use, crBeforeLf);
            continue;
        }
        const std::size_t length = Utf8SequenceLength(utf8, i);
        const auto next = [&](std::size_t k) { return static_cast<unsigned char>(utf8[i + k]); };
        if (length == 0) {
            special(1);
            out += kReplacement;
        } else if (length == 2 && c == 0xC2 && next(1) < 0xA0) {
            const unsigned codePoint = next(1);
            special(2);
            appendControl(out, codePoint, use, false);
        } else if (length == 3 && c == 0xE2 && next(1) == 0x80 &&
                   (next(2) == 0xA8 || next(2) == 0xA9)) {
            const unsigned codePoint = 0x2000 | (next(2) & 0x3F);
            special(3);
            appendSeparator(out, codePoint, use);
        } else {
            i += length;
        }
    }
    out.append(utf8, plainFrom, utf8.size() - plainFrom);
}

std::string SafeText(std::string_view utf8, TextUse use) {
    std::string out;
    AppendSafeText(out, utf8, use);
    return out;
}

} // namespace quorvel
