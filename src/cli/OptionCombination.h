#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// Which options a command line gave, for the rules that span several.
struct GivenOptions {
    std::string command; // search, assign, status, monitor or firmware
    int positionals = 0;
    // Each option given, by its long name: how many values (a switch: 1).
    std::map<std::string, int, std::less<>> options;
    bool has(std::string_view name) const { return options.find(name) != options.end(); }
};

// The first conflict between options, or option missing, as one line; nothing
// when they fit. Which command takes which option is the table's rule.
std::optional<std::string> CheckOptionCombination(const GivenOptions& given);

} // namespace quorvel
