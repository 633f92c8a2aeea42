#pragma once

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <netinet/in.h>

namespace quorvel {

// A file descriptor that closes itself.
class SocketDescriptor {
public:
    SocketDescriptor() = default;
    explicit SocketDescriptor(int fd) : m_fd(fd) {}
    ~SocketDescriptor() { reset(); }
    SocketDescriptor(SocketDescriptor&& other) noexcept : m_fd(other.release()) {}
    SocketDescriptor& operator=(SocketDescriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    SocketDescriptor(const SocketDescriptor&) = delete;
    SocketDescriptor& operator=(const SocketDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes the one held (errno kept) and holds `fd`.
    void reset(int fd = -1);
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd = -1;
};

// An IPv4 socket address; addresses and ports in host order.
sockaddr_in Ipv4SocketAddress(std::uint32_t ipv4, std::uint16_t port);

// A system call repeated while a signal interrupts it.
template <typename Call> auto RetryOnInterrupt(Call call) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

std::int64_t Nanoseconds(const timespec& t);
// Now on `clock` (CLOCK_REALTIME, CLOCK_MONOTONIC), in nanoseconds.
std::int64_t ClockNanoseconds(clockid_t clock);

} // namespace quorvel
