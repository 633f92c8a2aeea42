#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// One line of the host's interface list, as getifaddrs gives it: an
// interface appears once per address, and once with no IPv4 address at all.
struct InterfaceEntry {
    std::string name;
    unsigned index = 0;
    unsigned flags = 0;                         // IFF_*
    std::optional<std::uint32_t> ipv4;          // host order; none for other families
    std::optional<std::uint32_t> ipv4Broadcast; // the link's directed broadcast, host order
};

// An interface a limited broadcast can leave by.
struct BroadcastInterface {
    std::string name;
    unsigned index = 0;
    std::uint32_t address = 0; // the first IPv4 address, host order: the source
};

enum class InterfaceSkipReason { Down, Loopback, NoBroadcast, NoIpv4Address, NotAllowed };

struct SkippedInterface {
    std::string name;
    InterfaceSkipReason reason;
};

struct InterfaceSelection {
    std::vector<BroadcastInterface> usable; // in the order of the list
    std::vector<SkippedInterface> skipped;
};

// The interfaces that are up, not loopback, broadcast-capable and have an
// IPv4 address, one each however many addresses (or labels) it has; with
// `allowed`, only those named there. Every other interface is listed with why it was left out.
InterfaceSelection SelectBroadcastInterfaces(const std::vector<InterfaceEntry>& entries,
                                             const std::vector<std::string>* allowed = nullptr);

// The directed broadcasts of the host's links, each once.
std::vector<std::uint32_t> DirectedBroadcasts(const std::vector<InterfaceEntry>& entries);

// The host's list now (getifaddrs); empty when it cannot be read.
std::vector<InterfaceEntry> ReadInterfaceEntries();

// Sends on each interface through `send` (0 or an errno). Succeeds when any
// interface took the datagram; otherwise returns the last error, or
// ENETUNREACH when there is no interface to try.
int SendOnEach(const std::vector<BroadcastInterface>& interfaces,
               const std::function<int(const BroadcastInterface&)>& send);

// The interface's name for an index, empty for 0 or one that is gone.
std::string InterfaceName(unsigned index);

} // namespace quorvel
