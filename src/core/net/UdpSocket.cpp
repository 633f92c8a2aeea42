#include "core/net/UdpSocket.h"

#include "core/net/DatagramSend.h"
#include "core/net/NetworkInterfaces.h"
#include "core/net/SocketReader.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Thousands of boards answer one broadcast within milliseconds; the default
// buffer holds only a few hundred datagrams, and the kernel drops the rest.
constexpr int kReceiveBufferBytes = 32 * 1024 * 1024;

// One notification handles several waiting datagrams, but never holds the
// event loop for long, so painting and input keep flowing during a flood.
constexpr int kMaxDatagramsPerNotification = 4096;
constexpr qint64 kMaxMillisecondsPerNotification = 20;

// Sockets sharing the port, each with a receive buffer of its own: the
// kernel spreads unicast replies among them by their source, so a burst
// larger than one buffer (an ordinary user's is a few hundred replies) waits
// in several while the reader is off its core.
constexpr std::size_t kReceiveSockets = 8;

} // namespace

UdpSocket::UdpSocket() {
    m_resume.setSingleShot(true);
    m_resume.setInterval(0);
    QObject::connect(&m_resume, &QTimer::timeout, [this] { OnReceive(); });
}

UdpSocket::~UdpSocket() {
    close();
}

namespace {

// One socket of the port's group, bound and set up to read; invalid (errno
// set) when it cannot be.
SocketDescriptor openReceiver(std::uint16_t port, bool mayForceReceiveBuffer) {
    SocketDescriptor fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        return fd;
    const int on = 1;
    const sockaddr_in local = Ipv4SocketAddress(INADDR_ANY, port);
    if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0 ||
        ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        fd.reset();
        return fd;
    }
    ::setsockopt(fd.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    ::setsockopt(fd.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    // FORCE works for root and lifts the rmem_max cap; otherwise take what we get.
    if (!mayForceReceiveBuffer ||
        ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                     sizeof kReceiveBufferBytes) != 0)
        ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes,
                     sizeof kReceiveBufferBytes);
    return fd;
}

} // namespace

