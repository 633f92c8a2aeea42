#include "core/monitor/PrinterCondition.h"

#include "core/monitor/StatusMonitor.h"

#include <QCoreApplication>
#include <array>

namespace quorvel {

PrinterCondition ConditionOf(const std::optional<PrinterStatusFlags>& answer) {
    if (!answer)
        return PrinterCondition::NoAnswer;
    const PrinterStatusFlags& f = *answer;
    // A printer reports the consequence (offline, "error occurred", waiting
    // for recovery) beside its cause, so the cause names the condition: the
    // cutter and the error classes are a fault, then cover and paper; a
    // consequence without a known cause is a fault ("error occurred") or
    // offline.
    if (f[CutterError] || f[UnrecoverableError] || f[RecoverableError] || f[AutoRecoverableError])
        return PrinterCondition::Fault;
    if (f[CoverOpen])
        return PrinterCondition::CoverOpen;
    if (f[PaperOut] || f[StoppedNoPaper])
        return PrinterCondition::PaperOut;
    if (f[ErrorOccurred])
        return PrinterCondition::Fault;
    if (f[Offline] || f[WaitingOnlineRecovery])
        return PrinterCondition::Offline;
    if (f[PaperNearEnd])
        return PrinterCondition::PaperNearEnd;
    return PrinterCondition::Normal;
}

std::optional<PrinterCondition> ConditionOf(const MonitoredBoard& board) {
    if (!board.reported)
        return std::nullopt;
    return ConditionOf(board.up ? board.flags : std::nullopt);
}

QString PrinterConditionWord(PrinterCondition condition) {
    static const std::array<const char*, kPrinterConditionCount> words{{
        QT_TRANSLATE_NOOP("PrinterCondition", "无应答"),
        QT_TRANSLATE_NOOP("PrinterCondition", "故障"),
        QT_TRANSLATE_NOOP("PrinterCondition", "脱机"),
        QT_TRANSLATE_NOOP("PrinterCondition", "上盖打开"),
        QT_TRANSLATE_NOOP("PrinterCondition", "缺纸"),
        QT_TRANSLATE_NOOP("PrinterCondition", "纸将尽"),
        QT_TRANSLATE_NOOP("PrinterCondition", "正常"),
    }};
    return QCoreApplication::translate("PrinterCondition", words.at(std::size_t(condition)));
}

} // namespace quorvel
