#pragma once

#include "protocol/Addresses.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quorvel {

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
// A whole number from 1 to `most`.
Parsed<int> ParseCount(std::string_view text, int most);

} // namespace quorvel
