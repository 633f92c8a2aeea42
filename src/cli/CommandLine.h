#pragma once

#include "ExitCode.h"
#include "OptionTable.h"
#include "protocol/Addresses.h"

#include <QStringList>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quorvel {

enum class OutputFormat { Table, Json, Csv };

// What one run of `quorvel` is asked to do, every value checked.
struct CommandLine {
    CliCommand command = CliCommand::Search;
    OutputFormat format = OutputFormat::Table;
    std::vector<std::string> interfaces; // empty: every usable one
    std::vector<std::uint16_t> ports;    // empty: the default port list
    std::optional<Ipv4Address> target;
    std::optional<std::uint16_t> localPort;
    std::optional<int> waitSeconds; // how long a search listens; empty: its ten seconds
    bool quiet = false;

    // assign
    std::optional<MacAddress> mac;
    bool dhcp = false;
    Ipv4Address ip{}, mask{}, gateway{};
    bool noPing = false, repeat = false;
    bool force = false; // send an address that clashes with the host's
    std::optional<std::string> planFile;
    bool dryRun = false, verify = false;

    // status: the board by MAC (mac above) or by address
    std::optional<Ipv4Address> boardAddress;
    std::optional<int> watchSeconds;

    // monitor
    std::vector<Ipv4Address> targets; // every --target (target above holds the first)
    int intervalSeconds = 30;
    std::int64_t rescanSeconds = 5 * 60;
    std::optional<std::pair<Ipv4Address, std::uint16_t>> listen;
    std::optional<std::string> webConfig;
    std::optional<std::string> textfile;
    int maxBoards = 10000;
    std::int64_t forgetAfterSeconds = 24 * 3600; // 0: never
    bool probeOnly = false;

    // firmware: the board by MAC or by address (above), or the plan (planFile)
    std::optional<std::string> imageFile;
    int parallel = 4;
    bool noWait = false;
};

// A run that ends before anything is sent: help, version or a usage error.
struct EarlyExit {
    int exitCode = ExitSuccess;
    std::string out; // for standard output
    std::string err; // for standard error, one line
};

// `arguments` as main() gets them, program name first.
std::variant<CommandLine, EarlyExit> ParseCommandLine(const QStringList& arguments,
                                                      const QString& version);

} // namespace quorvel
