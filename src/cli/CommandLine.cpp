#include "CommandLine.h"

#include "OptionRules.h"
#include "OptionValues.h"

#include <QCommandLineParser>
#include <map>
#include <set>

namespace quorvel {

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

// The table's options in a QCommandLineParser, and what their values say. A
// refusal (an empty name, too many ports) outweighs a value that does not
// parse; of each kind the first one found is said.
class OptionReader {
public:
    OptionReader() {
        for (const OptionSpec& spec : Options()) {
            QStringList names;
            if (spec.shortName)
                names << QString(QLatin1Char(spec.shortName));
            names << QString::fromLatin1(spec.longName);
            QCommandLineOption option(names, QString::fromUtf8(spec.help),
                                      QString::fromLatin1(spec.valueName));
            m_parser.addOption(option);
            m_byName.emplace(spec.longName, option);
        }
    }
    bool parse(const QStringList& arguments) { return m_parser.parse(arguments); }
    std::string errorText() const { return m_parser.errorText().toStdString(); }
    QStringList positionals() const { return m_parser.positionalArguments(); }
    bool isSet(const char* name) const { return m_parser.isSet(m_byName.at(name)); }
    QStringList values(const char* name) const { return m_parser.values(m_byName.at(name)); }
    std::string text(const char* name) const {
        return m_parser.value(m_byName.at(name)).toStdString();
    }

