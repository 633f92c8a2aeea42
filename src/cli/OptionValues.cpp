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

Parsed<int> ParseSeconds(std::string_view text) {
    const auto value = wholeNumber<int>(text);
    if (!value || *value < 1 || *value > 86400)
        return "bad number of seconds " + quoted(text) + " (expected 1 to 86400)";
    return *value;
}

Parsed<int> ParseCount(std::string_view text, int least, int most) {
    const auto value = wholeNumber<int>(text);
    if (!value || *value < least || *value > most)
        return "bad number " + quoted(text) + " (expected " + std::to_string(least) + " to " +
               std::to_string(most) + ")";
    return *value;
}

Parsed<std::int64_t> ParseDuration(std::string_view text) {
    const std::string problem =
        "bad duration " + quoted(text) + " (expected a number with a unit, like 90s, 30m or 24h)";
    if (text == "0")
        return std::int64_t(0);
    constexpr std::pair<char, std::int64_t> units[] = {
        {'w', 7 * 86400}, {'d', 86400}, {'h', 3600}, {'m', 60}, {'s', 1}};
    std::int64_t seconds = 0;
    std::size_t unit = 0; // units must come largest first, each once
    while (!text.empty()) {
        const std::size_t digits = text.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos || digits > 7)
            return problem;
        const auto number = wholeNumber<std::int64_t>(text.substr(0, digits));
        while (unit < std::size(units) && units[unit].first != text[digits])
            ++unit;
        if (!number || unit == std::size(units))
            return problem;
        seconds += *number * units[unit++].second;
        text.remove_prefix(digits + 1);
    }
    if (seconds < 1 || seconds > 366 * 86400)
        return "bad duration " + quoted(text) + " (at most a year)";
    return seconds;
}

} // namespace quorvel
