#include "core/monitor/MetricsExposition.h"

#include "core/monitor/BoardProbes.h"
#include "core/net/NetworkInterfaces.h"
#include "core/monitor/StatusMonitor.h"

#include <QString>
#include <cstdio>
#include <cstring>

namespace quorvel {

const std::vector<MetricDescription>& MonitorMetrics() {
    static const std::vector<MetricDescription> metrics = {
        {"quorvel_printer_up", "gauge", "", "mac",
         "1 if the board answered its status request in the last round, else 0."},
        {"quorvel_printer_info", "gauge", "", "mac,ip,name,interface",
         "Always 1: the address, name and host interface of the board's last search reply."},
        {"quorvel_printer_flag", "gauge", "", "mac,flag",
         "The printer status flags of the board's last answer, kept while it is silent (1 set, "
         "0 clear)."},
        {"quorvel_printer_last_answer_timestamp_seconds", "gauge", "seconds", "mac",
         "When the board last answered a status request, since the epoch."},
        {"quorvel_monitor_boards", "gauge", "", "", "Boards watched at the end of the last round."},
        {"quorvel_monitor_round_duration_seconds", "gauge", "seconds", "",
         "How long the last complete round took, from its first request to its last answer or "
         "time-out."},
        {"quorvel_monitor_requests_sent_total", "counter", "", "",
         "Status requests sent to watched boards."},
        {"quorvel_monitor_timeouts_total", "counter", "", "",
         "Status requests that went unanswered within the time-out."},
        {"quorvel_monitor_searches_total", "counter", "", "", "Searches for boards run."},
        {"quorvel_monitor_boards_forgotten_total", "counter", "", "",
         "Boards dropped after being neither found nor heard for --forget-after."},
        {"quorvel_monitor_replies_ignored_total", "counter", "", "reason",
         "Replies set aside: status replies of the wrong length, from an unknown sender, "
         "duplicate or late; search replies naming no single host's address, sent from another "
         "address than the board's, or over --max-boards."},
        {"quorvel_build_info", "gauge", "", "version,qt_version",
         "Always 1: the version of quorvel and of the Qt it runs on."},
        {"quorvel_probe_success", "gauge", "", "",
         "/probe only: 1 if the board answered both its search and its status request in time."},
        {"quorvel_probe_duration_seconds", "gauge", "seconds", "",
         "/probe only: how long the probe took."},
    };
    return metrics;
}

std::string PrometheusLabelValue(std::string_view bytes) {
    const QByteArray valid = QString::fromUtf8(bytes.data(), qsizetype(bytes.size())).toUtf8();
    std::string out;
    out.reserve(std::size_t(valid.size()));
    for (const char c : valid) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

namespace {

void header(std::string& out, const char* name) {
    for (const MetricDescription& metric : MonitorMetrics())
        if (std::strcmp(metric.name, name) == 0) {
            out += std::string("# HELP ") + name + ' ' + metric.help + "\n# TYPE " + name + ' ' +
                   metric.type + '\n';
            return;
        }
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string macLabel(const DeviceRecord& record) {
    return "{mac=\"" + MacText(record.mac) + '"';
}

void upSeries(std::string& out, const std::string& mac, bool up) {
    out += "quorvel_printer_up" + mac + (up ? "} 1\n" : "} 0\n");
}

void infoSeries(std::string& out, const std::string& mac, const DeviceRecord& record,
                const std::string& interfaceName) {
    out += "quorvel_printer_info" + mac + ",ip=\"" + Ipv4Text(record.ip) + "\",name=\"" +
           PrometheusLabelValue(record.name) + "\",interface=\"" +
           PrometheusLabelValue(interfaceName) + "\"} 1\n";
}

void flagSeries(std::string& out, const std::string& mac, const PrinterStatusFlags& flags) {
    const auto& names = PrinterStatusFlagNames();
    for (std::size_t f = 0; f < kPrinterStatusFlagCount; ++f) {
        out += "quorvel_printer_flag" + mac + ",flag=\"";
        out += names[f].key;
        out += flags[f] ? "\"} 1\n" : "\"} 0\n";
    }
}

} // namespace

std::string MetricsExposition(const StatusMonitor& monitor, const MonitorFacts& facts) {
    const auto& boards = monitor.boards();
    std::vector<std::string> macs;
    macs.reserve(boards.size());
    for (const MonitoredBoard& board : boards)
        macs.push_back(macLabel(board.record));

    std::string out;
    out.reserve(boards.size() * 1100 + 4096);
    header(out, "quorvel_printer_up");
    for (std::size_t i = 0; i < boards.size(); ++i)
        upSeries(out, macs[i], boards[i].up);
    header(out, "quorvel_printer_info");
    for (std::size_t i = 0; i < boards.size(); ++i)
        infoSeries(out, macs[i], boards[i].record, boards[i].interfaceName);
    header(out, "quorvel_printer_flag");
    for (std::size_t i = 0; i < boards.size(); ++i)
        if (boards[i].flags)
            flagSeries(out, macs[i], *boards[i].flags);
    header(out, "quorvel_printer_last_answer_timestamp_seconds");
    for (std::size_t i = 0; i < boards.size(); ++i)
        if (boards[i].lastAnswerMs)
            out += "quorvel_printer_last_answer_timestamp_seconds" + macs[i] + "} " +
                   number(boards[i].lastAnswerMs / 1000.0) + '\n';

    const MonitorCounters& c = monitor.counters();
    const std::pair<const char*, std::string> fleet[] = {
        {"quorvel_monitor_boards", std::to_string(boards.size())},
        {"quorvel_monitor_round_duration_seconds", number(monitor.lastRoundSeconds())},
        {"quorvel_monitor_requests_sent_total", std::to_string(c.requestsSent)},
        {"quorvel_monitor_timeouts_total", std::to_string(c.timeouts)},
        {"quorvel_monitor_searches_total", std::to_string(facts.searches)},
        {"quorvel_monitor_boards_forgotten_total", std::to_string(c.forgotten)},
    };
    for (const auto& [name, value] : fleet) {
        if (!facts.fleet)
            break;
        header(out, name);
        out += std::string(name) + ' ' + value + '\n';
    }
    header(out, "quorvel_monitor_replies_ignored_total");
    const std::pair<const char*, std::uint64_t> ignored[] = {
        {"wrong_length", c.wrongLength},
        {"unknown_sender", c.unknownSender},
        {"duplicate", c.duplicate},
        {"late", c.late},
        {"not_unicast", c.notUnicast},
        {"address_mismatch", c.addressMismatch + monitor.probeAddressMismatches()},
        {"board_limit", c.boardLimit},
    };
    for (const auto& [reason, count] : ignored)
        out += std::string("quorvel_monitor_replies_ignored_total{reason=\"") + reason + "\"} " +
               std::to_string(count) + '\n';
    header(out, "quorvel_build_info");
    out += "quorvel_build_info{version=\"" + PrometheusLabelValue(facts.version) +
           "\",qt_version=\"" + PrometheusLabelValue(facts.qtVersion) + "\"} 1\n";
    return out;
}

std::string ProbeExposition(const ProbeResult& result) {
    std::string out;
    header(out, "quorvel_probe_success");
    out += result.success() ? "quorvel_probe_success 1\n" : "quorvel_probe_success 0\n";
    header(out, "quorvel_probe_duration_seconds");
    out += "quorvel_probe_duration_seconds " + number(result.seconds) + '\n';
    if (!result.record)
        return out;
    const std::string mac = macLabel(*result.record);
    header(out, "quorvel_printer_up");
    upSeries(out, mac, result.flags.has_value());
    header(out, "quorvel_printer_info");
    infoSeries(out, mac, *result.record, InterfaceName(result.record->interfaceIndex));
    if (result.flags) {
        header(out, "quorvel_printer_flag");
        flagSeries(out, mac, *result.flags);
    }
    return out;
}

} // namespace quorvel
