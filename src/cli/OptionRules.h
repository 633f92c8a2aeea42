#pragma once

#include "OptionCombination.h"

#include <optional>
#include <string>

namespace quorvel {

// "search, assign, status, monitor or firmware": the commands, for messages.
std::string CommandNames();

// Every rule a command line must keep, the first one broken as one line:
// the command, the options the table gives it, the rules across options,
// and the options given more than once.
std::optional<std::string> CheckGivenOptions(const GivenOptions& given);

} // namespace quorvel
