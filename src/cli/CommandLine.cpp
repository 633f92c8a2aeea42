#include "CommandLine.h"

#include <QCommandLineParser>

namespace quorvel {

namespace {

EarlyExit usageError(const std::string& what) {
    return {ExitUsage, {}, "quorvel: " + what + " (see quorvel --help)\n"};
}

// The description --help prints above the options.
const char* const kDescription =
    "Finds the network boards of receipt printers on the local Ethernet segment and sets "
    "them up.\n\n"
    "Commands:\n"
    "  search                     list the boards that answer\n"
    "  assign MAC (--ip A --mask M --gateway G | --dhcp)\n"
    "                             give one board an address, or DHCP\n"
    "  assign --plan FILE         give many boards theirs, from a CSV plan\n"
    "                             (header mac,ip,mask,gateway; dhcp in the ip column)\n"
    "  status (MAC | IP)          read a board's printer status flags\n\n"
    "Exit status: 0 done, 1 nothing found or no answer, 2 bad arguments or input\n"
    "(nothing sent), 3 the board refused.";

} // namespace

std::variant<CommandLine, EarlyExit> ParseCommandLine(const QStringList& arguments,
                                                      const QString& version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption versionOption({"V", "version"}, "Show the version.");
    const QCommandLineOption json("json", "Print JSON (search, assign --plan, status).");
    const QCommandLineOption csv("csv", "Print CSV with a header (search).");
    const QCommandLineOption interface(
        "interface", "Search and send on this interface only; repeatable.", "NAME");
    const QCommandLineOption port("port", "Remote port to search; repeatable (default 3040).", "N");
    const QCommandLineOption target(
        "target", "Send the search to this address instead of broadcasting it.", "ADDRESS");
    const QCommandLineOption localPort(
        "local-port", "Bind this local port, so that a firewall can let replies in.", "N");
    const QCommandLineOption quiet({"q", "quiet"}, "No progress on standard error.");
    const QCommandLineOption ip("ip", "New IP address (assign).", "A");
    const QCommandLineOption mask("mask", "New subnet mask (assign).", "M");
    const QCommandLineOption gateway("gateway", "New default gateway, 0.0.0.0 for none (assign).",
                                     "G");
    const QCommandLineOption dhcp("dhcp", "Let the board take its address from DHCP (assign).");
    const QCommandLineOption noPing("no-ping",
                                    "Send the request without the neighbour entry and ping.");
    const QCommandLineOption repeat("repeat", "Repeat the request every 10 s until answered.");
    const QCommandLineOption plan("plan", "Assign every board of this CSV plan.", "FILE");
    const QCommandLineOption dryRun("dry-run", "Check the plan and send nothing.");
    const QCommandLineOption verify("verify",
                                    "After the plan, search and check every planned board.");
    const QCommandLineOption watch("watch", "Ask again every SECONDS and print what changed.",
                                   "SECONDS");
    parser.addOptions({help, versionOption, json, csv, interface, port, target, localPort, quiet,
                       ip, mask, gateway, dhcp, noPing, repeat, plan, dryRun, verify, watch});
    parser.addPositionalArgument("command", "search, assign or status");

    if (!parser.parse(arguments))
        return usageError(parser.errorText().toStdString());
    if (parser.isSet(help))
        return EarlyExit{ExitSuccess, parser.helpText().toStdString(), {}};
    if (parser.isSet(versionOption))
        return EarlyExit{ExitSuccess, "quorvel " + version.toStdString() + "\n", {}};

    QStringList positionals = parser.positionalArguments();
    GivenOptions given;
    if (!positionals.isEmpty())
        given.command = positionals.takeFirst().toStdString();
    given.positionals = int(positionals.size());
    given.json = parser.isSet(json);
    given.csv = parser.isSet(csv);
    given.ip = parser.isSet(ip);
    given.mask = parser.isSet(mask);
    given.gateway = parser.isSet(gateway);
    given.dhcp = parser.isSet(dhcp);
    given.plan = parser.isSet(plan);
    given.dryRun = parser.isSet(dryRun);
    given.verify = parser.isSet(verify);
    given.noPing = parser.isSet(noPing);
    given.repeat = parser.isSet(repeat);
    given.watch = parser.isSet(watch);
    given.target = parser.isSet(target);
    if (auto problem = CheckOptionCombination(given))
        return usageError(*problem);

    // Each single-valued option given twice is a mistake worth naming.
    for (const QCommandLineOption* single :
         {&target, &localPort, &ip, &mask, &gateway, &plan, &watch})
        if (parser.values(*single).size() > 1)
            return usageError("--" + single->names().constLast().toStdString() +
                              " given more than once");

    CommandLine line;
    line.command = given.command == "search"   ? CliCommand::Search
                   : given.command == "assign" ? CliCommand::Assign
                                               : CliCommand::Status;
    line.format = given.json  ? OutputFormat::Json
                  : given.csv ? OutputFormat::Csv
                              : OutputFormat::Table;
    line.quiet = parser.isSet(quiet);
    line.noPing = given.noPing;
    line.repeat = given.repeat;
    line.dhcp = given.dhcp;
    line.dryRun = given.dryRun;
    line.verify = given.verify;

    std::optional<std::string> problem;
    const auto take = [&problem](const auto& parsed, auto& into, const char* option) {
        if (problem)
            return;
        if (const auto* error = std::get_if<std::string>(&parsed))
            problem = std::string(option) + ": " + *error;
        else
            into = std::get<std::decay_t<decltype(into)>>(parsed);
    };
    const auto text = [&parser](const QCommandLineOption& option) {
        return parser.value(option).toStdString();
    };

    for (const QString& name : parser.values(interface)) {
        if (name.isEmpty())
            return usageError("--interface: empty interface name");
        line.interfaces.push_back(name.toStdString());
    }
    // The search's remote port list holds ten.
    if (parser.values(port).size() > 10)
        return usageError("--port given more than 10 times");
    for (const QString& value : parser.values(port)) {
        std::uint16_t number = 0;
        take(ParsePort(value.toStdString()), number, "--port");
        line.ports.push_back(number);
    }
    if (parser.isSet(target)) {
        Ipv4Address address{};
        take(ParseIpv4(text(target)), address, "--target");
        line.target = address;
    }
    if (parser.isSet(localPort)) {
        std::uint16_t number = 0;
        take(ParsePort(text(localPort)), number, "--local-port");
        line.localPort = number;
    }
    if (given.ip) {
        take(ParseIpv4(text(ip)), line.ip, "--ip");
        take(ParseIpv4(text(mask)), line.mask, "--mask");
        take(ParseIpv4(text(gateway)), line.gateway, "--gateway");
    }
    if (given.plan) {
        if (text(plan).empty())
            return usageError("--plan: empty file name");
        line.planFile = text(plan);
    }
    if (given.watch) {
        int seconds = 0;
        take(ParseSeconds(text(watch)), seconds, "--watch");
        line.watchSeconds = seconds;
    }
    if (line.command != CliCommand::Search && !given.plan) {
        const std::string board = positionals.constFirst().toStdString();
        if (line.command == CliCommand::Status && board.find('.') != std::string::npos) {
            Ipv4Address address{};
            take(ParseIpv4(board), address, "board");
            line.boardAddress = address;
        } else {
            MacAddress mac{};
            take(ParseMac(board), mac, "board");
            line.mac = mac;
        }
    }
    if (problem)
        return usageError(*problem);
    return line;
}

} // namespace quorvel
