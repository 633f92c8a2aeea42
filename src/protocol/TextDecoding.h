#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorvel {

// Decodes bytes of the boards' Simplified Chinese code page (GB18030, a
// superset of code page 936) to UTF-8. Invalid or truncated sequences become
// U+FFFD; decoding never fails and never drops the rest of the text.
std::string DecodeBoardText(std::string_view bytes);

// The same text, decoded once per distinct byte string on this thread and
// shared from then on: thousands of boards send the same description and
// labels.
std::shared_ptr<const std::string> InternBoardText(std::string_view bytes);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// The length of the well-formed UTF-8 character that starts at `at` (1 to
// 4), or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at);

} // namespace quorvel
