#pragma once

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

using MacAddress = std::array<std::uint8_t, 6>;
using Ipv4Address = std::array<std::uint8_t, 4>;

// A value, or the one-line reason the text is not one.
template <typename T> using Parsed = std::variant<T, std::string>;

// Six groups of one or two hex digits, all separated by ':' or all by '-'
// (00:0b:3c:12:34:56, 00-0B-3C-12-34-56, and the arp form 0-B-3C-12-34-56).
Parsed<MacAddress> ParseMac(std::string_view text);
// Dotted decimal only (inet_pton): no octal, no short forms.
Parsed<Ipv4Address> ParseIpv4(std::string_view text);
// A UDP port, 1 to 65535.
Parsed<std::uint16_t> ParsePort(std::string_view text);
// A whole number of seconds, 1 to one day.
Parsed<int> ParseSeconds(std::string_view text);

// The forms the outputs print: 00-0B-3C-12-34-56 and 198.18.0.20.
std::string MacAddressText(const MacAddress& mac);
std::string Ipv4AddressText(const Ipv4Address& address);

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
