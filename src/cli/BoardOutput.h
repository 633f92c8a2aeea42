#pragma once

#include "protocol/DeviceRecord.h"

#include <QByteArray>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace quorvel {

// A board as the command line prints it: the record and the name of the
// interface it answered on.
struct FoundBoard {
    DeviceRecord record;
    std::string interfaceName;
};

// Aligned columns for people, board texts made safe for a terminal.
std::string BoardTable(std::span<const FoundBoard> boards);
// One array of objects keyed by the columns' keys, byte for byte as
// QJsonDocument writes them compact, one object per board, except that DEL,
// C1 controls, U+2028 and U+2029 are \u escapes too.
QByteArray BoardJson(std::span<const FoundBoard> boards);
// The same bytes handed to `write` a piece at a time as they are made, so
// that thousands of boards never sit in memory as text.
void WriteBoardJson(std::span<const FoundBoard> boards,
                    const std::function<void(std::string_view)>& write);
// RFC 4180, with a header: the texts as the boards sent them, or for a
// terminal with their control characters made visible.
std::string BoardCsv(std::span<const FoundBoard> boards, bool forTerminal = false);

} // namespace quorvel
