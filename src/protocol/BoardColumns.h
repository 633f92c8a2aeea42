#pragma once

#include "Addresses.h"
#include "DeviceRecord.h"

#include <array>
#include <string>
#include <string_view>

namespace quorvel {

// The columns of one found board, shared by the command line's outputs and
// the list's export so that a file written by one reads like the other.
enum class BoardColumnKind { Text, Number };

struct BoardColumn {
    std::string_view key;   // JSON key and CSV header: never changes meaning
    std::string_view title; // heading of the table for people
    BoardColumnKind kind;
};

constexpr std::size_t kBoardColumnCount = 13;

const std::array<BoardColumn, kBoardColumnCount>& BoardColumns();

// The record's values in column order. The interface is the name of the link
// the board answered on ("" when unknown). Labels lose the ": " that the
// device table appends to them.
std::array<std::string, kBoardColumnCount> BoardColumnValues(const DeviceRecord& record,
                                                             std::string_view interfaceName);

// Every unit, never normalised: a board's 30 hours stay 30 hours.
std::string ElapsedText(std::uint32_t days, unsigned hours, unsigned minutes, unsigned seconds);

// RFC 4180: a field with a comma, a quote or a line break is quoted, quotes
// doubled; records end in CRLF.
std::string CsvField(std::string_view value);
std::string BoardCsvHeader();
std::string BoardCsvRecord(const DeviceRecord& record, std::string_view interfaceName);
// The same record for a spreadsheet: a text that the spreadsheet would take
// for a formula (a leading =, +, -, @, tab or carriage return) gets a leading
// apostrophe, so it shows as the text it is.
std::string BoardSpreadsheetRecord(const DeviceRecord& record, std::string_view interfaceName);

} // namespace quorvel
