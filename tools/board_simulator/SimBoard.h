#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvel::sim {

using Mac = std::array<std::uint8_t, 6>;
using Ipv4 = std::array<std::uint8_t, 4>;

// One emulated board. Texts are held as the bytes the board sends (GB18030).
struct SimBoard {
    bool staticAddress = true;
    Mac mac{};
    Ipv4 ip{};
    Ipv4 subnetMask{};
    Ipv4 gateway{};
    std::string name;
    std::string description;
    std::string leftLabel;
    std::string rightLabel;
    // Elapsed seconds when the simulator starts; both advance with real time.
    std::uint64_t leftElapsed = 0;
    std::uint64_t rightElapsed = 0;
    std::uint16_t status = 0;
    // A schedule counted in status requests answered: after `changeAfter`
    // of them the status becomes `laterStatus`; after `silentAfter` the
    // board answers nothing more (0: never).
    std::uint64_t changeAfter = 0;
    std::uint16_t laterStatus = 0;
    std::uint64_t silentAfter = 0;
    std::uint64_t statusAnswered = 0;
};

inline std::uint32_t ToHostOrder(const Ipv4& ip) {
    return (std::uint32_t(ip[0]) << 24) | (std::uint32_t(ip[1]) << 16) |
           (std::uint32_t(ip[2]) << 8) | ip[3];
}

inline Ipv4 FromHostOrder(std::uint32_t ip) {
    return {std::uint8_t(ip >> 24), std::uint8_t(ip >> 16), std::uint8_t(ip >> 8),
            std::uint8_t(ip)};
}

} // namespace quorvel::sim
