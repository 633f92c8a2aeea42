#pragma once

#include "Addresses.h"

#include <cstdint>

namespace quorvel {

// The field of an address assignment that a check is about.
enum class AddressField { Ip, SubnetMask, Gateway };

enum class AddressProblem {
    None,
    Unspecified,         // 0.0.0.0
    LimitedBroadcast,    // 255.255.255.255
    Loopback,            // 127/8
    MulticastOrReserved, // 224/3
    MaskEmpty,           // 0.0.0.0
    MaskNotContiguous,
    SubnetNetwork,        // the IP is its subnet's network address
    SubnetBroadcast,      // the IP is its subnet's broadcast address
    GatewayOutsideSubnet, // a question, not a refusal
};

struct AddressVerdict {
    enum Kind {
        Accepted,
        Refused,         // `field` cannot be sent as it is
        AskAboutGateway, // sendable, but the board may not reach its gateway
    };
    Kind kind = Accepted;
    AddressField field = AddressField::Ip;
    AddressProblem problem = AddressProblem::None;

    friend bool operator==(const AddressVerdict&, const AddressVerdict&) = default;
};

// Whether a static address, mask and gateway would leave a board reachable.
// A gateway of 0.0.0.0 means none. The first refused field wins, in the order
// IP address, mask, the IP within its subnet, gateway.
AddressVerdict CheckStaticAddress(const Ipv4Address& ip, const Ipv4Address& mask,
                                  const Ipv4Address& gateway);

} // namespace quorvel
