#pragma once

#include "SimBoard.h"

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::sim {

constexpr std::size_t kMaxBoards = 100000;

struct BoardsOrError {
    std::vector<SimBoard> boards;
    std::string error; // empty on success; names the line at fault
};

// Boards from CSV text (UTF-8, a header row naming the columns; the format is
// described in README.md). Texts are converted to the boards' GB18030 bytes.
BoardsOrError ParseBoardFile(std::istream& in);
BoardsOrError LoadBoardFile(const std::string& path);

// `count` boards with distinct MACs, addresses in 198.18.0.0/15 and Chinese
// names. Board n (1-based) has the name GeneratedBoardName(n).
std::vector<SimBoard> GenerateBoards(std::size_t count);
std::string GeneratedBoardName(std::size_t number); // UTF-8

// UTF-8 to GB18030; false when the text is not valid UTF-8.
bool ToBoardText(std::string_view utf8, std::string& out);

} // namespace quorvel::sim
