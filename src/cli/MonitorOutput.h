#pragma once

#include "core/monitor/StatusMonitor.h"

#include <QByteArray>
#include <string>
#include <vector>

namespace quorvel {

// A monitor's change as one line of text: time, MAC, IP, name, then what
// changed.
std::string MonitorChangeText(const MonitoredBoard& board, const StatusChange& change);
// The same as one JSON object on a line: time, mac, ip, name, interface,
// answered, and the flags set before and after (null where unknown or no
// answer).
QByteArray MonitorChangeJson(const MonitoredBoard& board, const StatusChange& change);
// The keys of MonitorChangeJson's object with what each holds, for the
// manual page.
const std::vector<std::pair<const char*, const char*>>& MonitorJsonKeys();
// Every board on one line each, for a terminal redrawn in place.
std::string MonitorTable(const std::vector<MonitoredBoard>& boards);

} // namespace quorvel
