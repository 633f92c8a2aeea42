#include "core/net/SocketDescriptor.h"

#include <arpa/inet.h>
#include <unistd.h>

namespace quorvel {

void SocketDescriptor::reset(int fd) {
    if (m_fd >= 0 && m_fd != fd) {
        const int error = errno;
        ::close(m_fd);
        errno = error;
    }
    m_fd = fd;
}

sockaddr_in Ipv4SocketAddress(std::uint32_t ipv4, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ipv4);
    address.sin_port = htons(port);
    return address;
}

std::int64_t Nanoseconds(const timespec& t) {
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

std::int64_t ClockNanoseconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return Nanoseconds(now);
}

} // namespace quorvel
