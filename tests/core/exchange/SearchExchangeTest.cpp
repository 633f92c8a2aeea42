// The search's timetable, stepped tick by tick on the in-memory socket.
#include "core/exchange/SearchExchange.h"

#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "SearchReplyBytes.h"
#include "core/exchange/DeviceTable.h"
#include "protocol/SearchDatagrams.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <utility>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kSendFailureTail =
    QStringLiteral(" Unable To Send Packet. Please Check Network Connection.");

// Counts the list's layouts and how many boards the last one showed.
struct ListCounter : DeviceTableView {
    explicit ListCounter(DeviceTable& t) : table(t) { table.setView(this); }
    ~ListCounter() override { table.setView(nullptr); }
    void UpdateScrollBar() override {
        ++updates;
        listed = table.GetRecordCount();
        table.SortAndRedraw();
    }
    void RequestRedraw() override {}
    DeviceTable& table;
    int updates = 0;
    std::uint32_t listed = 0;
};

// One search over the fake socket, started as a dialog's opening starts it.
struct Fixture {
    Fixture() : fake(new FakeDatagramSocket), dispatch(std::unique_ptr<DatagramSocket>(fake)) {}

    void setPorts(const QList<std::uint32_t>& list) {
        ports.remotePortCount = 0;
        for (std::uint32_t port : list)
            ports.remotePorts[ports.remotePortCount++] = port;
    }
    // A board answering the running search; its MAC ends in `macLast`.
    void answer(std::uint8_t macLast) {
        fake->push(SearchReplyBytes(*search.randomNumber(), macLast, {"P", "d", "Up", "Link"}));
        fake->deliverAll();
    }
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            search.OnTimer();
    }
    // Steps ticks; returns those (counted from 1 at the start) on which
    // something was sent.
    QList<int> stepAndRecordRequests(int firstTick, int lastTick,
                                     const std::function<void(int)>& afterTick = {}) {
        QList<int> requestTicks;
        for (int t = firstTick; t <= lastTick; ++t) {
            const std::size_t before = fake->sent.size();
            search.OnTimer();
            if (fake->sent.size() != before)
                requestTicks << t;
            if (afterTick)
                afterTick(t);
        }
        return requestTicks;
    }

    FakeDatagramSocket* fake;
    SocketDispatch dispatch;
    RemotePortList ports;
    DeviceTable table;
    SearchExchange search{dispatch, ports, table};
};

} // namespace

class SearchExchangeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsOwningTheSocketWithNothingSent() {
        Fixture f;
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        f.search.start();
        QCOMPARE(f.dispatch.mode(), ExchangeSearch);
        QCOMPARE(f.dispatch.lastClaimedBy(ExchangeSearch), &f.search);
        QVERIFY(f.fake->sent.empty());
        QVERIFY(!f.search.randomNumber());
        QCOMPARE(f.search.countdown(), 10000);
        QVERIFY(!f.search.repeat());
        QVERIFY(f.search.autoClose());
        QVERIFY(f.search.isTicking());
        QCOMPARE(f.search.tickTimer().interval(), 250);
    }

    void requestsFollowTheSchedule_data() {
        QTest::addColumn<int>("answerAfterTick"); // 0: nobody answers
        QTest::addColumn<QList<int>>("requestTicks");
        QTest::newRow("nobody answers") << 0 << QList<int>{1, 8, 16, 20, 24, 28, 32, 36};
        QTest::newRow("a board answers at once") << 1 << QList<int>{1, 8, 16};
        QTest::newRow("first answer just before 5 s") << 19 << QList<int>{1, 8, 16};
        QTest::newRow("first answer after the 5 s repeat") << 20 << QList<int>{1, 8, 16, 20};
        QTest::newRow("first answer at 6.5 s") << 26 << QList<int>{1, 8, 16, 20, 24};
    }
    void requestsFollowTheSchedule() {
        QFETCH(int, answerAfterTick);
        QFETCH(QList<int>, requestTicks);
        RecordingMessageSink sink;
        Fixture f;
        f.search.start();
        const QList<int> ticks = f.stepAndRecordRequests(1, 40, [&](int tick) {
            if (tick == answerAfterTick)
                f.answer(1);
        });
        QCOMPARE(ticks, requestTicks);
        QCOMPARE(f.fake->sent.size(), std::size_t(requestTicks.size()));
        const auto request = BuildSearchRequest(*f.search.randomNumber());
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent) {
            QVERIFY(
                std::equal(sent.bytes.begin(), sent.bytes.end(), request.begin(), request.end()));
            QCOMPARE(sent.ip, 0xFFFFFFFFu);
            QCOMPARE(sent.port, 3040);
        }
        QCOMPARE(f.search.foundCount(), answerAfterTick ? 1 : 0);
        QCOMPARE(f.table.GetRecordCount(), answerAfterTick ? 1u : 0u);
        QVERIFY(sink.messages.empty());
    }

    void endsByItselfAfterTenSeconds() {
        Fixture f;
        QSignalSpy ranOut(&f.search, &SearchExchange::ranOut);
        QSignalSpy ended(&f.search, &SearchExchange::ended);
        QSignalSpy countdowns(&f.search, &SearchExchange::countdownChanged);
        f.search.start();
        f.tick(39);
        QCOMPARE(ended.count(), 0);
        QCOMPARE(f.dispatch.mode(), ExchangeSearch);
        f.tick();
        QCOMPARE(ranOut.count(), 1);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended[0][0].toBool(), true);
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.search.isTicking());
        QCOMPARE(countdowns.count(), 40);
        QCOMPARE(countdowns[0][0].toInt(), 9750);
        QCOMPARE(countdowns[39][0].toInt(), 0);
    }

    // A burst of replies is counted once it has been read, whatever came last.
    void aBurstShowsItsCountOnceRead_data() {
        QTest::addColumn<bool>("repeatLast");
        QTest::newRow("a new board last") << false;
        QTest::newRow("a board already listed last") << true;
    }
    void aBurstShowsItsCountOnceRead() {
        QFETCH(bool, repeatLast);
        Fixture f;
        f.search.start();
        f.tick();
        for (std::uint8_t mac = 1; mac <= 5; ++mac)
            f.fake->push(SearchReplyBytes(*f.search.randomNumber(), mac));
        if (repeatLast)
            f.fake->push(SearchReplyBytes(*f.search.randomNumber(), 3));
        QSignalSpy shown(&f.search, &SearchExchange::foundCountChanged);
        f.fake->deliverAll();
        QCOMPARE(f.search.foundCount(), 5);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown[0][0].toInt(), 5);
    }

    // The list is laid out once per burst: when nothing more waits, when the
    // socket pauses for the event loop with replies still waiting, or when
    // the run is destroyed.
    void aBurstIsListedOnce() {
        Fixture f;
        ListCounter list(f.table);
        f.search.start();
        f.tick();
        for (std::uint8_t mac = 1; mac <= 4; ++mac)
            f.fake->push(SearchReplyBytes(*f.search.randomNumber(), mac));
        f.fake->deliverAll();
        QCOMPARE(list.updates, 1);
        QCOMPARE(list.listed, 4u);

        // Two read, two still waiting when the socket lets the loop turn.
        for (std::uint8_t mac = 5; mac <= 8; ++mac)
            f.fake->push(SearchReplyBytes(*f.search.randomNumber(), mac));
        f.fake->onReadyRead();
        f.fake->onReadyRead();
        QCOMPARE(list.updates, 1);
        f.fake->onReadPaused();
        QCOMPARE(list.updates, 2);
        QCOMPARE(list.listed, 6u);

        // Read, then the run ends before the burst does.
        {
            SearchExchange second(f.dispatch, f.ports, f.table);
            second.start();
            second.OnTimer();
            f.fake->queue.clear();
            f.fake->push(SearchReplyBytes(*second.randomNumber(), 9));
            f.fake->push(SearchReplyBytes(*second.randomNumber(), 10));
            f.fake->onReadyRead();
            QCOMPARE(list.updates, 2);
        }
        QCOMPARE(list.updates, 3);
        QCOMPARE(list.listed, 7u);
    }

    void newLabelsAreAnnouncedOnce() {
        Fixture f;
        QSignalSpy labels(&f.search, &SearchExchange::columnLabelsChanged);
        f.search.start();
        f.tick();
        f.answer(1);
        f.answer(2);
        QCOMPARE(labels.count(), 1);
        QCOMPARE(labels[0][0].toString(), QStringLiteral("Up"));
        QCOMPARE(labels[0][1].toString(), QStringLiteral("Link"));
    }

    void withoutAutoCloseTheRunOutKeepsTheSocket() {
        RecordingMessageSink sink;
        Fixture f;
        f.search.setAutoClose(false);
        QSignalSpy ranOut(&f.search, &SearchExchange::ranOut);
        QSignalSpy ended(&f.search, &SearchExchange::ended);
        f.search.start();
        f.tick(40);
        QCOMPARE(ranOut.count(), 1);
        QCOMPARE(ended.count(), 0);
        QVERIFY(!f.search.isTicking());
        QCOMPARE(f.dispatch.mode(), ExchangeSearch);

        // The run still owns the socket: a late board is listed.
        QSignalSpy shown(&f.search, &SearchExchange::foundCountChanged);
        f.answer(7);
        QCOMPARE(f.table.GetRecordCount(), 1u);
        QCOMPARE(shown.count(), 1);
        f.search.stop();
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(sink.messages.empty());
    }

    void repeatModeStartsOverWithTheSameNumber() {
        Fixture f;
        QSignalSpy ended(&f.search, &SearchExchange::ended);
        f.search.setRepeat(true);
        f.search.start();
        f.stepAndRecordRequests(1, 40);
        const std::uint16_t number = *f.search.randomNumber();
        QCOMPARE(f.search.countdown(), 0);
        QVERIFY(f.search.isTicking());

        f.fake->sent.clear();
        QList<int> second = f.stepAndRecordRequests(41, 41);
        QCOMPARE(f.search.countdown(), 9750);
        second += f.stepAndRecordRequests(42, 50);
        // A board found in this cycle stops the repeats after 6 s again.
        f.answer(1);
        second += f.stepAndRecordRequests(51, 85);
        QCOMPARE(second, (QList<int>{48, 56}));
        QCOMPARE(*f.search.randomNumber(), number);
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent)
            QCOMPARE(sent.bytes, (std::vector<std::uint8_t>{0, 0, std::uint8_t(number >> 8),
                                                            std::uint8_t(number & 0xFF)}));
        QCOMPARE(ended.count(), 0);

        // Repeat off again: the run ends the next time the countdown reaches 0.
        f.search.setRepeat(false);
        f.stepAndRecordRequests(86, 119);
        QCOMPARE(ended.count(), 0);
        f.tick();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
    }

    void aFailedSendEndsTheRunAndSkipsTheRemainingPorts_data() {
        QTest::addColumn<QList<std::uint32_t>>("ports");
        QTest::addColumn<int>("failingAttempt");
        QTest::addColumn<int>("failingTick");
        QTest::addColumn<QList<int>>("portsReached");
        QTest::newRow("second of three ports")
            << QList<std::uint32_t>{3040, 3041, 3042} << 2 << 1 << QList<int>{3040};
        QTest::newRow("the repeat at 2 s")
            << QList<std::uint32_t>{3040} << 2 << 8 << QList<int>{3040};
    }
    void aFailedSendEndsTheRunAndSkipsTheRemainingPorts() {
        QFETCH(QList<std::uint32_t>, ports);
        QFETCH(int, failingAttempt);
        QFETCH(int, failingTick);
        QFETCH(QList<int>, portsReached);
        RecordingMessageSink sink;
        Fixture f;
        f.setPorts(ports);
        f.fake->failSendOnAttempt = failingAttempt;
        f.fake->sendError = 10051;
        QSignalSpy ended(&f.search, &SearchExchange::ended);
        f.search.start();

        // While the box is open the clock runs on, but nothing more is sent
        // and the run still owns the socket.
        int modeWhileOpen = -1;
        int attemptsWhileOpen = -1;
        sink.whileOpen = [&] {
            modeWhileOpen = f.dispatch.mode();
            f.tick(2);
            attemptsWhileOpen = f.fake->sendAttempts;
        };
        f.tick(failingTick);

        QCOMPARE(sink.texts(), QStringList{"Error Code: 10051." + kSendFailureTail});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(modeWhileOpen, int(ExchangeSearch));
        QCOMPARE(attemptsWhileOpen, failingAttempt);
        QCOMPARE(f.fake->sendAttempts, failingAttempt);
        QList<int> reached;
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent)
            if (!reached.contains(sent.port))
                reached << sent.port;
        QCOMPARE(reached, portsReached);
        QVERIFY(f.search.sendAborted());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended[0][0].toBool(), false);
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.search.isTicking());
    }

    void sendsToEveryPortInOrder() {
        Fixture f;
        f.setPorts({9100, 3040, 161});
        f.search.start();
        f.tick();
        QCOMPARE(f.fake->sent.size(), std::size_t(3));
        QCOMPARE(f.fake->sent[0].port, 9100);
        QCOMPARE(f.fake->sent[1].port, 3040);
        QCOMPARE(f.fake->sent[2].port, 161);
    }

    void aTargetAddressTakesEveryRequest() {
        Fixture f;
        f.search.setTargetAddress(0xC6120AFF); // 198.18.10.255
        f.search.start();
        f.tick(8);
        QCOMPARE(f.fake->sent.size(), std::size_t(2));
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent)
            QCOMPARE(sent.ip, 0xC6120AFFu);
    }

    void anEmptyPortListSendsNothingAndRunsOut() {
        RecordingMessageSink sink;
        Fixture f;
        f.setPorts({});
        QSignalSpy ended(&f.search, &SearchExchange::ended);
        f.search.start();
        f.tick(40);
        QCOMPARE(f.fake->sendAttempts, 0);
        QVERIFY(sink.messages.empty());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(f.search.countdown(), 0);
    }

    void aStoppedOrDestroyedRunLeavesRepliesOutOfPlace() {
        RecordingMessageSink sink;
        Fixture f;
        {
            SearchExchange other(f.dispatch, f.ports, f.table);
            other.start();
            QCOMPARE(f.dispatch.lastClaimedBy(ExchangeSearch), &other);
        }
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.dispatch.lastClaimedBy(ExchangeSearch));
        f.search.start();
        f.tick();
        f.answer(1);
        f.search.stop();
        f.fake->push(SearchReplyBytes(*f.search.randomNumber(), 9));
        f.fake->deliverAll();
        QCOMPARE(sink.texts(),
                 QStringList{QStringLiteral("Recevied an out-of-place Packet -- Discarding")});
        QCOMPARE(f.table.GetRecordCount(), 1u);
    }

    // One burst of six replies, however the event loop takes it: a bad
    // datagram in it opens a box whose nested loop reads on, and the run may
    // stop (the socket's mode changes) between two reads, inside or outside
    // that box. Each datagram goes by the mode in force when it is read; the
    // boards are listed in arrival order, once.
    void aBurstKeepsItsOrderAcrossABoxAndAModeChange_data() {
        QTest::addColumn<int>("badAt");     // the bad datagram's place; -1: none
        QTest::addColumn<int>("stopAfter"); // reads before the run stops; -1: never
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<int>("outOfPlace");
        QTest::newRow("plain") << -1 << -1 << QList<int>{1, 2, 3, 4, 5, 6} << 0;
        QTest::newRow("box reads the rest") << 2 << -1 << QList<int>{1, 2, 3, 4, 5, 6} << 0;
        QTest::newRow("stopped mid-burst") << -1 << 3 << QList<int>{1, 2, 3} << 3;
        QTest::newRow("stopped inside the box") << 1 << 4 << QList<int>{1, 2, 3} << 3;
        QTest::newRow("box after the stop") << 4 << 2 << QList<int>{1, 2} << 5;
    }

    void aBurstKeepsItsOrderAcrossABoxAndAModeChange() {
        QFETCH(int, badAt);
        QFETCH(int, stopAfter);
        QFETCH(QList<int>, listed);
        QFETCH(int, outOfPlace);
        RecordingMessageSink sink;
        Fixture f;
        ListCounter list(f.table);
        f.search.start();
        f.tick();
        for (int mac = 1, at = 0; mac <= 6; ++at) {
            if (at == badAt)
                f.fake->push({0xEE});
            else
                f.fake->push(SearchReplyBytes(*f.search.randomNumber(), std::uint8_t(mac++)));
        }
        int reads = 0;
        const auto readAll = [&] {
            while (f.fake->hasPendingDatagram()) {
                if (reads++ == stopAfter)
                    f.search.stop();
                f.fake->onReadyRead();
            }
        };
        bool boxOpened = false; // the first box's loop reads on; later ones only show
        sink.whileOpen = [&] {
            if (!std::exchange(boxOpened, true))
                readAll();
        };
        readAll();
        f.fake->onReadPaused();
        QCoreApplication::processEvents(); // the event loop's next turn

        QList<int> macs;
        for (const DeviceRecord& r : f.table.recordList())
            macs << r.mac[5];
        QCOMPARE(macs, listed);
        QCOMPARE(list.updates, 1);
        QCOMPARE(list.listed, std::uint32_t(listed.size()));
        QCOMPARE(
            sink.texts().count(QStringLiteral("Recevied an out-of-place Packet -- Discarding")),
            outOfPlace);
        QCOMPARE(f.fake->reads, badAt < 0 ? 6 : 7);
    }
};

QTEST_GUILESS_MAIN(SearchExchangeTest)
#include "SearchExchangeTest.moc"
