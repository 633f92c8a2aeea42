#pragma once

#include "Addresses.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quorvel {

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

} // namespace quorvel