    void refuse(std::string what) {
        if (!m_refusal)
            m_refusal = std::move(what);
    }
    void invalid(const char* option, const std::string& why) {
        if (!m_badValue)
            m_badValue = std::string(option) + ": " + why;
    }
    // `into` takes a parsed value, or the option names its error.
    template <typename Into> void take(const Parsed<Into>& parsed, Into& into, const char* option) {
        if (const auto* error = std::get_if<std::string>(&parsed))
            invalid(option, *error);
        else if (!m_badValue)
            into = std::get<Into>(parsed);
    }
    bool failed() const { return m_refusal || m_badValue; }
    std::optional<std::string> problem() const { return m_refusal ? m_refusal : m_badValue; }
    // A file name that is given but empty is refused.
    std::optional<std::string> fileName(const char* name) {
        if (!isSet(name))
            return std::nullopt;
        if (text(name).empty())
            refuse(std::string("--") + name + ": empty file name");
        return text(name);
    }

private:
    QCommandLineParser m_parser;
    std::map<std::string, QCommandLineOption> m_byName;
    std::optional<std::string> m_refusal, m_badValue;
};

std::optional<EarlyExit> helpOrVersion(const OptionReader& options, const QString& version) {
    const QStringList positionals = options.positionals();
    if (!positionals.isEmpty() && positionals.front() == QLatin1String("help")) {
        if (positionals.size() > 2)
            return usageError("help takes one command");
        const CommandSpec* command = nullptr;
        if (positionals.size() == 2 && !(command = FindCommand(positionals[1].toStdString())))
            return usageError("no help for \"" + positionals[1].toStdString() + "\" (expected " +
                              CommandNames() + ")");
        return EarlyExit{ExitSuccess, HelpText(command), {}};
    }
    if (options.isSet("help"))
        return EarlyExit{ExitSuccess,
                         HelpText(positionals.isEmpty()
                                      ? nullptr
                                      : FindCommand(positionals.front().toStdString())),
                         {}};
    if (options.isSet("version"))
        return EarlyExit{ExitSuccess, "quorvel " + version.toStdString() + "\n", {}};
    return std::nullopt;
}

GivenOptions givenOptions(const OptionReader& options) {
    GivenOptions given;
    const QStringList positionals = options.positionals();
    if (!positionals.isEmpty())
        given.command = positionals.front().toStdString();
    given.positionals = int(positionals.size()) - (positionals.isEmpty() ? 0 : 1);
    for (const OptionSpec& spec : Options())
        if (options.isSet(spec.longName))
            given.options.emplace(spec.longName,
                                  std::max<int>(1, int(options.values(spec.longName).size())));
    return given;
}

void readSwitches(const OptionReader& options, CommandLine& line) {
    line.format = options.isSet("json")  ? OutputFormat::Json
                  : options.isSet("csv") ? OutputFormat::Csv
                                         : OutputFormat::Table;
    line.quiet = options.isSet("quiet");
    line.noPing = options.isSet("no-ping");
    line.repeat = options.isSet("repeat");
    line.force = options.isSet("force");
    line.dhcp = options.isSet("dhcp");
    line.dryRun = options.isSet("dry-run");
    line.verify = options.isSet("verify");
    line.noWait = options.isSet("no-wait");
    line.probeOnly = options.isSet("probe-only");
}

// Where a search goes: interfaces, ports, targets, the local port, how long.
void readSearchScope(OptionReader& options, CommandLine& line) {
    std::set<QString> interfaces;
    for (const QString& name : options.values("interface")) {
        if (name.isEmpty())
            options.refuse("--interface: empty interface name");
        else if (interfaces.insert(name).second)
            line.interfaces.push_back(name.toStdString());
    }
    // The same port twice is asked once; the search's port list holds ten.
    std::set<std::uint16_t> ports;
    for (const QString& value : options.values("port")) {
        std::uint16_t number = 0;
        options.take(ParsePort(value.toStdString()), number, "--port");
        if (!options.failed() && ports.insert(number).second)
            line.ports.push_back(number);
    }
    if (line.ports.size() > 10)
        options.refuse("--port names more than 10 ports");
    for (const QString& value : options.values("target")) {
        Ipv4Address address{};
        options.take(ParseIpv4(value.toStdString()), address, "--target");
        line.targets.push_back(address);
    }
    if (!line.targets.empty())
        line.target = line.targets.front();
    if (options.isSet("local-port"))
        options.take(ParsePort(options.text("local-port")), line.localPort.emplace(),
                     "--local-port");
    if (options.isSet("wait"))
        options.take(ParseSeconds(options.text("wait")), line.waitSeconds.emplace(), "--wait");
}

// --rescan is minutes, or a duration from 5s to a day.
void readRescan(OptionReader& options, CommandLine& line) {
    const std::string value = options.text("rescan");
    if (value.find_first_not_of("0123456789") == std::string::npos) {
        int minutes = 0;
        options.take(ParseSeconds(value), minutes, "--rescan");
        if (!options.failed() && minutes > 24 * 60)
            options.invalid("--rescan", "at most 1440 minutes");
        line.rescanSeconds = std::int64_t(minutes) * 60;
    } else {
        options.take(ParseDuration(value), line.rescanSeconds, "--rescan");
        if (!options.failed() && (line.rescanSeconds < 5 || line.rescanSeconds > 86400))
            options.invalid("--rescan", "from 5s to 24h");
    }
}

void readMonitor(OptionReader& options, CommandLine& line) {
    if (options.isSet("interval"))
        options.take(ParseSeconds(options.text("interval")), line.intervalSeconds, "--interval");
    if (options.isSet("rescan"))
        readRescan(options, line);
    if (options.isSet("listen")) {
        const std::string value = options.text("listen");
        const auto colon = value.rfind(':');
        auto& endpoint = line.listen.emplace(Ipv4Address{127, 0, 0, 1}, 0);
        if (colon != std::string::npos)
            options.take(ParseIpv4(value.substr(0, colon)), endpoint.first, "--listen");
        options.take(ParsePort(value.substr(colon == std::string::npos ? 0 : colon + 1)),
                     endpoint.second, "--listen");
    }
    line.webConfig = options.fileName("web-config");
    if (line.webConfig && !options.isSet("listen"))
        options.refuse("--web-config applies to the endpoint: give --listen too");
    line.textfile = options.fileName("textfile");
    if (options.isSet("max-boards"))
        options.take(ParseCount(options.text("max-boards"), 1, 1000000), line.maxBoards,
                     "--max-boards");
    if (options.isSet("forget-after"))
        options.take(ParseDuration(options.text("forget-after")), line.forgetAfterSeconds,
                     "--forget-after");
}

// Assign's addresses, the plans, firmware's image, status' watch.
void readBoardSettings(OptionReader& options, CommandLine& line) {
    if (options.isSet("ip")) {
        options.take(ParseIpv4(options.text("ip")), line.ip, "--ip");
        options.take(ParseIpv4(options.text("mask")), line.mask, "--mask");
        options.take(ParseIpv4(options.text("gateway")), line.gateway, "--gateway");
    }
    line.planFile = options.fileName("plan");
    line.imageFile = options.fileName("file");
    if (options.isSet("parallel"))
        options.take(ParseCount(options.text("parallel"), 1, 256), line.parallel, "--parallel");
    if (options.isSet("watch"))
        options.take(ParseSeconds(options.text("watch")), line.watchSeconds.emplace(), "--watch");
}

// The board a command names: by MAC, or for status and firmware by address.
void readBoard(OptionReader& options, CommandLine& line) {
    if (line.command == CliCommand::Search || line.command == CliCommand::Monitor || line.planFile)
        return;
    const std::string board = options.positionals().at(1).toStdString();
    if ((line.command == CliCommand::Status || line.command == CliCommand::Firmware) &&
        board.find('.') != std::string::npos)
        options.take(ParseIpv4(board), line.boardAddress.emplace(), "board");
    else
        options.take(ParseMac(board), line.mac.emplace(), "board");
}

} // namespace

std::variant<CommandLine, EarlyExit> ParseCommandLine(const QStringList& arguments,
                                                      const QString& version) {
    if (auto problem = singleDashLongOption(arguments))
        return usageError(*problem);
    OptionReader options;
    if (!options.parse(arguments))
        return usageError(options.errorText());
    if (auto early = helpOrVersion(options, version))
        return *early;
    const GivenOptions given = givenOptions(options);
    if (auto problem = CheckGivenOptions(given))
        return usageError(*problem);

    CommandLine line;
    line.command = FindCommand(given.command)->command;
    readSwitches(options, line);
    readSearchScope(options, line);
    readMonitor(options, line);
    readBoardSettings(options, line);
    readBoard(options, line);
    if (auto problem = options.problem())
        return usageError(*problem);
    return line;
}

} // namespace quorvel
