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
// A whole number from `least` to `most`.
Parsed<int> ParseCount(std::string_view text, int least, int most);
// A span of time in seconds as Prometheus writes one: numbers each with a
// unit (s, m, h, d, w), largest first, as in 90s, 30m, 24h or 1h30m; 0 alone
// for none. At most a year.
Parsed<std::int64_t> ParseDuration(std::string_view text);

} // namespace quorvel
