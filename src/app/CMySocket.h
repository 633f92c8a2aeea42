#pragma once

#include "DatagramSocket.h"

#include <memory>

class QSocketNotifier;

namespace quorvel {

enum class SocketOpenResult { Opened, PlatformUnavailable, CannotOpen };

// The shared socket over POSIX: IPv4 UDP bound to 0.0.0.0 port 0, broadcast
// on, non-blocking, watched by a level-triggered read notifier.
class CMySocket : public DatagramSocket {
public:
    CMySocket();
    ~CMySocket() override;

    SocketOpenResult open();
    bool isOpen() const override { return m_fd >= 0; }
    int sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4,
               std::uint16_t port) override;
    ReadOutcome receive(std::span<std::uint8_t> buffer) override;
    bool hasPendingDatagram() override;
    void close() override;

    std::uint16_t localPort() const;
    int receiveBufferSize() const;

private:
    void OnReceive();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace quorvel
