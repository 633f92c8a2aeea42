#pragma once

#include <string>
#include <string_view>

namespace quorvel {

class StatusMonitor;

// A label value as the Prometheus text format wants it: valid UTF-8 (bad
// bytes become U+FFFD), with backslash, double quote and line feed escaped.
std::string PrometheusLabelValue(std::string_view bytes);

// Every series of the monitor in the Prometheus text exposition format.
std::string MetricsExposition(const StatusMonitor& monitor);

} // namespace quorvel
