#pragma once

#include "protocol/DeviceRecord.h"

#include <QByteArray>
#include <span>
#include <string>

namespace quorvel {

// A board as the command line prints it: the record and the name of the
// interface it answered on.
struct FoundBoard {
    DeviceRecord record;
    std::string interfaceName;
};

// Aligned columns for people, board texts made safe for a terminal.
std::string BoardTable(std::span<const FoundBoard> boards);
// One array of objects keyed by the columns' keys.
QByteArray BoardJson(std::span<const FoundBoard> boards);
// RFC 4180, with a header.
std::string BoardCsv(std::span<const FoundBoard> boards);

} // namespace quorvel
