#include "Addresses.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdio>

namespace quorvel {

std::optional<MacAddress> ParseMacAddress(std::string_view text) {
    const std::size_t separatorAt = text.find_first_of(":-");
    if (separatorAt == std::string_view::npos)
        return std::nullopt;
    const char separator = text[separatorAt];
    MacAddress mac{};
    std::size_t group = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        const std::string_view digits = text.substr(start, end - start);
        unsigned value = 0;
        const auto [last, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (group >= mac.size() || digits.empty() || digits.size() > 2 || ec != std::errc() ||
            last != digits.data() + digits.size())
            return std::nullopt;
        mac[group++] = std::uint8_t(value);
        if (end == text.size())
            break;
        start = end + 1;
    }
    if (group != mac.size())
        return std::nullopt;
    return mac;
}

std::optional<Ipv4Address> ParseIpv4Address(std::string_view text) {
    Ipv4Address address{};
    const std::string copy(text);
    if (copy.find('\0') != std::string::npos ||
        inet_pton(AF_INET, copy.c_str(), address.data()) != 1)
        return std::nullopt;
    return address;
}

std::string MacText(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string Ipv4Text(const Ipv4Address& address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

bool IsUnicastHostAddress(std::uint32_t address,
                          std::span<const std::uint32_t> directedBroadcasts) {
    const std::uint32_t top = address >> 24;
    if (top == 0 || top == 127 || top >= 224)
        return false;
    for (const std::uint32_t broadcast : directedBroadcasts)
        if (address == broadcast)
            return false;
    return true;
}

} // namespace quorvel
