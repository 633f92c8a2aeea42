#pragma once

#include "protocol/Addresses.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quorvel {

// What the command line's exit status means to a script.
enum ExitCode : int {
    ExitSuccess = 0, // done: a board found, assigned, answered
    ExitNothing = 1, // nothing found, no answer, timed out
    ExitUsage = 2,   // bad arguments or bad input; nothing was sent
    ExitRefused = 3, // the board answered with a failure code
};

// A value, or the one-line reason the text is not one.
template <typename T> using Parsed = std::variant<T, std::string>;

// The address, or why the text is not one (the forms: ParseMacAddress and
// ParseIpv4Address).
Parsed<MacAddress> ParseMac(std::string_view text);
Parsed<Ipv4Address> ParseIpv4(std::string_view text);
// A UDP port, 1 to 65535.
Parsed<std::uint16_t> ParsePort(std::string_view text);
// A whole number of seconds, 1 to one day.
Parsed<int> ParseSeconds(std::string_view text);

// Which options a command line gave, for the checks that span several.
struct GivenOptions {
    std::string command; // search, assign or status
    int positionals = 0;
    bool json = false, csv = false;
    bool ip = false, mask = false, gateway = false, dhcp = false;
    bool plan = false, dryRun = false, verify = false;
    bool noPing = false, repeat = false;
    bool watch = false;
    bool target = false;
};

// The first conflict or missing option, as one line; nothing when they fit.
std::optional<std::string> CheckOptionCombination(const GivenOptions& given);

} // namespace quorvel
