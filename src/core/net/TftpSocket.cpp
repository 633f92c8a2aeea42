#include "core/net/TftpSocket.h"

#include "core/net/DatagramSend.h"

#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace quorvel {

TftpSocket::TftpSocket() = default;

TftpSocket::~TftpSocket() {
    close();
}

bool TftpSocket::open() {
    m_fd.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_fd.valid())
        return false;
    const int on = 1;
    const sockaddr_in local = Ipv4SocketAddress(INADDR_ANY, 0);
    if (::setsockopt(m_fd.get(), IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0 ||
        ::bind(m_fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        close();
        errno = error;
        return false;
    }
    // Level-triggered: a datagram or a report not read fires again.
    m_notifier = std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        if (onReadyRead)
            onReadyRead();
    });
    return true;
}

void TftpSocket::close() {
    m_notifier.reset();
    m_fd.reset();
}

int TftpSocket::sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                       unsigned interfaceIndex) {
    if (!m_fd.valid())
        return EBADF;
    const int error = SendDatagram(m_fd.get(), bytes, ipv4, port, interfaceIndex);
    // The board's link is gone or renumbered: the routes may still know a way.
    if (interfaceIndex != 0 && (error == ENODEV || error == ENXIO))
        return SendDatagram(m_fd.get(), bytes, ipv4, port, 0);
    return error;
}

bool TftpSocket::readReport(ReadOutcome& outcome) {
    sockaddr_in offender{};
    std::uint8_t ignored[64];
    iovec iov{ignored, sizeof ignored};
    alignas(cmsghdr) std::uint8_t control[512];
    msghdr message{};
    message.msg_name = &offender;
    message.msg_namelen = sizeof offender;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (::recvmsg(m_fd.get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
        return false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err report;
        std::memcpy(&report, CMSG_DATA(c), sizeof report);
        outcome.error = int(report.ee_errno);
    }
    // The address is the datagram's destination that could not be reached.
    outcome.failed = true;
    outcome.sourceIp = ntohl(offender.sin_addr.s_addr);
    outcome.sourcePort = ntohs(offender.sin_port);
    return true;
}

ReadOutcome TftpSocket::receive(std::span<std::uint8_t> buffer) {
    ReadOutcome outcome;
    if (!m_fd.valid()) {
        outcome.error = EBADF;
        return outcome;
    }
    if (readReport(outcome))
        return outcome;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t length = RetryOnInterrupt([&] {
        return ::recvfrom(m_fd.get(), buffer.data(), buffer.size(), MSG_TRUNC,
                          reinterpret_cast<sockaddr*>(&from), &fromLength);
    });
    if (length < 0) {
        // A report raced the read: it is read at the next notification.
        outcome.error = errno;
        return outcome;
    }
    outcome.length = std::size_t(length);
    outcome.sourceIp = ntohl(from.sin_addr.s_addr);
    outcome.sourcePort = ntohs(from.sin_port);
    outcome.failed = outcome.length > buffer.size();
    if (outcome.failed)
        outcome.error = EMSGSIZE;
    return outcome;
}

bool TftpSocket::hasPendingDatagram() {
    if (!m_fd.valid())
        return false;
    pollfd watched{m_fd.get(), POLLIN, 0};
    return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLIN | POLLERR)) != 0;
}

} // namespace quorvel