SocketOpenResult UdpSocket::open(bool mayForceReceiveBuffer) {
    // A plain bind first: a port in use is refused as it would be to any
    // socket, and a port the system picks is one no other group shares, so
    // that another copy of the tool never joins this one's.
    std::uint16_t port = 0;
    {
        const SocketDescriptor probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!probe.valid())
            return errno == EAFNOSUPPORT || errno == EPROTONOSUPPORT
                       ? SocketOpenResult::PlatformUnavailable
                       : SocketOpenResult::CannotOpen;
        sockaddr_in local = Ipv4SocketAddress(INADDR_ANY, m_localPortWanted);
        socklen_t length = sizeof local;
        if (::bind(probe.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0)
            return SocketOpenResult::CannotOpen;
        port = ntohs(local.sin_port);
    }
    m_fd = openReceiver(port, mayForceReceiveBuffer);
    if (!m_fd.valid())
        return SocketOpenResult::CannotOpen;
    const int on = 1;
    ::setsockopt(m_fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    std::vector<int> fds{m_fd.get()};
    while (fds.size() < kReceiveSockets) {
        SocketDescriptor fd = openReceiver(port, mayForceReceiveBuffer);
        if (!fd.valid())
            break; // fewer buffers, nothing worse
        fds.push_back(fd.get());
        m_extraFds.push_back(std::move(fd));
    }

    m_reader = std::make_unique<SocketReader>(std::move(fds));
    if (!m_reader->start()) {
        const int error = errno;
        close();
        errno = error;
        return SocketOpenResult::CannotOpen;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_reader->wakeLoopFd(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { OnReceive(); });
    return SocketOpenResult::Opened;
}

void UdpSocket::OnReceive() {
    if (m_reader)
        m_reader->clearWake();
    QElapsedTimer budget;
    budget.start();
    for (int handled = 0; handled < kMaxDatagramsPerNotification; ++handled) {
        if (!isOpen() || !hasPendingDatagram())
            break;
        // The handler may open a message box; its event loop must still be
        // woken for the datagrams fetched behind this one.
        const bool more = m_next + 1 < m_chunk->datagrams.size() || m_reader->hasQueued();
        if (more && !m_resume.isActive())
            m_resume.start();
        if (onReadyRead)
            onReadyRead();
        else
            receive({});
        if (budget.elapsed() >= kMaxMillisecondsPerNotification)
            break;
    }
    if (isOpen() && (haveFetched() || m_reader->hasQueued()) && !m_resume.isActive())
        m_resume.start();
    if (onReadPaused)
        onReadPaused();
}

bool UdpSocket::haveFetched() const {
    return m_chunk && m_next < m_chunk->datagrams.size();
}

bool UdpSocket::fetch() {
    if (!m_reader)
        return false;
    m_chunk = m_reader->take(std::move(m_chunk));
    m_next = 0;
    if (!m_chunk)
        return false;
    // Whoever asked, these no longer wake the notifier.
    if (!m_resume.isActive())
        m_resume.start();
    return true;
}

int UdpSocket::sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                      unsigned interfaceIndex) {
    if (!m_fd.valid())
        return EBADF;
    if (ipv4 != kBroadcastAddress) {
        const int error = sendOne(bytes, ipv4, port, interfaceIndex, 0);
        // The board's link is gone (a cable re-plugged gets a new index) or
        // down: the routes may still know a way.
        if (interfaceIndex != 0 &&
            (error == ENODEV || error == ENXIO || error == ENETUNREACH || error == ENETDOWN))
            return sendOne(bytes, ipv4, port, 0, 0);
        return error;
    }
    // The limited broadcast leaves only by the default route's interface, or
    // not at all without one: send it on each link by hand. The list is read
    // now, so an interface that came up since the last request is used.
    const InterfaceSelection links =
        SelectBroadcastInterfaces(ReadInterfaceEntries(), m_allowed.empty() ? nullptr : &m_allowed);
    return SendOnEach(links.usable, [&](const BroadcastInterface& link) {
        const int error = sendOne(bytes, ipv4, port, link.index, link.address);
        if (error != 0)
            m_broadcastFailures[link.name] = error;
        return error;
    });
}

int UdpSocket::sendOne(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                       unsigned interfaceIndex, std::uint32_t source) {
    return SendDatagram(m_fd.get(), bytes, ipv4, port, interfaceIndex, source);
}

ReadOutcome UdpSocket::receive(std::span<std::uint8_t> buffer) {
    ReadOutcome outcome;
    if (!m_fd.valid()) {
        outcome.error = EBADF;
        return outcome;
    }
    // Only what the reader queued, so that nothing overtakes a queued datagram.
    if (!haveFetched() && !fetch()) {
        outcome.error = EAGAIN;
        return outcome;
    }
    const ArrivedDatagram& d = m_chunk->datagrams[m_next++];
    outcome.sourceIp = d.sourceIp;
    outcome.sourcePort = d.sourcePort;
    outcome.interfaceIndex = d.interfaceIndex;
    outcome.length = d.length;
    if (d.cut || d.length > buffer.size()) {
        outcome.error = EMSGSIZE;
        return outcome;
    }
    if (d.length > 0)
        std::memcpy(buffer.data(), m_chunk->bytes.data() + d.offset, d.length);
    outcome.failed = false;
    return outcome;
}

bool UdpSocket::hasPendingDatagram() {
    if (!m_fd.valid())
        return false;
    return haveFetched() || fetch();
}

void UdpSocket::close() {
    m_resume.stop();
    m_notifier.reset();
    m_reader.reset();
    m_chunk.reset();
    m_next = 0;
    m_extraFds.clear();
    m_fd.reset();
}

std::uint16_t UdpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (!m_fd.valid() ||
        ::getsockname(m_fd.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int UdpSocket::receiveBufferSize() const {
    int size = 0;
    socklen_t length = sizeof size;
    if (m_fd.valid())
        ::getsockopt(m_fd.get(), SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

} // namespace quorvel
