#include "core/net/UdpSocket.h"

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace quorvel;

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// A plain peer on 127.0.0.1 that sends datagrams to the socket under test.
class LoopbackPeer {
public:
    LoopbackPeer() {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(kLoopback);
        bindOk = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
    }
    ~LoopbackPeer() {
        if (fd >= 0)
            ::close(fd);
    }
    bool sendTo(std::uint16_t toPort, const std::vector<std::uint8_t>& bytes) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(kLoopback);
        to.sin_port = htons(toPort);
        return ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                        sizeof to) == static_cast<ssize_t>(bytes.size());
    }
    std::vector<std::uint8_t> receive() const {
        std::vector<std::uint8_t> buffer(65536);
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return buffer;
    }
    int fd = -1;
    bool bindOk = false;
    std::uint16_t port = 0;
};

} // namespace

class UdpSocketTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sendsAndReceivesOnLoopback() {
        UdpSocket socket;
        QCOMPARE(socket.open(), SocketOpenResult::Opened);
        LoopbackPeer peer;
        if (!peer.bindOk)
            QSKIP("cannot bind a UDP socket on 127.0.0.1 here");

        const std::array<std::uint8_t, 4> request = {0, 0, 0x12, 0x34};
        QCOMPARE(socket.sendTo(request, kLoopback, peer.port), 0);
        QCOMPARE(peer.receive(), (std::vector<std::uint8_t>{0, 0, 0x12, 0x34}));

        std::vector<int> lengths;
        socket.onReadyRead = [&] {
            ReceiveBuffer buffer;
            ReadOutcome outcome;
            const ReadBytes bytes = buffer.read(socket, &outcome);
            lengths.push_back(bytes ? static_cast<int>(bytes->size()) : -1);
            QCOMPARE(outcome.sourcePort, peer.port);
            QCOMPARE(outcome.interfaceIndex, if_nametoindex("lo"));
        };
        QVERIFY(peer.sendTo(socket.localPort(), std::vector<std::uint8_t>(40, 1)));
        QVERIFY(peer.sendTo(socket.localPort(), std::vector<std::uint8_t>(5000, 2)));
        QVERIFY(peer.sendTo(socket.localPort(), {}));
        QVERIFY(peer.sendTo(socket.localPort(), std::vector<std::uint8_t>(4096, 3)));
        QTRY_COMPARE_WITH_TIMEOUT(lengths.size(), std::size_t(4), 5000);
        // The 5,000-byte datagram is a failed read; the empty one is read and consumed.
        QCOMPARE(lengths, (std::vector<int>{40, -1, 0, 4096}));
        QVERIFY(!socket.hasPendingDatagram());
    }

    // Datagrams are read from the kernel several at a time: each must still
    // reach exactly one handler call, in order, also when the first handler
    // opens a message box whose event loop has to handle the rest.
    void eachDatagramReachesOneHandlerEvenInsideANestedLoop_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("nested");
        QTest::addColumn<bool>("lookedAtFirst"); // outside the notification
        QTest::addColumn<int>("senders");        // each a source the port's sockets share out
        QTest::newRow("10, one read") << 10 << false << false << 1;
        QTest::newRow("10, one read, nested") << 10 << true << false << 1;
        QTest::newRow("10, looked at first") << 10 << false << true << 1;
        QTest::newRow("200, several reads") << 200 << false << false << 1;
        QTest::newRow("200, several reads, nested") << 200 << true << false << 1;
        QTest::newRow("300 from 16 senders") << 300 << false << false << 16;
        QTest::newRow("300 from 16 senders, nested") << 300 << true << false << 16;
    }

    void eachDatagramReachesOneHandlerEvenInsideANestedLoop() {
        QFETCH(int, count);
        QFETCH(bool, nested);
        QFETCH(bool, lookedAtFirst);
        QFETCH(int, senders);
        UdpSocket socket;
        QCOMPARE(socket.open(), SocketOpenResult::Opened);
        std::vector<LoopbackPeer> peers(static_cast<std::size_t>(senders));
        if (!peers[0].bindOk)
            QSKIP("cannot bind a UDP socket on 127.0.0.1 here");

        std::vector<int> seen;
        int handledInside = 0;
        bool inside = false;
        socket.onReadyRead = [&] {
            ReceiveBuffer buffer;
            const ReadBytes bytes = buffer.read(socket);
            seen.push_back(bytes && bytes->size() == 2 ? (*bytes)[0] << 8 | (*bytes)[1] : -1);
            if (inside)
                ++handledInside;
            if (!nested || seen.size() != 1)
                return;
            inside = true;
            QEventLoop box;
            QTimer poll;
            connect(&poll, &QTimer::timeout, &box, [&] {
                if (int(seen.size()) >= count)
                    box.quit();
            });
            poll.start(1);
            QTimer::singleShot(5000, &box, &QEventLoop::quit);
            box.exec();
            inside = false;
        };
        for (int i = 0; i < count; ++i)
            QVERIFY(peers[static_cast<std::size_t>(i % senders)].sendTo(
                socket.localPort(),
                {static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)}));
        if (lookedAtFirst) {
            QThread::msleep(50);
            QVERIFY(socket.hasPendingDatagram());
        }
        QTRY_COMPARE_WITH_TIMEOUT(int(seen.size()), count, 5000);
        QTest::qWait(20);
        std::vector<int> expected(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            expected[static_cast<std::size_t>(i)] = i;
        QCOMPARE(seen, expected);
        QCOMPARE(handledInside, nested ? count - 1 : 0);
        QVERIFY(!socket.hasPendingDatagram());
    }

    void asksForALargeReceiveBuffer() {
        UdpSocket socket;
        QCOMPARE(socket.open(), SocketOpenResult::Opened);
        QVERIFY(socket.localPort() != 0);
        QVERIFY(socket.receiveBufferSize() >= 200000);
    }

    void bindsAFixedLocalPortWhenAsked() {
        UdpSocket first;
        QCOMPARE(first.open(), SocketOpenResult::Opened);
        const std::uint16_t port = first.localPort();
        first.close();
        UdpSocket fixed;
        fixed.setLocalPort(port);
        QCOMPARE(fixed.open(), SocketOpenResult::Opened);
        QCOMPARE(fixed.localPort(), port);
        // Taken: the open fails and says why.
        UdpSocket second;
        second.setLocalPort(port);
        QCOMPARE(second.open(), SocketOpenResult::CannotOpen);
        QCOMPARE(errno, EADDRINUSE);
        QVERIFY(!second.isOpen());
    }

    void aClosedSocketFailsItsSends() {
        UdpSocket socket;
        const std::uint8_t byte[1] = {0};
        QCOMPARE(socket.sendTo(byte, kLoopback, 9), EBADF);
        std::uint8_t buffer[16];
        QVERIFY(socket.receive(buffer).failed);
        QVERIFY(!socket.hasPendingDatagram());
    }
};

QTEST_GUILESS_MAIN(UdpSocketTest)
#include "UdpSocketTest.moc"
