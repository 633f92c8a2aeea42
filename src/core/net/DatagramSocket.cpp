#include "core/net/DatagramSocket.h"

namespace quorvel {

ReadBytes ReceiveBuffer::read(DatagramSocket& socket, ReadOutcome* outcome) {
    const ReadOutcome result = socket.receive(m_bytes);
    if (outcome)
        *outcome = result;
    if (result.failed || result.length > sizeof m_bytes)
        return std::nullopt;
    return std::span<const std::uint8_t>(m_bytes, result.length);
}

} // namespace quorvel
