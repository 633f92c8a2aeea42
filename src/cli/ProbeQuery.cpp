#include "ProbeQuery.h"

#include "OptionValues.h"
#include "core/monitor/StatusMonitor.h"

#include <algorithm>

namespace quorvel {

std::variant<ProbeTarget, QString>
ParseProbeQuery(const QUrlQuery& query, std::span<const std::uint32_t> directedBroadcasts) {
    ProbeTarget target;
    bool named = false, ported = false;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("target") && !named) {
            const auto address = ParseIpv4Address(value.toStdString());
            if (!address)
                return QStringLiteral("target: not an IPv4 address");
            target.ip = Ipv4Word(*address);
            if (!IsUnicastHostAddress(target.ip, directedBroadcasts))
                return QStringLiteral("target: not a single host's address");
            named = true;
        } else if (key == QLatin1String("port") && !ported) {
            const auto port = ParsePort(value.toStdString());
            if (!std::holds_alternative<std::uint16_t>(port))
                return QStringLiteral("port: expected 1 to 65535");
            target.port = std::get<std::uint16_t>(port);
            ported = true;
        } else {
            return QStringLiteral("unexpected or repeated parameter: ") + key.left(64);
        }
    }
    if (!named)
        return QStringLiteral("missing target=ADDRESS");
    return target;
}

qint64 ProbeBudgetMs(std::optional<double> scrapeTimeoutSeconds) {
    constexpr qint64 kMarginMs = 500;
    if (!scrapeTimeoutSeconds || !(*scrapeTimeoutSeconds > 0))
        return StatusMonitor::kTimeoutMs;
    const double ms = std::min(*scrapeTimeoutSeconds, 300.0) * 1000;
    // A short time-out keeps most of itself: the margin is at most a quarter.
    return std::max<qint64>(qint64(ms - std::min<double>(kMarginMs, ms / 4)), 1);
}

} // namespace quorvel
