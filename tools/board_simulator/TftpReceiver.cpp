#include "TftpReceiver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::sim {

namespace {

constexpr std::uint16_t kLargestBlock = 1468;
constexpr auto kGiveUp = std::chrono::seconds(10);

int boundSocket(std::uint32_t ip, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(ip);
    local.sin_port = htons(port);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendTo(int fd, std::span<const std::uint8_t> bytes, std::uint32_t ip, std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ip);
    to.sin_port = htons(port);
    ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

} // namespace

TftpReceiver::TftpReceiver(const std::vector<SimBoard>& boards, BoardSilence& silence,
                           std::chrono::seconds rebootFor)
    : m_boards(boards), m_silence(silence), m_rebootFor(rebootFor) {
    for (std::size_t i = 0; i < boards.size(); ++i)
        m_byIp.emplace(ToHostOrder(boards[i].ip), i);
}

TftpReceiver::~TftpReceiver() {
    for (const auto& [fd, transfer] : m_transfers)
        ::close(fd);
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

std::string TftpReceiver::open(const std::string& bindAddress, std::uint16_t port) {
    in_addr address{};
    if (::inet_pton(AF_INET, bindAddress.c_str(), &address) != 1)
        return "bad bind address " + bindAddress;
    m_fd = boundSocket(ntohl(address.s_addr), port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd < 0 || m_wakeFd < 0)
        return "cannot bind the TFTP port " + std::to_string(port) + ": " + std::strerror(errno);
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &length);
    m_port = ntohs(bound.sin_port);
    return {};
}

void TftpReceiver::stop() {
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0)
        (void)!::write(m_wakeFd, &one, sizeof one);
}

void TftpReceiver::run() {
    std::vector<std::uint8_t> buffer(kTftpHeaderSize + kTftpLargestBlockSize);
    for (;;) {
        std::vector<pollfd> watched{{m_wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
        for (const auto& [fd, transfer] : m_transfers)
            watched.push_back({fd, POLLIN, 0});
        ::poll(watched.data(), watched.size(), 200);
        if (watched[0].revents)
            return;
        if (watched[1].revents) {
            sockaddr_in from{};
            iovec iov{buffer.data(), buffer.size()};
            alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))];
            msghdr message{};
            message.msg_name = &from;
            message.msg_namelen = sizeof from;
            message.msg_iov = &iov;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t length = ::recvmsg(m_fd, &message, 0);
            std::uint32_t to = 0;
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); length >= 0 && c;
                 c = CMSG_NXTHDR(&message, c))
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    in_pktinfo info;
                    std::memcpy(&info, CMSG_DATA(c), sizeof info);
                    to = ntohl(info.ipi_addr.s_addr);
                }
            if (length >= 0)
                request({buffer.data(), std::size_t(length)}, ntohl(from.sin_addr.s_addr),
                        ntohs(from.sin_port), to);
        }
        const Clock::time_point now = Clock::now();
        for (std::size_t i = 2; i < watched.size(); ++i) {
            auto found = m_transfers.find(watched[i].fd);
            if (found == m_transfers.end())
                continue;
            if (watched[i].revents)
                data(found->first, found->second);
            else
                resend(found->first, found->second, now);
        }
    }
}

void TftpReceiver::refuse(std::uint32_t ip, std::uint16_t port, std::uint16_t code,
                          const std::string& why) {
    sendTo(m_fd, EncodeTftpError(code, why), ip, port);
}

void TftpReceiver::request(std::span<const std::uint8_t> bytes, std::uint32_t fromIp,
                           std::uint16_t fromPort, std::uint32_t toIp) {
    const TftpPacket packet = DecodeTftpPacket(bytes);
    const auto board = m_byIp.find(toIp);
    if (packet.kind != TftpPacket::Kind::WriteRequest)
        return refuse(fromIp, fromPort, TftpIllegalOperation, "this boot loader only takes writes");
    if (board == m_byIp.end() || packet.mode != "octet")
        return refuse(fromIp, fromPort, TftpAccessViolation, "no board here takes this request");
    Transfer transfer;
    transfer.board = board->second;
    transfer.peerIp = fromIp;
    transfer.peerPort = fromPort;
    transfer.lastHeard = Clock::now();
    const TftpOptionList granted =
        TftpGrantOptions(packet.options, kLargestBlock, transfer.agreement);
    transfer.lastSent = granted.empty() ? EncodeTftpAck(0) : EncodeTftpOptionAck(granted);
    const int fd = boundSocket(toIp, 0);
    if (fd < 0)
        return refuse(fromIp, fromPort, TftpNotDefined, "no port free for the transfer");
    send(fd, transfer);
    m_transfers.emplace(fd, std::move(transfer));
}

void TftpReceiver::send(int fd, const Transfer& transfer) {
    sendTo(fd, transfer.lastSent, transfer.peerIp, transfer.peerPort);
}

void TftpReceiver::data(int fd, Transfer& transfer) {
    std::vector<std::uint8_t> buffer(kTftpHeaderSize + kTftpLargestBlockSize);
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t length = ::recvfrom(fd, buffer.data(), buffer.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (length < 0)
        return;
    if (ntohl(from.sin_addr.s_addr) != transfer.peerIp || ntohs(from.sin_port) != transfer.peerPort)
        return sendTo(fd, EncodeTftpError(TftpUnknownTransferId, "unknown transfer ID"),
                      ntohl(from.sin_addr.s_addr), ntohs(from.sin_port));
    const TftpPacket packet = DecodeTftpPacket({buffer.data(), std::size_t(length)});
    if (packet.kind == TftpPacket::Kind::Error) {
        ::close(fd);
        m_transfers.erase(fd);
        return;
    }
    if (packet.kind != TftpPacket::Kind::Data)
        return;
    transfer.lastHeard = Clock::now();
    if (transfer.complete || packet.block != std::uint16_t(transfer.block + 1)) {
        send(fd, transfer); // a repeat of the block before: acknowledged again
        return;
    }
    ++transfer.block;
    transfer.bytes += packet.payload.size();
    for (const std::uint8_t byte : packet.payload)
        transfer.hash = (transfer.hash ^ byte) * 1099511628211ull;
    transfer.lastSent = EncodeTftpAck(packet.block);
    transfer.resends = 0;
    send(fd, transfer);
    if (packet.payload.size() == transfer.agreement.blockSize)
        return;
    ++m_imagesTaken;
    std::fprintf(stderr,
                 "board_simulator: board %zu took an image of %llu bytes (FNV-1a %016llx)\n",
                 transfer.board + 1, static_cast<unsigned long long>(transfer.bytes),
                 static_cast<unsigned long long>(transfer.hash));
    m_silence.silence(transfer.board, Clock::now() + m_rebootFor);
    transfer.complete = true;
}

void TftpReceiver::resend(int fd, Transfer& transfer, Clock::time_point now) {
    const auto wait = std::chrono::seconds(
        transfer.agreement.timeoutSeconds ? transfer.agreement.timeoutSeconds : 1);
    if (transfer.complete ? now - transfer.lastHeard > 2 * wait
                          : now - transfer.lastHeard > kGiveUp) {
        ::close(fd);
        m_transfers.erase(fd);
        return;
    }
    if (transfer.complete || now - transfer.lastHeard < wait * (transfer.resends + 1))
        return;
    ++transfer.resends;
    send(fd, transfer);
}

} // namespace quorvel::sim
