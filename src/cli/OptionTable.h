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

// An option's help where one command uses it its own way.
struct CommandHelp {
    unsigned commands;
    const char* help;
};

// One option of the command line: what --help, the man page, the completion
// and the parser's rules read, so that they cannot drift apart.
struct OptionSpec {
    char shortName;          // 0: none
    const char* longName;    // without the dashes
    const char* valueName;   // "": a switch
    const char* help;        // the general text; the full help and the man page
    unsigned commands;       // the commands that take it
    unsigned repeatable = 0; // where its value may be given more than once
    // The lead option this one qualifies: refused, it is named through its
    // lead ("--plan and their options").
    const char* qualifies = nullptr;
    std::vector<CommandHelp> helpFor = {}; // a command's own help text
};

// An option a command refuses with a reason of its own.
struct RefusedOption {
    const char* longName;
    const char* why;
};

// One command: its synopsis, what it does, and examples.
struct CommandSpec {
    CliCommand command;
    const char* name;
    const char* synopsis; // after "quorvel NAME "
    const char* summary;
    std::vector<const char*> examples;
    std::vector<RefusedOption> refuses = {};
};

const std::vector<OptionSpec>& Options();
const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(std::string_view name);
unsigned CommandBit(CliCommand command);
bool OptionAppliesTo(const OptionSpec& option, CliCommand command);
// The option's help for one command's --help; its general text without one.
const char* OptionHelp(const OptionSpec& option, const CommandSpec* command);

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
