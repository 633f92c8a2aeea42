#pragma once

#include "OptionValues.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One row of a plan: give this board these addresses, or DHCP.
struct PlanRow {
    int line = 0;
    MacAddress mac{};
    bool dhcp = false;
    Ipv4Address ip{}, mask{}, gateway{};
};

// What is wrong, and where; line 0 is the plan as a whole.
struct PlanProblem {
    int line = 0;
    std::string what;
};

struct AssignPlan {
    std::vector<PlanRow> rows;
    std::vector<PlanProblem> problems; // any problem: run nothing
};

// What one plan may hold: a file larger than this is refused unread, a plan
// with more rows is refused whole.
constexpr std::size_t kMaxPlanBytes = 10'000'000;
constexpr std::size_t kMaxPlanRows = 100'000;

// The address checks a static row must pass: why its addresses would strand
// the board, or nothing.
using PlanAddressCheck = std::function<std::optional<std::string>(const PlanRow&)>;

// A plan is UTF-8 text: a header naming the columns mac, ip, mask and gateway
// (in any order), then one row per board; "dhcp" in the ip column asks for
// DHCP (mask and gateway may then be left out). Blank lines and lines starting
// with '#' are skipped.
AssignPlan ReadAssignPlan(std::string_view bytes, const PlanAddressCheck& checkAddresses);

// "FILE:LINE: what", or "FILE: what" for the plan as a whole.
std::string PlanProblemText(std::string_view fileName, const PlanProblem& problem);

} // namespace quorvel
