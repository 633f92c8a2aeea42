// The tool's side of one search, stripped to the socket: broadcasts one
// search request and counts the replies that arrive. Run it inside the rig
// (bench/simulator_search.sh does); it refuses to broadcast anywhere else.
#include "protocol/RandomNumber.h"
#include "protocol/SearchDatagrams.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

using namespace quorvel;
using Clock = std::chrono::steady_clock;

namespace {

// UDP receive buffer errors of this network namespace.
long long udpReceiveBufferErrors() {
    std::ifstream snmp("/proc/net/snmp");
    std::string header, values;
    while (std::getline(snmp, header) && std::getline(snmp, values)) {
        if (header.rfind("Udp:", 0) != 0)
            continue;
        std::istringstream names(header), numbers(values);
        std::string name, number;
        while (names >> name && numbers >> number)
            if (name == "RcvbufErrors")
                return std::atoll(number.c_str());
    }
    return -1;
}

double msSince(Clock::time_point start, Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(t - start).count();
}

} // namespace

int main(int argc, char** argv) {
    unsigned port = 3040;
    long expected = 0;
    int timeoutMs = 10000;
    int quietMs = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--port")
            port = static_cast<unsigned>(std::atoi(argv[i + 1]));
        else if (name == "--expect")
            expected = std::atol(argv[i + 1]);
        else if (name == "--timeout-ms")
            timeoutMs = std::atoi(argv[i + 1]);
        else if (name == "--quiet-ms")
            quietMs = std::atoi(argv[i + 1]);
    }
    if (!std::getenv("QUORVEL_RIG_TOOL_NS")) {
        std::fputs("search_flood broadcasts: run it through tests/e2e/rig.sh\n", stderr);
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const int buffer = 64 * 1024 * 1024;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::perror("bind");
        return 1;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const std::uint16_t number = NewRandomNumber();
    const auto request = BuildSearchRequest(number);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(0xFFFFFFFFu);
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    const long long dropsBefore = udpReceiveBufferErrors();
    const Clock::time_point start = Clock::now();
    if (::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to) != static_cast<ssize_t>(request.size())) {
        std::perror("sendto");
        return 1;
    }

    long replies = 0, others = 0;
    std::unordered_set<std::uint64_t> macs;
    Clock::time_point first{}, last{};
    std::vector<std::uint8_t> data(4096);
    const Clock::time_point giveUp = start + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < giveUp && (expected == 0 || replies < expected)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            break; // quiet for quietMs: nothing more is coming
        for (;;) {
            const ssize_t got = ::recv(fd, data.data(), data.size(), MSG_DONTWAIT);
            if (got < 0)
                break;
            const ReadBytes bytes = std::span<const std::uint8_t>(data.data(), std::size_t(got));
            if (ClassifySearchDatagram(bytes, number) != SearchDatagramKind::Reply) {
                ++others;
                continue;
            }
            last = Clock::now();
            if (replies++ == 0)
                first = last;
            const auto mac = SearchReplyMac(*bytes);
            std::uint64_t key = 0;
            for (std::uint8_t b : mac)
                key = key << 8 | b;
            macs.insert(key);
        }
    }
    const long long dropsAfter = udpReceiveBufferErrors();
    std::printf("replies_received %ld\ndistinct_boards %zu\nother_datagrams %ld\n", replies,
                macs.size(), others);
    if (replies > 0)
        std::printf("first_reply_ms %.1f\nlast_reply_ms %.1f\n", msSince(start, first),
                    msSince(start, last));
    std::printf("receive_buffer_drops %lld\n", dropsAfter - dropsBefore);
    ::close(fd);
    return expected == 0 || replies >= expected ? 0 : 3;
}
