#pragma once

#include "Addresses.h"
#include "SharedText.h"

#include <cstdint>

namespace quorvel {

// One board that answered a search. Texts are held as UTF-8, shared between
// the boards that carry the same text.
struct DeviceRecord {
    std::uint8_t staticAddress = 0;
    std::uint32_t leftDays = 0;
    std::uint8_t leftHours = 0;
    std::uint8_t leftMinutes = 0;
    std::uint32_t rightDays = 0;
    std::uint8_t rightHours = 0;
    std::uint8_t rightMinutes = 0;
    std::uint8_t leftSeconds = 0;
    std::uint8_t rightSeconds = 0;
    MacAddress mac{};
    Ipv4Address ip{};
    std::uint16_t replyPort = 0;
    // Where the reply came from, which a board's own `ip` should be; only the
    // sender is known to be reachable, the payload is the board's claim.
    Ipv4Address replyAddress{};
    Ipv4Address subnetMask{};
    Ipv4Address gateway{};
    SharedText name;
    SharedText description;
    SharedText leftLabel;
    SharedText rightLabel;
    // The host interface the reply that listed the board came in on; 0 when
    // unknown. Requests to the board leave through it.
    unsigned interfaceIndex = 0;
};

} // namespace quorvel
