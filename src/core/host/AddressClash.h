#pragma once

#include "core/host/HostNetworkFacts.h"
#include "protocol/Addresses.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// What the host knows of the addresses around it, read where the address
// checks need it (HostCommandRunner::hostAddressFacts).
struct HostAddressFacts {
    struct OnLink {
        Ipv4Address address{};
        std::string interfaceName;
    };
    std::vector<OnLink> ownAddresses;       // every interface's, getifaddrs
    std::vector<OnLink> gateways;           // of the default routes
    std::vector<NeighbourEntry> neighbours; // the neighbour table's complete entries
};

enum class ClashKind {
    OwnAddress,  // the host's own address
    Gateway,     // a default gateway of the host
    OtherDevice, // the neighbour table holds it for another MAC
};

struct AddressClash {
    ClashKind kind;
    std::string interfaceName;
    MacAddress otherMac{}; // OtherDevice's
};

// Why `address` must not go to the board with `boardMac`, worst first, or
// nothing. 0.0.0.0 (DHCP without a known address) clashes with nothing.
std::optional<AddressClash> FindAddressClash(const Ipv4Address& address, const MacAddress& boardMac,
                                             const HostAddressFacts& facts);

// Whether the neighbour entry and the ping that carry `address` to the board
// may run. Never for the host's own address or its gateway: the permanent
// entry would send the host's traffic for them to the board. For a DHCP
// request, whose address is whatever the board claims, never on any clash.
bool HostStepsAllowed(const std::optional<AddressClash>& clash, bool dhcp);

// The host's facts now: getifaddrs, /proc/net/route and /proc/net/arp.
HostAddressFacts ReadHostAddressFacts();

// The clash in the user's words, one sentence ("IP address 198.18.0.1 is
// this computer's own address (on eth0); ...").
QString AddressClashText(const Ipv4Address& address, const AddressClash& clash);
// The same sentence as the window's Yes/No question.
QString AddressClashQuestion(const Ipv4Address& address, const AddressClash& clash);

} // namespace quorvel
