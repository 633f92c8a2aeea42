#pragma once

#include "protocol/PrinterStatusDatagrams.h"

#include <QByteArray>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

struct StatusFlagName {
    std::string_view name; // the flag's name
    std::string_view text; // the status dialog's caption for it
};

// In bit order.
const std::array<StatusFlagName, kPrinterStatusFlagCount>& StatusFlagNames();

// Fourteen lines: name, caption, yes or no.
std::string StatusText(const PrinterStatusFlags& flags);
// {"mac", "ip", "answered", "flags": [{"name", "text", "set"}, ...]}; no
// flags when the board did not answer. A watch adds the time of the look.
QByteArray StatusJson(std::string_view mac, std::string_view ip,
                      const std::optional<PrinterStatusFlags>& flags, std::string_view time = {});

// What changed between two looks at a board, one line each: a flag set or
// cleared, or the board falling silent or answering again. The first look
// (nothing before) reports every flag that is set, or the silence.
std::vector<std::string> StatusChanges(const std::optional<PrinterStatusFlags>& before,
                                       bool lookedBefore,
                                       const std::optional<PrinterStatusFlags>& now);

} // namespace quorvel
