#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

// The datagrams a quiet run read and dropped, counted by why: anyone on the
// link can send a flood of them, and a line each would flood the journal.
class IgnoredDatagrams {
public:
    void count(const std::string& reason);
    // "N datagrams ignored: REASON (n), ..." in the order the reasons first
    // came, and the count starts over; nothing when none came since.
    std::optional<std::string> takeSummary();

private:
    std::vector<std::pair<std::string, std::uint64_t>> m_reasons;
    std::uint64_t m_total = 0;
};

} // namespace quorvel
