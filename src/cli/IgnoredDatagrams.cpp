#include "IgnoredDatagrams.h"

#include <algorithm>

namespace quorvel {

void IgnoredDatagrams::count(const std::string& reason) {
    ++m_total;
    const auto known = std::find_if(m_reasons.begin(), m_reasons.end(),
                                    [&](const auto& counted) { return counted.first == reason; });
    if (known != m_reasons.end())
        ++known->second;
    else
        m_reasons.emplace_back(reason, 1);
}

std::optional<std::string> IgnoredDatagrams::takeSummary() {
    if (m_total == 0)
        return std::nullopt;
    std::string line =
        std::to_string(m_total) + (m_total == 1 ? " datagram" : " datagrams") + " ignored: ";
    for (std::size_t i = 0; i < m_reasons.size(); ++i)
        line +=
            (i ? ", " : "") + m_reasons[i].first + " (" + std::to_string(m_reasons[i].second) + ")";
    m_reasons.clear();
    m_total = 0;
    return line;
}

} // namespace quorvel
