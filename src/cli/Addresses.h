#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvel {

using MacAddress = std::array<std::uint8_t, 6>;
using Ipv4Address = std::array<std::uint8_t, 4>;

// The forms the outputs print: 00-0B-3C-12-34-56 and 198.18.0.20.
std::string MacAddressText(const MacAddress& mac);
std::string Ipv4AddressText(const Ipv4Address& address);

} // namespace quorvel
