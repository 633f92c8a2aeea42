#include "core/host/HostNetworkFacts.h"

#include <charconv>
#include <sstream>
#include <utility>

namespace quorvel {

std::vector<std::string> Words(std::string_view line) {
    std::istringstream stream{std::string(line)};
    std::vector<std::string> out;
    for (std::string word; stream >> word;)
        out.push_back(word);
    return out;
}

namespace {

template <typename Visit> void eachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        visit(text.substr(start, end - start));
        start = end + 1;
    }
}

template <typename T> std::optional<T> number(std::string_view text, int base = 10) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> ReadRpFilter(std::string_view text) {
    const auto fields = Words(text);
    if (fields.size() != 1)
        return std::nullopt;
    return number<int>(fields[0]);
}

std::optional<std::uint64_t> MartianSourceCount(std::string_view rtCache) {
    std::optional<std::size_t> column;
    std::optional<std::uint64_t> sum;
    eachLine(rtCache, [&](std::string_view line) {
        const auto f = Words(line);
        if (!column) {
            for (std::size_t i = 0; i < f.size(); ++i)
                if (f[i] == "in_martian_src")
                    column = i;
            return;
        }
        if (*column >= f.size())
            return;
        if (const auto count = number<std::uint64_t>(f[*column], 16))
            sum = sum.value_or(0) + *count;
    });
    return sum;
}

bool UfwEnabled(std::string_view ufwConf) {
    bool enabled = false;
    eachLine(ufwConf, [&](std::string_view line) {
        const auto f = Words(line);
        if (f.size() == 1 && (f[0] == "ENABLED=yes" || f[0] == "ENABLED=\"yes\""))
            enabled = true;
    });
    return enabled;
}

bool NftInputPolicyDrops(std::string_view ruleset) {
    bool drops = false;
    eachLine(ruleset, [&](std::string_view line) {
        if (line.find("hook input") != std::string_view::npos &&
            line.find("policy drop") != std::string_view::npos)
            drops = true;
    });
    return drops;
}

bool IptablesInputPolicyDrops(std::string_view rules) {
    bool drops = false;
    eachLine(rules, [&](std::string_view line) {
        if (Words(line) == std::vector<std::string>{"-P", "INPUT", "DROP"})
            drops = true;
    });
    return drops;
}

std::vector<NeighbourEntry> ParseNeighbourTable(std::string_view procNetArp) {
    constexpr unsigned kComplete = 0x2; // ATF_COM
    std::vector<NeighbourEntry> out;
    eachLine(procNetArp, [&](std::string_view line) {
        // IP address, HW type, Flags, HW address, Mask, Device
        const auto f = Words(line);
        if (f.size() != 6 || !f[2].starts_with("0x"))
            return;
        const auto flags = number<unsigned>(std::string_view(f[2]).substr(2), 16);
        const auto ip = ParseIpv4Address(f[0]);
        const auto mac = ParseMacAddress(f[3]);
        if (!flags || !(*flags & kComplete) || !ip || !mac || *mac == MacAddress{})
            return;
        out.push_back({*ip, *mac, f[5]});
    });
    return out;
}

std::vector<std::string> NetworkManagedDevices(std::string_view nmcliDevices) {
    std::vector<std::string> out;
    eachLine(nmcliDevices, [&](std::string_view line) {
        const std::size_t colon = line.rfind(':');
        if (colon == std::string_view::npos || colon == 0)
            return;
        const std::string_view state = line.substr(colon + 1);
        if (state != "unmanaged" && state != "unavailable")
            out.emplace_back(line.substr(0, colon));
    });
    return out;
}

} // namespace quorvel
