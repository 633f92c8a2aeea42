#include "MetricsExposition.h"

#include "StatusMonitor.h"

#include <QString>
#include <cstdio>

namespace quorvel {

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

void header(std::string& out, const char* name, const char* help, const char* type = "gauge") {
    out += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

} // namespace

std::string MetricsExposition(const StatusMonitor& monitor) {
    const auto& boards = monitor.boards();
    const auto& names = PrinterStatusFlagNames();
    std::vector<std::string> macs;
    macs.reserve(boards.size());
    for (const MonitoredBoard& board : boards)
        macs.push_back(MacText(board.record.mac));

    std::string out;
    out.reserve(boards.size() * 1200 + 1024);
    header(out, "quorvel_printer_up", "1 if the board answered its last status request.");
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const MonitoredBoard& board = boards[i];
        out += "quorvel_printer_up{mac=\"" + macs[i] + "\",ip=\"" + Ipv4Text(board.record.ip) +
               "\",name=\"" + PrometheusLabelValue(board.record.name) + "\",interface=\"" +
               PrometheusLabelValue(board.interfaceName) + "\"} " + (board.up ? "1\n" : "0\n");
    }
    header(out, "quorvel_printer_flag",
           "The printer status flags of the board's last answer (1 set, 0 clear).");
    for (std::size_t i = 0; i < boards.size(); ++i) {
        if (!boards[i].flags)
            continue;
        for (std::size_t f = 0; f < kPrinterStatusFlagCount; ++f) {
            out += "quorvel_printer_flag{mac=\"" + macs[i] + "\",flag=\"";
            out += names[f].key;
            out += (*boards[i].flags)[f] ? "\"} 1\n" : "\"} 0\n";
        }
    }
    header(out, "quorvel_printer_last_answer_timestamp_seconds",
           "When the board last answered, in seconds since the epoch.");
    for (std::size_t i = 0; i < boards.size(); ++i)
        if (boards[i].lastAnswerMs)
            out += "quorvel_printer_last_answer_timestamp_seconds{mac=\"" + macs[i] + "\"} " +
                   number(boards[i].lastAnswerMs / 1000.0) + '\n';
    header(out, "quorvel_monitor_boards", "Boards being monitored.");
    out += "quorvel_monitor_boards " + std::to_string(boards.size()) + '\n';
    header(out, "quorvel_monitor_round_duration_seconds",
           "How long the last complete round took, from its first request to its last answer "
           "or time-out.");
    out += "quorvel_monitor_round_duration_seconds " + number(monitor.lastRoundSeconds()) + '\n';
    header(out, "quorvel_monitor_replies_ignored_total",
           "Replies set aside: wrong length, unknown sender, duplicate or late.", "counter");
    const MonitorCounters& c = monitor.counters();
    const std::pair<const char*, std::uint64_t> ignored[] = {{"wrong_length", c.wrongLength},
                                                             {"unknown_sender", c.unknownSender},
                                                             {"duplicate", c.duplicate},
                                                             {"late", c.late}};
    for (const auto& [reason, count] : ignored)
        out += std::string("quorvel_monitor_replies_ignored_total{reason=\"") + reason + "\"} " +
               std::to_string(count) + '\n';
    return out;
}

} // namespace quorvel
