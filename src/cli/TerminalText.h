#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// Text from a board shown on a terminal: control characters (which could move
// the cursor or recolour the screen) become '?'. Expects UTF-8; a byte that is
// not UTF-8 also becomes '?'.
std::string TerminalSafe(std::string_view utf8);

// True when every byte belongs to a well-formed UTF-8 sequence.
bool IsUtf8(std::string_view text);

// Columns the text takes on a terminal: East Asian wide characters count two.
std::size_t DisplayWidth(std::string_view utf8);

} // namespace quorvel
