#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class StatusMonitor;
struct MonitoredBoard;
struct ProbeResult;

// One series the monitor exposes: what HELP and TYPE say, and what the
// manual page lists.
struct MetricDescription {
    const char* name;
    const char* type;   // gauge or counter
    const char* unit;   // "" when a plain number
    const char* labels; // comma-separated, "" for none
    const char* help;
};

// Every series, in the order the exposition writes them; the probe's own
// two come last.
const std::vector<MetricDescription>& MonitorMetrics();

// What the exposition tells beside the monitor's own state.
struct MonitorFacts {
    bool fleet = true; // false: a monitor that only answers probes has no rounds to tell
    std::uint64_t searches = 0;
    std::string version;
    std::string qtVersion;
};

// A label value as the Prometheus text format wants it: valid UTF-8 (bad
// bytes become U+FFFD), with backslash, double quote and line feed escaped.
std::string PrometheusLabelValue(std::string_view bytes);

// Every series of the monitor in the Prometheus text exposition format.
std::string MetricsExposition(const StatusMonitor& monitor, const MonitorFacts& facts);

// One probe's answer: whether and how fast it succeeded, and the board's
// own series as far as it answered.
std::string ProbeExposition(const ProbeResult& result);

} // namespace quorvel
