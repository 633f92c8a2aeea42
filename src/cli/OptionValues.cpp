#include "OptionValues.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <optional>

namespace quorvel {

namespace {

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

template <typename T> std::optional<T> wholeNumber(std::string_view text) {
    T value{};
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

Parsed<MacAddress> ParseMac(std::string_view text) {
    const std::string error = "bad MAC address " + quoted(text) + " (expected 00-0B-3C-12-34-56)";
    const std::size_t separatorAt = text.find_first_of(":-");
    if (separatorAt == std::string_view::npos)
        return error;
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
            return error;
        mac[group++] = std::uint8_t(value);
        if (end == text.size())
            break;
        start = end + 1;
    }
    if (group != mac.size())
        return error;
    return mac;
}

Parsed<Ipv4Address> ParseIpv4(std::string_view text) {
    Ipv4Address address{};
    const std::string copy(text);
    if (copy.find('\0') != std::string::npos ||
        inet_pton(AF_INET, copy.c_str(), address.data()) != 1)
        return "bad IPv4 address " + quoted(text) + " (expected four numbers like 198.18.0.20)";
    return address;
}

Parsed<std::uint16_t> ParsePort(std::string_view text) {
    const auto value = wholeNumber<unsigned>(text);
    if (!value || *value < 1 || *value > 65535)
        return "bad port " + quoted(text) + " (expected 1 to 65535)";
    return std::uint16_t(*value);
}

Parsed<int> ParseSeconds(std::string_view text) {
    const auto value = wholeNumber<int>(text);
    if (!value || *value < 1 || *value > 86400)
        return "bad number of seconds " + quoted(text) + " (expected 1 to 86400)";
    return *value;
}

} // namespace quorvel
