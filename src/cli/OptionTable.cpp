#include "OptionTable.h"

#include "ExitCode.h"
#include "MonitorOutput.h"
#include "core/monitor/MetricsExposition.h"

namespace quorvel {

const std::vector<OptionSpec>& Options() {
    static const std::vector<OptionSpec> options = {
        {'h', "help", "", "Show this help (with a command: that command's help).", ForAll},
        {'V', "version", "", "Show the version.", ForAll},
        {'q', "quiet", "",
         "No progress line on standard error; ignored datagrams are counted and said once a "
         "minute at most.",
         ForAll},
        {0,
         "json",
         "",
         "Print JSON (search, assign --plan, status; monitor and firmware: one object per line).",
         ForAll,
         0,
         nullptr,
         {{ForSearch | ForStatus, "Print JSON."},
          {ForAssign, "Print JSON (with --plan)."},
          {ForMonitor | ForFirmware, "Print JSON, one object per line."}}},
        {0, "csv", "", "Print CSV with a header line.", ForSearch},
        {0, "interface", "NAME", "Search and send on this interface only; repeatable.", ForAll,
         ForAll},
        {0, "port", "N", "Remote port to search; repeatable, up to 10 (default 3040).", ForAll,
         ForAll},
        {0,
         "target",
         "ADDRESS",
         "Send the search to this address (a board, or a directed broadcast) instead of "
         "broadcasting it; a search of one board ends when it answers. The monitor takes it "
         "more than once.",
         ForSearch | ForStatus | ForMonitor,
         ForMonitor,
         nullptr,
         {{ForSearch | ForStatus,
           "Send the search to this address (a board, or a directed broadcast) instead of "
           "broadcasting it; a search of one board ends when it answers."},
          {ForMonitor, "Search this address (a board, or a directed broadcast) instead of "
                       "broadcasting; repeatable."}}},
        {0, "local-port", "N", "Bind this local port, so that a firewall can let replies in.",
         ForAll},
        {0, "wait", "SECONDS", "How long a search listens (default 10).", ForAll},
        {0, "ip", "A", "New IP address.", ForAssign},
        {0, "mask", "M", "New subnet mask.", ForAssign},
        {0, "gateway", "G", "New default gateway, 0.0.0.0 for none.", ForAssign},
        {0, "dhcp", "", "Let the board take its address from DHCP.", ForAssign},
        {0, "no-ping", "",
         "Send the request without touching the host: no cache flush, no neighbour entry, no "
         "ping.",
         ForAssign, 0, "ip"},
        {0, "repeat", "", "Repeat the request every 10 s until answered.", ForAssign, 0, "ip"},
        {0, "force", "",
         "Send an address even though it is this computer's own, its default gateway's or "
         "another device's (without the neighbour entry and ping for the first two).",
         ForAssign, 0, "ip"},
        {0,
         "plan",
         "FILE",
         "Assign every board of this CSV plan (header mac,ip,mask,gateway; dhcp in the ip "
         "column); firmware: push to every board of this CSV plan (header mac,file).",
         ForAssign | ForFirmware,
         0,
         nullptr,
         {{ForAssign, "Assign every board of this CSV plan (header mac,ip,mask,gateway; dhcp in "
                      "the ip column)."},
          {ForFirmware, "Push to every board of this CSV plan (header mac,file)."}}},
        {0, "dry-run", "", "Check the plan and send nothing.", ForAssign, 0, "plan"},
        {0, "verify", "", "After the plan, search and check every planned board.", ForAssign, 0,
         "plan"},
        {0, "file", "IMAGE",
         "The firmware image to push (a regular file of at most 32 MiB), sent as boot.img.",
         ForFirmware},
        {0, "parallel", "N", "Push to at most N boards at once (default 4, at most 256).",
         ForFirmware},
        {0, "no-wait", "",
         "Done once a board has the whole image; do not wait (up to 60 s) for it to answer a "
         "search again.",
         ForFirmware},
        {0, "watch", "SECONDS", "Ask again every SECONDS and print what changed.", ForStatus},
        {0, "interval", "SECONDS",
         "Ask every board once per SECONDS, the requests spread over it (default 30).", ForMonitor},
        {0, "rescan", "MINUTES",
         "Search again every MINUTES for new and moved boards (default 5), or after a duration "
         "such as 90s (at least 5s).",
         ForMonitor},
        {0, "listen", "[ADDRESS:]PORT",
         "Serve the metrics over HTTP for Prometheus on PORT, at ADDRESS (127.0.0.1 unless "
         "given).",
         ForMonitor},
        {0, "web-config", "FILE",
         "Serve the metrics as this web configuration file says (the format Prometheus' "
         "exporters take with --web.config.file): TLS, client certificates, basic auth users, "
         "response headers. SIGHUP reads it again.",
         ForMonitor},
        {0, "textfile", "PATH",
         "Write the metrics to PATH after every round, replacing it whole (for a textfile "
         "collector); PATH may not be a symbolic link.",
         ForMonitor},
        {0, "max-boards", "N",
         "Watch at most N boards (default 10000); boards found beyond it are counted, not "
         "watched.",
         ForMonitor},
        {0, "forget-after", "DURATION",
         "Stop watching a board that no search found and that did not answer for DURATION "
         "(default 24h; 0: never).",
         ForMonitor},
        {0, "probe-only", "",
         "Watch no fleet: no search, no rounds; only answer probes of single boards over "
         "--listen.",
         ForMonitor},
    };
    return options;
}

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        {CliCommand::Search,
         "search",
         "[--json | --csv] [--interface NAME]... [--port N]... [--target ADDRESS] [--wait SECONDS] "
         "[OPTIONS]",
         "List the boards that answer a search.",
         {"quorvel search", "quorvel search --interface eth1 --wait 3 --csv",
          "quorvel search --target 198.18.0.20 --json"}},
        {CliCommand::Assign,
         "assign",
         "MAC (--ip A --mask M --gateway G | --dhcp) [OPTIONS]\n       quorvel assign --plan "
         "FILE [--dry-run | --verify] [OPTIONS]",
         "Give one board an address, or DHCP; or many boards theirs, from a CSV plan.",
         {"quorvel assign 00-0B-3C-12-34-56 --ip 198.18.0.20 --mask 255.255.255.0 --gateway "
          "0.0.0.0",
          "quorvel assign 00-0B-3C-12-34-56 --dhcp",
          "quorvel assign --plan boards.csv --verify --json"}},
        {CliCommand::Status,
         "status",
         "(MAC | IP) [--json] [--watch SECONDS] [OPTIONS]",
         "Read a board's printer status flags.",
         {"quorvel status 198.18.0.20", "quorvel status 00-0B-3C-12-34-56 --watch 5"}},
        {CliCommand::Monitor,
         "monitor",
         "[--interval SECONDS] [--rescan MINUTES] [--target ADDRESS]... [--listen [ADDRESS:]PORT] "
         "[--web-config FILE] [--textfile PATH] [--max-boards N] [--forget-after DURATION] "
         "[OPTIONS]\n       "
         "quorvel monitor --probe-only --listen [ADDRESS:]PORT [OPTIONS]",
         "Watch every board's printer status until interrupted: a table on a terminal, else one "
         "line per change; metrics for Prometheus over HTTP with --listen, which also probes "
         "single boards on request, or in a file with --textfile. Only boards that answer from "
         "their own unicast address are asked.",
         {"quorvel monitor --interval 10 --listen 9847",
          "quorvel monitor --target 198.18.0.20 --target 198.18.0.21 --json",
          "quorvel monitor --textfile /var/lib/prometheus/node-exporter/quorvel.prom",
          "quorvel monitor --probe-only --listen 0.0.0.0:9847"}},
        {CliCommand::Firmware,
         "firmware",
         "(MAC | IP) --file IMAGE [OPTIONS]\n       quorvel firmware --plan FILE [--parallel N] "
         "[OPTIONS]",
         "Push a firmware image to a board's boot loader over TFTP, then wait for the board to "
         "answer a search again; or to every board of a CSV plan, a few at a time. A failed board "
         "never stops the others. Exit 0 when every board got the whole image (and answered "
         "again, unless --no-wait), 1 when any did not.",
         {"quorvel firmware 198.18.0.20 --file printer-v2.img",
          "quorvel firmware --plan firmware.csv --parallel 8 --json"},
         {{"target", "the board is named by its address"}}},
    };
    return commands;
}

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& spec : Commands())
        if (name == spec.name)
            return &spec;
    return nullptr;
}

