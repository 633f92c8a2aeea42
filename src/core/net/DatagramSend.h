#pragma once

#include <cstdint>
#include <span>

namespace quorvel {

// One sendmsg of a datagram on the UDP socket `fd`: out of `interfaceIndex`
// as if the destination were on its link (0: where the routes lead), from
// `source` (0: the kernel's choice). Returns 0, or the errno.
int SendDatagram(int fd, std::span<const std::uint8_t> bytes, std::uint32_t ipv4,
                 std::uint16_t port, unsigned interfaceIndex, std::uint32_t source = 0);

} // namespace quorvel
