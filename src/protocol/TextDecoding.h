#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// Decodes bytes of the boards' Simplified Chinese code page (GB18030, a
// superset of code page 936) to UTF-8. Invalid or truncated sequences become
// U+FFFD; decoding never fails and never drops the rest of the text.
std::string DecodeBoardText(std::string_view bytes);

} // namespace quorvel
