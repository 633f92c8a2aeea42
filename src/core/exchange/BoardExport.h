#pragma once

#include "protocol/DeviceRecord.h"

#include <QString>
#include <vector>

namespace quorvel {

// Writes the boards to a CSV file: a header, then one row per board, in the
// columns of the command line's --csv, with formula-like texts neutralised
// for spreadsheets (BoardSpreadsheetRecord). The file is written under a temporary
// name beside the target and renamed over it, so a failed export leaves
// nothing half-written. Returns empty on success, else the system's reason.
QString ExportBoardsCsv(const QString& path, const std::vector<DeviceRecord>& boards);

} // namespace quorvel