unsigned CommandBit(CliCommand command) {
    // The masks are in the order of the enumeration.
    return 1u << static_cast<unsigned>(command);
}

namespace {

std::string optionNames(const OptionSpec& option) {
    std::string names = option.shortName ? std::string("-") + option.shortName + ", " : "    ";
    names += std::string("--") + option.longName;
    if (*option.valueName)
        names += std::string(" ") + option.valueName;
    return names;
}

// Word-wrapped to `width` columns after an indent of `indent`.
std::string wrapped(std::string_view text, std::size_t indent, std::size_t width) {
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + std::string(word);
        start = end + 1;
    }
    return out + line + "\n";
}

// Roff text: a leading dot or quote would be a request, a backslash an escape.
std::string roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

} // namespace

const char* OptionHelp(const OptionSpec& option, const CommandSpec* command) {
    if (command)
        for (const CommandHelp& own : option.helpFor)
            if (own.commands & CommandBit(command->command))
                return own.help;
    return option.help;
}

std::string RoffText(std::string_view text) {
    return roff(text);
}

bool OptionAppliesTo(const OptionSpec& option, CliCommand command) {
    return option.commands & CommandBit(command);
}

std::string HelpText(const CommandSpec* command) {
    constexpr std::size_t kColumn = 26;
    std::string out;
    if (command) {
        out = std::string("Usage: quorvel ") + command->name + " " + command->synopsis + "\n\n" +
              wrapped(command->summary, 0, 79) + "\nOptions:\n";
    } else {
        out = "Usage: quorvel COMMAND [OPTIONS]\n       quorvel help COMMAND\n\n" +
              wrapped("Finds the network boards of receipt printers on the local Ethernet "
                      "segment and sets them up.",
                      0, 79) +
              "\nCommands:\n";
        for (const CommandSpec& spec : Commands()) {
            const std::string name = spec.name;
            out += "  " + name + std::string(kColumn - 2 - name.size(), ' ') +
                   wrapped(spec.summary, kColumn, 79);
        }
        out += "\nOptions:\n";
    }
    for (const OptionSpec& option : Options()) {
        if (command && !(option.commands & CommandBit(command->command)))
            continue;
        std::string names = "  " + optionNames(option);
        names += names.size() + 2 <= kColumn ? std::string(kColumn - names.size(), ' ')
                                             : "\n" + std::string(kColumn, ' ');
        out += names + wrapped(OptionHelp(option, command), kColumn, 79);
    }
    if (command) {
        out += "\nExamples:\n";
        for (const char* example : command->examples)
            out += std::string("  ") + example + "\n";
    } else {
        out += "\nSee quorvel COMMAND --help for each command's options and examples.\n";
    }
    return out + "\n" + kExitStatusText;
}

