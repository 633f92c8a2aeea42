#include "OptionValues.h"

#include <algorithm>
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
    if (const auto mac = ParseMacAddress(text))
        return *mac;
    return "bad MAC address " + quoted(text) + " (expected 00-0B-3C-12-34-56)";
}

Parsed<Ipv4Address> ParseIpv4(std::string_view text) {
    if (const auto address = ParseIpv4Address(text))
        return *address;
    return "bad IPv4 address " + quoted(text) + " (expected four numbers like 198.18.0.20)";
}

Parsed<std::uint16_t> ParsePort(std::string_view text) {
    const auto value = wholeNumber<unsigned>(text);
    if (!value || *value < 1 || *value > 65535)
        return "bad port " + quoted(text) + " (expected 1 to 65535)";
    return std::uint16_t(*value);
}

Parsed<int> ParseCount(std::string_view text, int most) {
    const auto value = wholeNumber<int>(text);
    if (!value || *value < 1 || *value > most)
        return "bad number " + quoted(text) + " (expected 1 to " + std::to_string(most) + ")";
    return *value;
}

Parsed<int> ParseSeconds(std::string_view text) {
    const auto value = wholeNumber<int>(text);
    if (!value || *value < 1 || *value > 86400)
        return "bad number of seconds " + quoted(text) + " (expected 1 to 86400)";
    return *value;
}

} // namespace quorvel
