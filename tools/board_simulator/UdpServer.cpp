#include "UdpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::sim {

struct alignas(cmsghdr) PacketInfoControl {
    char bytes[CMSG_SPACE(sizeof(in_pktinfo))];
};

// sendmmsg's arrays, kept between calls.
struct UdpServer::SendArrays {
    std::vector<mmsghdr> messages;
    std::vector<iovec> iovs;
    std::vector<sockaddr_in> addresses;
    std::vector<PacketInfoControl> controls;
};

namespace {

// sendmmsg takes at most this many messages per call.
constexpr std::size_t kSendBatch = 1024;
// Datagrams read per socket before the due replies go out.
constexpr int kReadsPerWake = 256;

sockaddr_in toSockaddr(std::uint32_t ip, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ip);
    address.sin_port = htons(port);
    return address;
}

std::string errorText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

} // namespace

UdpServer::UdpServer(SimulatorEngine& engine, DatagramLog* log)
    : m_engine(engine), m_log(log), m_receiveBuffer(65536),
      m_sendArrays(std::make_unique<SendArrays>()) {
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

UdpServer::~UdpServer() {
    for (int fd : m_sockets)
        ::close(fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

std::string UdpServer::open(const std::string& bindAddress,
                            const std::vector<std::uint16_t>& ports) {
    in_addr local{};
    if (inet_pton(AF_INET, bindAddress.c_str(), &local) != 1)
        return "not an IPv4 address: " + bindAddress;
    for (std::uint16_t port : ports) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return errorText("socket");
        m_sockets.push_back(fd);
        const int on = 1;
        // The header's destination tells a broadcast from a board's own address.
        ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        const int buffer = 8 * 1024 * 1024;
        if (::setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &buffer, sizeof buffer) != 0)
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
        sockaddr_in address = toSockaddr(ntohl(local.s_addr), port);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return errorText("cannot bind UDP " + bindAddress + ":" + std::to_string(port));
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_ports.push_back(ntohs(address.sin_port));
    }
    return {};
}

void UdpServer::stop() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void UdpServer::run(Clock::time_point deadline, int stopFd) {
    std::vector<pollfd> fds;
    for (int fd : m_sockets)
        fds.push_back({fd, POLLIN, 0});
    fds.push_back({m_wakeFd, POLLIN, 0});
    if (stopFd >= 0)
        fds.push_back({stopFd, POLLIN, 0});
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return;
        const Clock::time_point wakeAt = std::min(deadline, nextDue());
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count();
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long>(0, wait)));
        if (ready < 0 && errno != EINTR)
            return;
        for (std::size_t i = m_sockets.size(); i < fds.size(); ++i)
            if (ready > 0 && fds[i].revents)
                return;
        for (std::size_t i = 0; i < m_sockets.size(); ++i)
            if (ready > 0 && (fds[i].revents & POLLIN))
                receiveFrom(i);
        flushDue(Clock::now());
    }
}

void UdpServer::receiveFrom(std::size_t socketIndex) {
    std::uint8_t* data = m_receiveBuffer.data();
    for (int read = 0; read < kReadsPerWake; ++read) {
        sockaddr_in from{};
        iovec iov{data, m_receiveBuffer.size()};
        PacketInfoControl control{};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        message.msg_control = control.bytes;
        message.msg_controllen = sizeof control.bytes;
        const ssize_t got = ::recvmsg(m_sockets[socketIndex], &message, MSG_DONTWAIT);
        if (got < 0)
            return;
        Received received;
        received.bytes = {data, static_cast<std::size_t>(got)};
        received.source = {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
        received.socketIndex = socketIndex;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                received.destinationIp = ntohl(info.ipi_addr.s_addr);
            }
        ++m_stats.received;
        Pending pending;
        const RequestKind kind = m_engine.handle(received, Clock::now(), pending.batch);
        if (m_log)
            m_log->write(received, m_ports[socketIndex], kind);
        if (pending.batch.items.empty())
            continue;
        auto& items = pending.batch.items;
        if (!std::is_sorted(items.begin(), items.end(),
                            [](const Outgoing& a, const Outgoing& b) { return a.due < b.due; }))
            std::stable_sort(items.begin(), items.end(),
                             [](const Outgoing& a, const Outgoing& b) { return a.due < b.due; });
        m_pending.push_back(std::move(pending));
        // Answer before reading on, so a burst of requests cannot starve the replies.
        flushDue(Clock::now());
    }
}

Clock::time_point UdpServer::nextDue() const {
    Clock::time_point next = Clock::time_point::max();
    for (const Pending& p : m_pending)
        if (p.next < p.batch.items.size())
            next = std::min(next, p.batch.items[p.next].due);
    return next;
}

void UdpServer::flushDue(Clock::time_point now) {
    for (Pending& p : m_pending) {
        const auto& items = p.batch.items;
        while (p.next < items.size() && items[p.next].due <= now) {
            std::size_t last = p.next;
            while (last < items.size() && last - p.next < kSendBatch && items[last].due <= now &&
                   items[last].socketIndex == items[p.next].socketIndex)
                ++last;
            p.next = sendRun(p.batch, p.next, last);
        }
    }
    std::erase_if(m_pending, [](const Pending& p) { return p.next >= p.batch.items.size(); });
}

std::size_t UdpServer::sendRun(const ReplyBatch& batch, std::size_t first, std::size_t last) {
    const std::size_t count = last - first;
    auto& messages = m_sendArrays->messages;
    auto& iovs = m_sendArrays->iovs;
    auto& addresses = m_sendArrays->addresses;
    auto& controls = m_sendArrays->controls;
    messages.assign(count, mmsghdr{});
    iovs.resize(count);
    addresses.resize(count);
    controls.assign(count, PacketInfoControl{});
    for (std::size_t i = 0; i < count; ++i) {
        const Outgoing& item = batch.items[first + i];
        iovs[i] = {const_cast<std::uint8_t*>(batch.bytes.data() + item.offset), item.length};
        addresses[i] = toSockaddr(item.destination.ip, item.destination.port);
        msghdr& m = messages[i].msg_hdr;
        m.msg_name = &addresses[i];
        m.msg_namelen = sizeof addresses[i];
        m.msg_iov = &iovs[i];
        m.msg_iovlen = 1;
        if (item.sourceIp != 0 && !m_foreignSources.count(item.sourceIp)) {
            m.msg_control = controls[i].bytes;
            m.msg_controllen = sizeof controls[i].bytes;
            cmsghdr* c = CMSG_FIRSTHDR(&m);
            c->cmsg_level = IPPROTO_IP;
            c->cmsg_type = IP_PKTINFO;
            c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
            in_pktinfo info{};
            info.ipi_spec_dst.s_addr = htonl(item.sourceIp);
            std::memcpy(CMSG_DATA(c), &info, sizeof info);
        }
    }
    const int fd = m_sockets[batch.items[first].socketIndex];
    std::size_t done = 0;
    while (done < count) {
        const int sent =
            ::sendmmsg(fd, messages.data() + done, static_cast<unsigned>(count - done), 0);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            m_stats.repliesSent += static_cast<std::uint64_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        msghdr& failed = messages[done].msg_hdr;
        // The board's address is not local here (bound to loopback, or an
        // address it took outside the rig's range; the error then varies):
        // send from whatever address the system picks instead.
        if (failed.msg_control) {
            m_foreignSources.insert(batch.items[first + done].sourceIp);
            failed.msg_control = nullptr;
            failed.msg_controllen = 0;
            continue;
        }
        ++m_stats.sendErrors;
        ++done;
    }
    return last;
}

} // namespace quorvel::sim
