// The simulator's real sockets, bound to 127.0.0.1 only.
#include "BoardFile.h"
#include "UdpServer.h"
#include "protocol/SearchDatagrams.h"

#include <arpa/inet.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::sim;
using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

class Peer {
public:
    Peer() {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(kLoopback);
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
    }
    ~Peer() { ::close(fd); }
    void send(std::uint16_t to, const std::vector<std::uint8_t>& bytes) const {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(kLoopback);
        address.sin_port = htons(to);
        ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
                 sizeof address);
    }
    // Every datagram until none has come for `quiet`.
    std::vector<std::vector<std::uint8_t>> receiveAll(std::chrono::milliseconds quiet) const {
        std::vector<std::vector<std::uint8_t>> all;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, static_cast<int>(quiet.count())) > 0) {
            std::vector<std::uint8_t> data(8192);
            const ssize_t got = ::recv(fd, data.data(), data.size(), 0);
            data.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
            all.push_back(std::move(data));
        }
        return all;
    }
    int fd = -1;
    std::uint16_t port = 0;
};

} // namespace

TEST(UdpServerLoopback, AnswersAndLogsEveryDatagram) {
    const std::string logPath = ::testing::TempDir() + "simulator-loopback.jsonl";
    DatagramLog log;
    ASSERT_TRUE(log.open(logPath));
    EngineOptions options;
    options.faults.delay = 30ms;
    options.faults.faultyBoards = {2};
    SimulatorEngine engine(GenerateBoards(3), options, Clock::now());
    UdpServer server(engine, &log);
    ASSERT_EQ(server.open("127.0.0.1", {0, 0}), "");
    ASSERT_EQ(server.ports().size(), 2u);
    std::thread serving([&] { server.run(Clock::now() + 20s, -1); });

    Peer peer;
    const auto request = BuildSearchRequest(0x0102);
    peer.send(server.ports()[1], {request.begin(), request.end()});
    const auto replies = peer.receiveAll(500ms);
    peer.send(server.ports()[0], {9, 9});
    EXPECT_TRUE(peer.receiveAll(100ms).empty());
    server.stop();
    serving.join();

    // The boards' own addresses are not local here: the replies still come.
    ASSERT_EQ(replies.size(), 3u);
    for (const auto& reply : replies)
        EXPECT_EQ(ClassifySearchDatagram(std::span<const std::uint8_t>(reply), 0x0102),
                  SearchDatagramKind::Reply);
    // The delayed board answers last.
    EXPECT_EQ(SearchReplyMac(replies[2])[5], 2);
    EXPECT_EQ(server.stats().received, 2u);
    EXPECT_EQ(server.stats().repliesSent, 3u);
    EXPECT_EQ(server.stats().sendErrors, 0u);

    std::ifstream in(logPath);
    std::string first, second, extra;
    ASSERT_TRUE(std::getline(in, first));
    ASSERT_TRUE(std::getline(in, second));
    EXPECT_FALSE(std::getline(in, extra));
    const std::string from = "\"from\":\"127.0.0.1:" + std::to_string(peer.port) + "\"";
    EXPECT_NE(first.find(from), std::string::npos) << first;
    EXPECT_NE(first.find("\"to\":\"127.0.0.1:" + std::to_string(server.ports()[1]) + "\""),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("\"kind\":\"search\",\"len\":4,\"hex\":\"00000102\""), std::string::npos)
        << first;
    EXPECT_NE(second.find("\"kind\":\"other\",\"len\":2,\"hex\":\"0909\""), std::string::npos)
        << second;
    EXPECT_EQ(first.rfind("{\"t\":", 0), 0u);
}

TEST(UdpServerLoopback, ABusyPortIsAnError) {
    SimulatorEngine engine(GenerateBoards(1), {}, Clock::now());
    UdpServer first(engine, nullptr);
    ASSERT_EQ(first.open("127.0.0.1", {0}), "");
    UdpServer second(engine, nullptr);
    const std::string error = second.open("127.0.0.1", {first.ports()[0]});
    EXPECT_EQ(error.rfind("cannot bind UDP 127.0.0.1:" + std::to_string(first.ports()[0]), 0), 0u)
        << error;
    EXPECT_EQ(UdpServer(engine, nullptr).open("localhost", {0}), "not an IPv4 address: localhost");
}
