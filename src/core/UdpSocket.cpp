#include "UdpSocket.h"

#include "NetworkInterfaces.h"

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

// Datagrams per recvmmsg call: one system call instead of two per datagram
// (a look and a read) is most of what a flood of replies costs the kernel side.
constexpr std::size_t kBatchSize = 64;

// Room for the one control message asked for: where the datagram arrived.
constexpr std::size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo));

unsigned arrivalInterface(msghdr header) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c))
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            return static_cast<unsigned>(info.ipi_ifindex);
        }
    return 0;
}

} // namespace

struct UdpSocket::Batch {
    struct Slot {
        std::uint8_t bytes[kReceiveBufferSize];
    };
    Slot slots[kBatchSize];
    sockaddr_in sources[kBatchSize];
    alignas(cmsghdr) std::uint8_t controls[kBatchSize][kControlBytes];
    iovec iovs[kBatchSize];
    mmsghdr headers[kBatchSize];
};

UdpSocket::UdpSocket() {
    m_resume.setSingleShot(true);
    m_resume.setInterval(0);
    QObject::connect(&m_resume, &QTimer::timeout, [this] { OnReceive(); });
}

UdpSocket::~UdpSocket() {
    close();
}

SocketOpenResult UdpSocket::open(bool mayForceReceiveBuffer) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        const int error = errno;
        return error == EAFNOSUPPORT || error == EPROTONOSUPPORT
                   ? SocketOpenResult::PlatformUnavailable
                   : SocketOpenResult::CannotOpen;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(m_localPortWanted);
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        close();
        errno = error;
        return SocketOpenResult::CannotOpen;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // FORCE works for root and lifts the rmem_max cap; otherwise take what we get.
    if (!mayForceReceiveBuffer ||
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                     sizeof kReceiveBufferBytes) != 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);

    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { OnReceive(); });
    return SocketOpenResult::Opened;
}

void UdpSocket::OnReceive() {
    QElapsedTimer budget;
    budget.start();
    for (int handled = 0; handled < kMaxDatagramsPerNotification; ++handled) {
        if (!isOpen() || !hasPendingDatagram())
            break;
        // The handler may open a message box; its event loop must still be
        // woken for the datagrams fetched behind this one.
        if (m_next + 1 < m_fetched && !m_resume.isActive())
            m_resume.start();
        if (onReadyRead)
            onReadyRead();
        else
            receive({});
        if (budget.elapsed() >= kMaxMillisecondsPerNotification)
            break;
    }
    if (isOpen() && haveFetched() && !m_resume.isActive())
        m_resume.start();
    if (onReadPaused)
        onReadPaused();
}

bool UdpSocket::fetch() {
    m_next = m_fetched = 0;
    if (m_fd < 0)
        return false;
    if (!m_batch)
        m_batch = std::make_unique<Batch>();
    Batch& b = *m_batch;
    for (std::size_t i = 0; i < kBatchSize; ++i) {
        b.iovs[i] = {b.slots[i].bytes, sizeof b.slots[i].bytes};
        msghdr& h = b.headers[i].msg_hdr;
        h = msghdr{};
        h.msg_name = &b.sources[i];
        h.msg_namelen = sizeof b.sources[i];
        h.msg_iov = &b.iovs[i];
        h.msg_iovlen = 1;
        h.msg_control = b.controls[i];
        h.msg_controllen = sizeof b.controls[i];
        b.headers[i].msg_len = 0;
    }
    int got;
    do {
        // MSG_TRUNC: each length is the datagram's own, also past the buffer.
        got = ::recvmmsg(m_fd, b.headers, kBatchSize, MSG_DONTWAIT | MSG_TRUNC, nullptr);
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
        return false;
    m_fetched = static_cast<std::size_t>(got);
    // Whoever asked, these no longer wake the notifier.
    if (!m_resume.isActive())
        m_resume.start();
    return true;
}

int UdpSocket::sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                      unsigned interfaceIndex) {
    if (m_fd < 0)
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
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ipv4);
    to.sin_port = htons(port);
    iovec iov{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) std::uint8_t control[kControlBytes] = {};
    if (interfaceIndex != 0) {
        // Out of this interface as if the destination were on its link: no
        // route and no privilege needed.
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(interfaceIndex);
        info.ipi_spec_dst.s_addr = htonl(source);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    for (;;) {
        if (::sendmsg(m_fd, &message, 0) >= 0)
            return 0;
        if (errno == EINTR)
            continue;
        return errno;
    }
}

ReadOutcome UdpSocket::receive(std::span<std::uint8_t> buffer) {
    ReadOutcome outcome;
    if (m_fd < 0) {
        outcome.error = EBADF;
        return outcome;
    }
    if (haveFetched()) {
        const std::size_t i = m_next++;
        const Batch& b = *m_batch;
        outcome.sourceIp = ntohl(b.sources[i].sin_addr.s_addr);
        outcome.sourcePort = ntohs(b.sources[i].sin_port);
        outcome.interfaceIndex = arrivalInterface(b.headers[i].msg_hdr);
        outcome.length = b.headers[i].msg_len;
        const bool cut = (b.headers[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
        if (cut || outcome.length > buffer.size() || outcome.length > kReceiveBufferSize) {
            outcome.error = EMSGSIZE;
            return outcome;
        }
        if (outcome.length > 0)
            std::memcpy(buffer.data(), b.slots[i].bytes, outcome.length);
        outcome.failed = false;
        return outcome;
    }
    sockaddr_in from{};
    iovec iov{buffer.data(), buffer.size()};
    alignas(cmsghdr) std::uint8_t control[kControlBytes];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    do {
        got = ::recvmsg(m_fd, &message, MSG_TRUNC);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        outcome.error = errno;
        return outcome;
    }
    outcome.sourceIp = ntohl(from.sin_addr.s_addr);
    outcome.sourcePort = ntohs(from.sin_port);
    outcome.interfaceIndex = arrivalInterface(message);
    outcome.length = static_cast<std::size_t>(got);
    // MSG_TRUNC reports the real length: a datagram longer than the buffer
    // is a failed read.
    if (outcome.length > buffer.size()) {
        outcome.error = EMSGSIZE;
        return outcome;
    }
    outcome.failed = false;
    return outcome;
}

bool UdpSocket::hasPendingDatagram() {
    if (m_fd < 0)
        return false;
    return haveFetched() || fetch();
}

void UdpSocket::close() {
    m_resume.stop();
    m_next = m_fetched = 0;
    m_notifier.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::uint16_t UdpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int UdpSocket::receiveBufferSize() const {
    int size = 0;
    socklen_t length = sizeof size;
    if (m_fd >= 0)
        ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

} // namespace quorvel
