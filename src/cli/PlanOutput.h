#pragma once

#include "AssignPlan.h"
#include "protocol/DeviceRecord.h"

#include <QByteArray>
#include <optional>
#include <span>
#include <string>

namespace quorvel {

enum class RowVerdict {
    Programmed, // the board took it
    Refused,    // the board answered with a failure code
    TimedOut,   // no answer within the countdown
};

// What became of one row of a plan.
struct PlanOutcome {
    PlanRow row;
    RowVerdict verdict = RowVerdict::TimedOut;
    std::string text;             // the verdict as the dialog's status line shows it
    std::optional<bool> verified; // with --verify: the board answers as planned
};

// Whether a board's search reply shows what its row planned: DHCP mode, or
// static mode with the planned address, mask and gateway.
bool AnswersAsPlanned(const PlanRow& row, const DeviceRecord& record);

std::string PlanTable(std::span<const PlanOutcome> outcomes);
QByteArray PlanJson(std::span<const PlanOutcome> outcomes);
// 0 only when every row was programmed (and verified, when checked); 3 when
// any board refused; else 1.
int PlanExitCode(std::span<const PlanOutcome> outcomes);

} // namespace quorvel
