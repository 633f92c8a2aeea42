#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvel {

// Addresses hold their bytes in wire order, first byte first, exactly as the
// datagrams carry them: 198.18.0.20 is {198, 18, 0, 20}, and the MAC
// 00-0B-3C-12-34-56 is {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}. Being arrays,
// they compare and copy as values.
using MacAddress = std::array<std::uint8_t, 6>;
using Ipv4Address = std::array<std::uint8_t, 4>;

// Six groups of one or two hex digits, all separated by ':' or all by '-'
// (00:0b:3c:12:34:56, 00-0B-3C-12-34-56, and the arp form 0-B-3C-12-34-56).
std::optional<MacAddress> ParseMacAddress(std::string_view text);
// Dotted decimal only (inet_pton): no octal, no short forms.
std::optional<Ipv4Address> ParseIpv4Address(std::string_view text);

// 00-0B-3C-12-34-56 and 198.18.0.20.
std::string MacText(const MacAddress& mac);
std::string Ipv4Text(const Ipv4Address& address);

// The address as one number, first byte most significant (198.18.0.20 is
// 0xC6120014), for masks and comparisons; and back.
constexpr std::uint32_t Ipv4Word(const Ipv4Address& a) {
    return std::uint32_t(a[0]) << 24 | std::uint32_t(a[1]) << 16 | std::uint32_t(a[2]) << 8 | a[3];
}
constexpr Ipv4Address Ipv4FromWord(std::uint32_t word) {
    return {std::uint8_t(word >> 24), std::uint8_t(word >> 16), std::uint8_t(word >> 8),
            std::uint8_t(word)};
}

// An address that names one host a request may be sent to: not "this
// network" (0.0.0.0/8), loopback (127.0.0.0/8), multicast (224.0.0.0/4), the
// reserved block with the limited broadcast (240.0.0.0/4), nor one of
// `directedBroadcasts` (the host's links' own).
bool IsUnicastHostAddress(std::uint32_t address,
                          std::span<const std::uint32_t> directedBroadcasts = {});

} // namespace quorvel
