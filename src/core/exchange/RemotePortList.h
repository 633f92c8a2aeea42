#pragma once

#include <algorithm>
#include <cstdint>

namespace quorvel {

constexpr std::uint32_t kMaxRemotePorts = 10;
constexpr std::uint32_t kDefaultRemotePort = 3040;

// The remote UDP ports that searches go to: in memory only, 3040 at start.
struct RemotePortList {
    std::uint32_t remotePorts[kMaxRemotePorts] = {kDefaultRemotePort};
    std::uint32_t remotePortCount = 1;

    // The ports in use; never past the list itself, whatever the count says.
    std::uint32_t count() const { return std::min(remotePortCount, kMaxRemotePorts); }
};

} // namespace quorvel
