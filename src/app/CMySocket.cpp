#include "CMySocket.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
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
constexpr int kMaxDatagramsPerNotification = 256;
constexpr qint64 kMaxMillisecondsPerNotification = 20;

} // namespace

CMySocket::CMySocket() = default;

CMySocket::~CMySocket() {
    close();
}

SocketOpenResult CMySocket::open() {
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
    local.sin_port = 0;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        close();
        return SocketOpenResult::CannotOpen;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // FORCE works for root and lifts the rmem_max cap; otherwise take what we get.
    if (::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                     sizeof kReceiveBufferBytes) != 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);

    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { OnReceive(); });
    return SocketOpenResult::Opened;
}

void CMySocket::OnReceive() {
    QElapsedTimer budget;
    budget.start();
    for (int handled = 0; handled < kMaxDatagramsPerNotification; ++handled) {
        if (!isOpen() || !hasPendingDatagram())
            return;
        if (onReadyRead)
            onReadyRead();
        else
            receive({});
        if (budget.elapsed() >= kMaxMillisecondsPerNotification)
            return;
    }
}

int CMySocket::sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port) {
    if (m_fd < 0)
        return EBADF;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ipv4);
    to.sin_port = htons(port);
    for (;;) {
        const ssize_t sent = ::sendto(m_fd, bytes.data(), bytes.size(), 0,
                                      reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (sent >= 0)
            return 0;
        if (errno == EINTR)
            continue;
        return errno;
    }
}

ReadOutcome CMySocket::receive(std::span<std::uint8_t> buffer) {
    ReadOutcome outcome;
    if (m_fd < 0) {
        outcome.error = EBADF;
        return outcome;
    }
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t got;
    do {
        got = ::recvfrom(m_fd, buffer.data(), buffer.size(), MSG_TRUNC,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        outcome.error = errno;
        return outcome;
    }
    outcome.sourceIp = ntohl(from.sin_addr.s_addr);
    outcome.sourcePort = ntohs(from.sin_port);
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

bool CMySocket::hasPendingDatagram() {
    if (m_fd < 0)
        return false;
    std::uint8_t probe;
    return ::recv(m_fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT | MSG_TRUNC) >= 0;
}

void CMySocket::close() {
    m_notifier.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::uint16_t CMySocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int CMySocket::receiveBufferSize() const {
    int size = 0;
    socklen_t length = sizeof size;
    if (m_fd >= 0)
        ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

} // namespace quorvel
