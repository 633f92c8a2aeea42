#pragma once

#include "OptionTable.h"

#include <string>
#include <vector>

namespace quorvel {

// A command's options change with what else is on the line: a plan replaces
// one board's address, a monitor that only answers probes watches no fleet.
// `trigger` empty: the command's line without any of its other modes.
struct CompletionMode {
    CliCommand command;
    const char* trigger; // long option that selects the mode, "" for the rest
    std::vector<const char*> refused;
};

const std::vector<CompletionMode>& CompletionModes();

// The words Tab offers after `quorvel COMMAND` in one mode: every short and
// long option of the command that the mode does not refuse.
std::vector<std::string> CompletionWords(CliCommand command, const char* trigger = "");

// The bash completion script, from the option table.
std::string BashCompletion();

} // namespace quorvel
