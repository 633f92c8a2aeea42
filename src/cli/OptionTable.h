#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

enum class CliCommand { Search, Assign, Status, Monitor, Firmware };

// Which commands an option belongs to.
enum CommandMask : unsigned {
    ForSearch = 1u << 0,
    ForAssign = 1u << 1,
    ForStatus = 1u << 2,
    ForMonitor = 1u << 3,
    ForFirmware = 1u << 4,
    ForAll = ForSearch | ForAssign | ForStatus | ForMonitor | ForFirmware,
};

// One option of the command line: what --help, the man page and the parser
// read, so that they cannot drift apart.
struct OptionSpec {
    char shortName;        // 0: none
    const char* longName;  // without the dashes
    const char* valueName; // "": a switch
    const char* help;
    unsigned commands;
};

// One command: its synopsis, what it does, and examples.
struct CommandSpec {
    CliCommand command;
    const char* name;
    const char* synopsis; // after "quorvel NAME "
    const char* summary;
    std::vector<const char*> examples;
};

const std::vector<OptionSpec>& Options();
const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(std::string_view name);
bool OptionAppliesTo(const OptionSpec& option, CliCommand command);

// Text for a roff page: dashes, backslashes and a leading dot escaped.
std::string RoffText(std::string_view text);

// --help without a command, or a command's own help.
std::string HelpText(const CommandSpec* command);
// The man page's OPTIONS, COMMANDS and EXIT STATUS sections in roff.
std::string ManSections();
// The man page's METRICS section, and its paragraph on the monitor's JSON
// lines, from the tables the monitor writes them by.
std::string MetricsManSection();
std::string MonitorJsonManText();

} // namespace quorvel