std::string ManSections() {
    std::string out = ".SH COMMANDS\n";
    for (const CommandSpec& spec : Commands()) {
        out += ".TP\n.B " + std::string(spec.name) + "\n" + roff(spec.summary) + "\n";
    }
    out += ".TP\n.BI \"help \" [COMMAND]\nShow the help, or one command's help with its options "
           "and examples (as\n.BI \"quorvel \" COMMAND \" \\-\\-help\"\ndoes).\n";
    out += ".SH OPTIONS\n";
    for (const OptionSpec& option : Options()) {
        const std::string longName = "\\-\\-" + roff(option.longName);
        if (*option.valueName)
            out += ".TP\n.BI \"" + longName + " \" " + option.valueName;
        else if (option.shortName)
            out += std::string(".TP\n.BR \\-") + option.shortName + " \", \" " + longName;
        else
            out += ".TP\n.B " + longName;
        out += "\n" + roff(option.help);
        if (option.commands != ForAll) {
            std::string applies;
            for (const CommandSpec& spec : Commands())
                if (option.commands & CommandBit(spec.command))
                    applies += (applies.empty() ? "" : ", ") + std::string(spec.name);
            out += " (" + applies + ")";
        }
        out += "\n";
    }
    out += ".SH EXAMPLES\n";
    for (const CommandSpec& spec : Commands())
        for (const char* example : spec.examples)
            out += ".PP\n.nf\n" + roff(example) + "\n.fi\n";
    out += ".SH \"EXIT STATUS\"\n" + roff(kExitStatusText);
    return out;
}

