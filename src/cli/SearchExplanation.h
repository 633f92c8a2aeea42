#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// An interface the search considered: used, or skipped and why.
struct InterfaceUse {
    std::string name;
    std::string skippedBecause; // empty: the search used it
    int rpFilterAll = 0;        // net.ipv4.conf.all.rp_filter
    int rpFilterOwn = 0;        // net.ipv4.conf.<name>.rp_filter
};

// What the host looked like around one search.
struct SearchEnvironment {
    std::vector<InterfaceUse> interfaces;
    std::optional<std::string> defaultRouteInterface;
    std::vector<std::string> activeFirewalls; // e.g. "ufw", "an nftables input policy that drops"
    std::optional<std::uint64_t> martiansBefore, martiansAfter;
    std::optional<std::uint16_t> localPort; // --local-port, when given
};

// The sysctl key of an IPv4 setting of one interface ("all" for every one),
// in the form sysctl reads for any name.
std::string SysctlKey(std::string_view interfaceName, std::string_view setting);

// The lines to print on standard error after a search that found this many
// boards: why nothing (or not everything) may have answered. Empty when there
// is nothing to say.
std::vector<std::string> ExplainSearch(const SearchEnvironment& environment,
                                       std::size_t boardsFound);

} // namespace quorvel
