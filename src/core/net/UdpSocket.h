#pragma once

#include "core/net/DatagramSocket.h"
#include "core/net/SocketDescriptor.h"
#include "core/net/SocketReader.h"

#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace quorvel {

enum class SocketOpenResult { Opened, PlatformUnavailable, CannotOpen };

// The shared socket over POSIX: IPv4 UDP bound to 0.0.0.0 port 0, broadcast
// on, non-blocking; the port is read through several sockets, each with a
// receive buffer of its own. A reader thread takes datagrams from the kernel
// as they arrive, several at a time, into a queue in arrival order; the event
// loop is woken and hands them out one by one. A flood larger than one
// receive buffer is thus not lost while the event loop paints or waits in a
// dialog.
class UdpSocket : public DatagramSocket {
public:
    UdpSocket();
    ~UdpSocket() override;

    // A fixed local port instead of an ephemeral one, so that a firewall can
    // let the replies in; read by the next open(). On a failed bind, errno
    // says why.
    void setLocalPort(std::uint16_t port) { m_localPortWanted = port; }
    // Limited broadcasts leave only by these interfaces (all usable ones when
    // empty).
    void setAllowedInterfaces(std::vector<std::string> names) { m_allowed = std::move(names); }
    // Without `mayForceReceiveBuffer` the receive buffer is what an ordinary
    // user gets, capped at the system's rmem_max, also when run as root.
    SocketOpenResult open(bool mayForceReceiveBuffer = true);
    bool isOpen() const override { return m_fd.valid(); }
    int sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
               unsigned interfaceIndex = 0) override;
    ReadOutcome receive(std::span<std::uint8_t> buffer) override;
    bool hasPendingDatagram() override;
    void close() override;

    std::uint16_t localPort() const;
    int receiveBufferSize() const;
    // The links a limited broadcast could not leave by, each with its last
    // errno, since the socket opened.
    const std::map<std::string, int>& broadcastFailures() const { return m_broadcastFailures; }

private:
    void OnReceive();
    // Takes the next queued run of datagrams; false when none is queued.
    bool fetch();
    bool haveFetched() const;
    // One sendmsg, out of `interfaceIndex` (0: routed) from `source` (0: the
    // kernel's choice).
    int sendOne(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                unsigned interfaceIndex, std::uint32_t source);

    SocketDescriptor m_fd;                    // sends, and reads with the others
    std::vector<SocketDescriptor> m_extraFds; // read only: more of the port's receive buffer
    std::uint16_t m_localPortWanted = 0;
    std::vector<std::string> m_allowed;
    std::map<std::string, int> m_broadcastFailures;
    std::unique_ptr<SocketReader> m_reader;
    std::unique_ptr<QSocketNotifier> m_notifier;  // the reader's wake-up
    std::unique_ptr<SocketReader::Chunk> m_chunk; // being handed out
    std::size_t m_next = 0;                       // its next datagram
    // Fetched datagrams do not wake the notifier: this does, at the event
    // loop's next turn, also inside a nested loop.
    QTimer m_resume;
};

} // namespace quorvel
