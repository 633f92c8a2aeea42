#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quorvel {

// What one read from the socket gave: the datagram's bytes, or nothing when
// the read failed (a socket error, or a datagram too long for the buffer).
using ReadBytes = std::optional<std::span<const std::uint8_t>>;

// Every reply handler reads into a buffer of this size; a datagram
// longer than this is a failed read.
constexpr std::size_t kReceiveBufferSize = 4096;

enum DatagramType : std::uint8_t {
    SearchRequestType = 0,
    SearchReplyType = 1,
    AssignRequestType = 2,
    AssignReplyType = 3,
    PrinterStatusRequestType = 4,
};

} // namespace quorvel
