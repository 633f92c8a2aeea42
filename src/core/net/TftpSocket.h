#pragma once

#include "core/net/DatagramSocket.h"
#include "core/net/SocketDescriptor.h"

#include <memory>

class QSocketNotifier;

namespace quorvel {

// One TFTP transfer's own UDP socket: a fresh ephemeral port (the transfer's
// ID, RFC 1350), non-blocking, never broadcast. The kernel's ICMP reports
// (IP_RECVERR) are read as failed reads naming the address and port that
// could not be reached, so "port unreachable" from a host without a TFTP
// server tells at once that none answered there, without connect(), which
// would shut out the server's answer from its new port.
class TftpSocket : public DatagramSocket {
public:
    TftpSocket();
    ~TftpSocket() override;

    // False with errno set when no socket could be had.
    bool open();
    bool isOpen() const override { return m_fd.valid(); }
    int sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
               unsigned interfaceIndex = 0) override;
    // A datagram, or failed with the ICMP report's errno and the unreachable
    // destination as the source.
    ReadOutcome receive(std::span<std::uint8_t> buffer) override;
    bool hasPendingDatagram() override;
    void close() override;

private:
    bool readReport(ReadOutcome& outcome);

    SocketDescriptor m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace quorvel
