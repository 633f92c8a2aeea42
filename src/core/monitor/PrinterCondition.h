#pragma once

#include "protocol/PrinterStatusDatagrams.h"

#include <QString>
#include <optional>

namespace quorvel {

struct MonitoredBoard;

// A printer's condition in one word, worst first: the enumerators' order is
// the overview's sort order.
enum class PrinterCondition {
    NoAnswer,
    Fault,
    Offline,
    CoverOpen,
    PaperOut,
    PaperNearEnd,
    Normal,
};
constexpr std::size_t kPrinterConditionCount = 7;

// The condition an answer's flags show; no answer is NoAnswer.
PrinterCondition ConditionOf(const std::optional<PrinterStatusFlags>& answer);

// A monitored board's condition; nothing before its first answer or time-out.
std::optional<PrinterCondition> ConditionOf(const MonitoredBoard& board);

// The word people read, translated (context "PrinterCondition").
QString PrinterConditionWord(PrinterCondition condition);

} // namespace quorvel
