#pragma once

#include "AssignPlan.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One row of a firmware plan: this board takes this image.
struct FirmwareRow {
    int line = 0;
    MacAddress mac{};
    std::string file; // as written; relative to the plan's folder
};

struct FirmwarePlan {
    std::vector<FirmwareRow> rows;
    std::vector<PlanProblem> problems; // any problem: send nothing
};

// UTF-8 CSV (RFC 4180) with a header naming the columns mac and file in any
// order, then one row per board, each MAC once. Blank lines and lines
// starting with '#' are skipped.
FirmwarePlan ReadFirmwarePlan(std::string_view bytes);

} // namespace quorvel
