#include "core/net/DatagramSend.h"

#include "core/net/SocketDescriptor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace quorvel {

int SendDatagram(int fd, std::span<const std::uint8_t> bytes, std::uint32_t ipv4,
                 std::uint16_t port, unsigned interfaceIndex, std::uint32_t source) {
    sockaddr_in to = Ipv4SocketAddress(ipv4, port);
    iovec iov{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
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
    return RetryOnInterrupt([&] { return ::sendmsg(fd, &message, 0); }) >= 0 ? 0 : errno;
}

} // namespace quorvel
