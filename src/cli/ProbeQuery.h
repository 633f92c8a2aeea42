#pragma once

#include <QUrlQuery>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace quorvel {

// The board one GET /probe names.
struct ProbeTarget {
    std::uint32_t ip = 0; // host order
    std::uint16_t port = 3040;
};

// The query's target=ADDRESS and optional port=N, each once and nothing
// else; the address must name a single host. Else the line a 400 says.
std::variant<ProbeTarget, QString>
ParseProbeQuery(const QUrlQuery& query, std::span<const std::uint32_t> directedBroadcasts);

// How long a probe may take: the scraper's time-out less a margin for the
// answer's way back, or the status time-out when it sent none.
qint64 ProbeBudgetMs(std::optional<double> scrapeTimeoutSeconds);

} // namespace quorvel
