// The printer status wait, stepped tick by tick on the in-memory socket.
#include "core/exchange/StatusExchange.h"

#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"

#include <QSignalSpy>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBoardIp = 0xC0A8014D; // 192.168.1.77
constexpr std::uint16_t kBoardPort = 3041;

DeviceRecord board() {
    DeviceRecord r;
    const Ipv4Address ip = {192, 168, 1, 77};
    r.ip = ip;
    r.replyPort = kBoardPort;
    return r;
}

// A status exchange about one board, opened as the dialog opens it.
struct Fixture {
    explicit Fixture(std::optional<DeviceRecord> chosen = board())
        : socket(new FakeDatagramSocket), dispatch(std::unique_ptr<DatagramSocket>(socket)),
          status(dispatch, std::move(chosen)) {
        status.open();
    }
    void tick(int count) {
        for (int i = 0; i < count; ++i)
            status.OnTimer();
    }
    void deliver(Bytes bytes) {
        socket->push(std::move(bytes));
        socket->deliverAll();
    }

    FakeDatagramSocket* socket;
    SocketDispatch dispatch;
    StatusExchange status;
};

} // namespace

class StatusExchangeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOwningTheSocketAndSendsNothing() {
        Fixture f;
        QCOMPARE(f.dispatch.mode(), ExchangePrinterStatus);
        QCOMPARE(f.dispatch.lastClaimedBy(ExchangePrinterStatus), &f.status);
        QCOMPARE(f.status.progress(), 0);
        QVERIFY(!f.status.isWaiting());
        QVERIFY(f.socket->sent.empty());
    }

    void refreshAsksTheBoardOnce_data() {
        QTest::addColumn<bool>("withBoard");
        QTest::newRow("a board") << true;
        QTest::newRow("no board: the wait only") << false;
    }
    void refreshAsksTheBoardOnce() {
        QFETCH(bool, withBoard);
        Fixture f(withBoard ? std::optional<DeviceRecord>(board()) : std::nullopt);
        QSignalSpy started(&f.status, &StatusExchange::waitStarted);
        f.status.requestStatus();
        QCOMPARE(started.count(), 1);
        QVERIFY(f.status.isWaiting());
        QCOMPARE(f.status.progress(), 40);
        QCOMPARE(f.socket->sent.size(), withBoard ? 1u : 0u);
        if (!withBoard)
            return;
        QCOMPARE(f.socket->sent[0].bytes, (Bytes{0x04, 0, 0, 0}));
        QCOMPARE(f.socket->sent[0].ip, kBoardIp);
        QCOMPARE(f.socket->sent[0].port, kBoardPort);
    }

    void aSilentBoardTimesOutOnTheEighthTick() {
        Fixture f;
        QSignalSpy timedOut(&f.status, &StatusExchange::timedOut);
        QSignalSpy progress(&f.status, &StatusExchange::progressChanged);
        f.status.requestStatus();
        f.tick(7);
        QCOMPARE(timedOut.count(), 0);
        f.tick(1);
        QCOMPARE(timedOut.count(), 1);
        QList<int> positions;
        for (const QList<QVariant>& args : progress)
            positions << args[0].toInt();
        QCOMPARE(positions, (QList<int>{40, 35, 30, 25, 20, 15, 10, 5, 0}));
        QVERIFY(!f.status.isWaiting());
        // A stray tick after the wait changes nothing.
        f.tick(1);
        QCOMPARE(progress.count(), 9);
        QCOMPARE(timedOut.count(), 1);
    }

    void aReplyEndsTheWaitWhoeverSentIt_data() {
        QTest::addColumn<bool>("waiting");
        QTest::newRow("during a wait") << true;
        QTest::newRow("outside a wait") << false;
    }
    void aReplyEndsTheWaitWhoeverSentIt() {
        QFETCH(bool, waiting);
        Fixture f;
        QSignalSpy flags(&f.status, &StatusExchange::flagsReceived);
        QSignalSpy timedOut(&f.status, &StatusExchange::timedOut);
        if (waiting) {
            f.status.requestStatus();
            f.tick(3);
        }
        f.socket->push({0xAA, 0xBB, 0x01, 0xE0}, 9999, 0x0A090807);
        f.socket->deliverAll();
        QCOMPARE(flags.count(), 1);
        const auto received = flags[0][0].value<PrinterStatusFlags>();
        QVERIFY(received[DrawerPin3High]);
        QVERIFY(received[PaperOut]);
        QVERIFY(!received[Offline]);
        QVERIFY(!f.status.isWaiting());
        QCOMPARE(f.status.progress(), 0);
        f.tick(10);
        QCOMPARE(timedOut.count(), 0);
    }

    void otherLengthsLeaveTheWaitRunning_data() {
        QTest::addColumn<Bytes>("datagram");
        QTest::newRow("empty") << Bytes{};
        QTest::newRow("3 bytes") << Bytes{0, 0, 0xFF};
        QTest::newRow("5 bytes") << Bytes{0, 0, 0xFF, 0xFF, 0};
        QTest::newRow("a late search reply") << Bytes(40, 0x01);
    }
    void otherLengthsLeaveTheWaitRunning() {
        QFETCH(Bytes, datagram);
        RecordingMessageSink sink;
        Fixture f;
        QSignalSpy flags(&f.status, &StatusExchange::flagsReceived);
        QSignalSpy timedOut(&f.status, &StatusExchange::timedOut);
        f.status.requestStatus();
        f.tick(2);
        f.deliver(datagram);
        QVERIFY(f.socket->queue.empty());
        QVERIFY(sink.messages.empty());
        QCOMPARE(flags.count(), 0);
        QVERIFY(f.status.isWaiting());
        QCOMPARE(f.status.progress(), 30);
        f.tick(6);
        QCOMPARE(timedOut.count(), 1);
    }

    void aFailedReadIsReportedAndTheWaitGoesOn_data() {
        QTest::addColumn<bool>("oversized");
        QTest::newRow("socket error") << false;
        QTest::newRow("longer than the buffer") << true;
    }
    void aFailedReadIsReportedAndTheWaitGoesOn() {
        QFETCH(bool, oversized);
        RecordingMessageSink sink;
        Fixture f;
        QSignalSpy flags(&f.status, &StatusExchange::flagsReceived);
        f.status.requestStatus();
        f.tick(1);
        if (oversized)
            f.socket->push(Bytes(5000, 0xFF));
        else
            f.socket->pushReadError();
        f.socket->deliverAll();
        QCOMPARE(sink.texts(), QStringList{QStringLiteral("接收数据错误！")});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Error);
        QVERIFY(f.status.isWaiting());
        f.deliver({0, 0, 0x04, 0x00});
        QCOMPARE(flags.count(), 1);
        QVERIFY(flags[0][0].value<PrinterStatusFlags>()[WaitingOnlineRecovery]);
    }

    void closingOrDestroyingGivesUpTheSocket() {
        RecordingMessageSink sink;
        Fixture f;
        f.status.requestStatus();
        f.status.close();
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.status.isWaiting());
        {
            StatusExchange other(f.dispatch, board());
            other.open();
        }
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.dispatch.lastClaimedBy(ExchangePrinterStatus));
        f.deliver({0, 0, 0xFF, 0x3F});
        QCOMPARE(sink.texts(),
                 QStringList{QStringLiteral("Recevied an out-of-place Packet -- Discarding")});
    }
};

QTEST_GUILESS_MAIN(StatusExchangeTest)
#include "StatusExchangeTest.moc"