std::string MetricsManSection() {
    std::string out =
        ".SH METRICS\n.B quorvel monitor\nwrites these series in the Prometheus text format, "
        "served at\n.B GET /metrics\nwith\n.B \\-\\-listen\nand written to the\n"
        ".B \\-\\-textfile\nfile.\nThe values are those of the last round: a scrape never asks "
        "a board.\n.B GET /probe?target=\\fIADDRESS\\fP[&port=\\fIN\\fP]\nasks one board now "
        "(a search sent to its address, by default at port 3040, then a status request) within "
        "the scraper's time-out\n(\\fBX\\-Prometheus\\-Scrape\\-Timeout\\-Seconds\\fP less half a "
        "second; 4 seconds without it)\nand answers\n"
        R"(.BR quorvel_probe_success " and " quorvel_probe_duration_seconds)"
        "\nand the board's\n"
        R"(.BR quorvel_printer_up ", " quorvel_printer_info " and " quorvel_printer_flag)"
        "\nseries; a bad or missing target is refused with 400.\n";
    for (const MetricDescription& metric : MonitorMetrics()) {
        out += ".TP\n.B " + roff(metric.name);
        if (*metric.labels)
            out += std::string("{") + metric.labels + "}";
        out += std::string("\n") + metric.type +
               (*metric.unit ? std::string(", ") + metric.unit : "") + ". " + roff(metric.help) +
               "\n";
    }
    out += ".PP\nThe\n.B flag\nlabel takes these values, in the bit order of the status word "
           "(the name the JSON and text outputs use in parentheses):\n";
    const auto& names = PrinterStatusFlagNames();
    for (std::size_t f = 0; f < names.size(); ++f)
        out += ".BR " + roff(names[f].key) + " \" (" + roff(names[f].name) + ")" +
               (f + 1 < names.size() ? ",\"\n" : ".\"\n");
    out += ".PP\nThe\n.B reason\nlabel of\n.B quorvel_monitor_replies_ignored_total\nis one of\n"
           R"(.BR wrong_length ", " unknown_sender ", " duplicate ", " late ", " not_unicast ", " )"
           R"(address_mismatch " and " board_limit .)"
           "\n";
    return out;
}

std::string MonitorJsonManText() {
    std::string out = ".PP\n.B monitor \\-\\-json\nprints one object a line for each change of "
                      "a board:\n";
    const auto& keys = MonitorJsonKeys();
    for (std::size_t i = 0; i < keys.size(); ++i)
        out += ".BR " + std::string(keys[i].first) + " \" (" + roff(keys[i].second) +
               (i + 1 < keys.size() ? ")," : ").") + "\"\n";
    return out;
}

} // namespace quorvel
