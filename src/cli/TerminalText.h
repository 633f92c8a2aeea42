#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// True when every byte belongs to a well-formed UTF-8 sequence.
bool IsUtf8(std::string_view text);

// Columns the text takes on a terminal: East Asian wide characters count two.
std::size_t DisplayWidth(std::string_view utf8);

} // namespace quorvel
