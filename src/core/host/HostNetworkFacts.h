#pragma once

#include "core/net/RouteTable.h"
#include "protocol/Addresses.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Readers of what the kernel and the firewall tools tell an unprivileged
// user, for the empty search's explanation and the address checks. Each
// takes the text as read.

// The fields of one line of such a text, split at white space.
std::vector<std::string> Words(std::string_view line);

// A value of /proc/sys/net/ipv4/conf/<name>/rp_filter.
std::optional<int> ReadRpFilter(std::string_view text);

// in_martian_src summed over the per-CPU lines (hex) of /proc/net/stat/rt_cache.
std::optional<std::uint64_t> MartianSourceCount(std::string_view rtCache);

// ENABLED=yes in /etc/ufw/ufw.conf.
bool UfwEnabled(std::string_view ufwConf);
// A chain on the input hook with policy drop, in `nft list ruleset`.
bool NftInputPolicyDrops(std::string_view ruleset);
// -P INPUT DROP in `iptables -S INPUT`.
bool IptablesInputPolicyDrops(std::string_view rules);
// One entry of the kernel's IPv4 neighbour table that knows its MAC.
struct NeighbourEntry {
    Ipv4Address ip{};
    MacAddress mac{};
    std::string interfaceName;
};

// The complete entries of /proc/net/arp (incomplete and failed ones have no
// MAC yet and are left out).
std::vector<NeighbourEntry> ParseNeighbourTable(std::string_view procNetArp);

// The devices NetworkManager manages, from `nmcli -t -f DEVICE,STATE device`.
std::vector<std::string> NetworkManagedDevices(std::string_view nmcliDevices);

} // namespace quorvel
