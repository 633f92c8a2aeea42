#include "CommandLine.h"

#include "OptionCombination.h"
#include "OptionValues.h"

#include <QCommandLineParser>
#include <map>
#include <set>

namespace quorvel {

using namespace std::string_literals;

namespace {

EarlyExit usageError(const std::string& what) {
    return {ExitUsage, {}, "quorvel: " + what + " (see quorvel --help)\n"};
}

// "-json" for "--json": a short-option cluster that spells a long option is
// refused rather than taken apart.
std::optional<std::string> singleDashLongOption(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (argument.size() < 3 || argument[0] != QLatin1Char('-') ||
            argument[1] == QLatin1Char('-'))
            continue;
        const QString word = argument.mid(1).section(QLatin1Char('='), 0, 0);
        for (const OptionSpec& option : Options())
            if (word == QLatin1String(option.longName))
                return argument.toStdString() + ": long options take two dashes (--" +
                       option.longName + ")";
    }
    return std::nullopt;
}

} // namespace

std::variant<CommandLine, EarlyExit> ParseCommandLine(const QStringList& arguments,
                                                      const QString& version) {
    if (auto problem = singleDashLongOption(arguments))
        return usageError(*problem);

    QCommandLineParser parser;
    std::map<std::string, QCommandLineOption> byName;
    for (const OptionSpec& spec : Options()) {
        QStringList names;
        if (spec.shortName)
            names << QString(QLatin1Char(spec.shortName));
        names << QString::fromLatin1(spec.longName);
        QCommandLineOption option(names, QString::fromUtf8(spec.help),
                                  QString::fromLatin1(spec.valueName));
        parser.addOption(option);
        byName.emplace(spec.longName, option);
    }
    const auto isSet = [&](const char* name) { return parser.isSet(byName.at(name)); };
    const auto values = [&](const char* name) { return parser.values(byName.at(name)); };
    const auto text = [&](const char* name) { return parser.value(byName.at(name)).toStdString(); };

    if (!parser.parse(arguments))
        return usageError(parser.errorText().toStdString());

    QStringList positionals = parser.positionalArguments();
    if (!positionals.isEmpty() && positionals.front() == QLatin1String("help")) {
        if (positionals.size() > 2)
            return usageError("help takes one command");
        const CommandSpec* command = nullptr;
        if (positionals.size() == 2 && !(command = FindCommand(positionals[1].toStdString())))
            return usageError("no help for \"" + positionals[1].toStdString() +
                              "\" (expected search, assign, status, monitor or firmware)");
        return EarlyExit{ExitSuccess, HelpText(command), {}};
    }
    if (isSet("help"))
        return EarlyExit{ExitSuccess,
                         HelpText(positionals.isEmpty()
                                      ? nullptr
                                      : FindCommand(positionals.front().toStdString())),
                         {}};
    if (isSet("version"))
        return EarlyExit{ExitSuccess, "quorvel " + version.toStdString() + "\n", {}};

    GivenOptions given;
    if (!positionals.isEmpty())
        given.command = positionals.takeFirst().toStdString();
    given.positionals = int(positionals.size());
    given.json = isSet("json");
    given.csv = isSet("csv");
    given.ip = isSet("ip");
    given.mask = isSet("mask");
    given.gateway = isSet("gateway");
    given.dhcp = isSet("dhcp");
    given.plan = isSet("plan");
    given.dryRun = isSet("dry-run");
    given.verify = isSet("verify");
    given.noPing = isSet("no-ping");
    given.repeat = isSet("repeat");
    given.force = isSet("force");
    given.watch = isSet("watch");
    given.target = isSet("target");
    given.interface = isSet("interface");
    given.wait = isSet("wait");
    given.monitorOnly = isSet("interval") || isSet("rescan") || isSet("listen") ||
                        isSet("web-config") || isSet("textfile") || isSet("max-boards") ||
                        isSet("forget-after") || isSet("probe-only");
    given.listen = isSet("listen");
    given.rescan = isSet("rescan");
    given.probeOnly = isSet("probe-only");
    given.file = isSet("file");
    given.parallel = isSet("parallel");
    given.noWait = isSet("no-wait");
    if (auto problem = CheckOptionCombination(given))
        return usageError(*problem);

    // Each single-valued option given twice is a mistake worth naming.
    for (const char* single : {"target", "local-port", "ip", "mask", "gateway", "plan", "watch",
                               "wait", "interval", "rescan", "listen", "web-config", "textfile",
                               "max-boards", "forget-after", "file", "parallel"})
        if (values(single).size() > 1 && !(given.command == "monitor" && single == "target"s))
            return usageError(std::string("--") + single + " given more than once");

    CommandLine line;
    line.command = FindCommand(given.command)->command;
    line.format = given.json  ? OutputFormat::Json
                  : given.csv ? OutputFormat::Csv
                              : OutputFormat::Table;
    line.quiet = isSet("quiet");
    line.noPing = given.noPing;
    line.repeat = given.repeat;
    line.force = given.force;
    line.dhcp = given.dhcp;
    line.dryRun = given.dryRun;
    line.verify = given.verify;
    line.noWait = given.noWait;

    std::optional<std::string> problem;
    const auto take = [&problem](const auto& parsed, auto& into, const char* option) {
        if (problem)
            return;
        if (const auto* error = std::get_if<std::string>(&parsed))
            problem = std::string(option) + ": " + *error;
        else
            into = std::get<std::decay_t<decltype(into)>>(parsed);
    };

    std::set<QString> interfaces;
    for (const QString& name : values("interface")) {
        if (name.isEmpty())
            return usageError("--interface: empty interface name");
        if (interfaces.insert(name).second)
            line.interfaces.push_back(name.toStdString());
    }
    // The same port twice is asked once; the search's port list holds ten.
    std::set<std::uint16_t> ports;
    for (const QString& value : values("port")) {
        std::uint16_t number = 0;
        take(ParsePort(value.toStdString()), number, "--port");
        if (!problem && ports.insert(number).second)
            line.ports.push_back(number);
    }
    if (line.ports.size() > 10)
        return usageError("--port names more than 10 ports");
    for (const QString& value : values("target")) {
        Ipv4Address address{};
        take(ParseIpv4(value.toStdString()), address, "--target");
        line.targets.push_back(address);
    }
    if (!line.targets.empty())
        line.target = line.targets.front();
    if (isSet("interval"))
        take(ParseSeconds(text("interval")), line.intervalSeconds, "--interval");
    if (isSet("rescan")) {
        const std::string value = text("rescan");
        if (value.find_first_not_of("0123456789") == std::string::npos) {
            int minutes = 0;
            take(ParseSeconds(value), minutes, "--rescan");
            if (!problem && minutes > 24 * 60)
                problem = "--rescan: at most 1440 minutes";
            line.rescanSeconds = std::int64_t(minutes) * 60;
        } else {
            take(ParseDuration(value), line.rescanSeconds, "--rescan");
            if (!problem && (line.rescanSeconds < 5 || line.rescanSeconds > 86400))
                problem = "--rescan: from 5s to 24h";
        }
    }
    if (isSet("listen")) {
        const std::string value = text("listen");
        const auto colon = value.rfind(':');
        std::pair<Ipv4Address, std::uint16_t> endpoint{{127, 0, 0, 1}, 0};
        if (colon != std::string::npos)
            take(ParseIpv4(value.substr(0, colon)), endpoint.first, "--listen");
        take(ParsePort(value.substr(colon == std::string::npos ? 0 : colon + 1)), endpoint.second,
             "--listen");
        line.listen = endpoint;
    }
    if (isSet("web-config")) {
        if (text("web-config").empty())
            return usageError("--web-config: empty file name");
        if (!isSet("listen"))
            return usageError("--web-config applies to the endpoint: give --listen too");
        line.webConfig = text("web-config");
    }
    if (isSet("textfile")) {
        if (text("textfile").empty())
            return usageError("--textfile: empty file name");
        line.textfile = text("textfile");
    }
    if (isSet("max-boards"))
        take(ParseCount(text("max-boards"), 1, 1000000), line.maxBoards, "--max-boards");
    if (isSet("forget-after"))
        take(ParseDuration(text("forget-after")), line.forgetAfterSeconds, "--forget-after");
    line.probeOnly = given.probeOnly;
    if (isSet("local-port")) {
        std::uint16_t number = 0;
        take(ParsePort(text("local-port")), number, "--local-port");
        line.localPort = number;
    }
    if (given.wait) {
        int seconds = 0;
        take(ParseSeconds(text("wait")), seconds, "--wait");
        line.waitSeconds = seconds;
    }
    if (given.ip) {
        take(ParseIpv4(text("ip")), line.ip, "--ip");
        take(ParseIpv4(text("mask")), line.mask, "--mask");
        take(ParseIpv4(text("gateway")), line.gateway, "--gateway");
    }
    if (given.plan) {
        if (text("plan").empty())
            return usageError("--plan: empty file name");
        line.planFile = text("plan");
    }
    if (given.file) {
        if (text("file").empty())
            return usageError("--file: empty file name");
        line.imageFile = text("file");
    }
    if (given.parallel) {
        take(ParseCount(text("parallel"), 1, 256), line.parallel, "--parallel");
    }
    if (given.watch) {
        int seconds = 0;
        take(ParseSeconds(text("watch")), seconds, "--watch");
        line.watchSeconds = seconds;
    }
    if (line.command != CliCommand::Search && line.command != CliCommand::Monitor && !given.plan) {
        const std::string board = positionals.constFirst().toStdString();
        if ((line.command == CliCommand::Status || line.command == CliCommand::Firmware) &&
            board.find('.') != std::string::npos) {
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
