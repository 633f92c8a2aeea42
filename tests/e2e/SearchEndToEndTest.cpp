// The tool's real socket, dispatch and search exchange against the board
// simulator, over the rig's veth. Runs inside tests/e2e/rig.sh.
#include "BoardFile.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchExchange.h"
#include "protocol/SearchDatagrams.h"

#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <set>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kMismatch =
    QStringLiteral("Invalid Search Packet Received or Random Number Mismatch");

// One search run over the real application: the search exchange itself,
// its schedule stepped by the test instead of its timer.
struct SearchSession : RealSocketApp, ReplyHandler {
    explicit SearchSession(const QList<int>& ports = {3040}) {
        app->ports.remotePortCount = 0;
        for (int port : ports)
            app->ports.remotePorts[app->ports.remotePortCount++] = static_cast<std::uint32_t>(port);
        search.start();
        search.tickTimer().stop();
        // Counted here, handled by the exchange.
        app->dispatch.claim(ExchangeSearch, this);
    }

    void HandleReply() override {
        ++handled;
        search.HandleReply();
    }

    QByteArray requestBytes() const {
        const auto bytes = BuildSearchRequest(*search.randomNumber());
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    // Steps the schedule to its next request (at ticks 1, 8 and 16 once a
    // board has answered): one to every port.
    bool sendRequest() {
        static const int kRequestTicks[] = {1, 8, 16};
        const int next = kRequestTicks[std::min(requests++, 2)];
        while (ticks < next) {
            search.OnTimer();
            ++ticks;
        }
        return !search.sendAborted();
    }

    DeviceTable& table() { return window->deviceTable(); }

    SearchExchange search{app->dispatch, app->ports, window->deviceTable()};
    int handled = 0; // datagrams the dispatch passed to this run
    int requests = 0;
    int ticks = 0;
};

} // namespace

class SearchEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
    }

    void eachBoardIsListedOnceThoughItAnswersEveryRepeat_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("boards");
        QTest::addColumn<QList<int>>("ports");
        QTest::addColumn<int>("copies"); // of each reply
        QTest::newRow("one board") << QStringList{"--count", "1"} << 1 << QList<int>{3040} << 1;
        QTest::newRow("three boards") << QStringList{"--count", "3"} << 3 << QList<int>{3040} << 1;
        QTest::newRow("a thousand boards")
            << QStringList{"--count", "1000"} << 1000 << QList<int>{3040} << 1;
        QTest::newRow("three boards, each reply twice, jittered")
            << QStringList{"--count", "3", "--duplicate", "1", "--jitter", "40"} << 3
            << QList<int>{3040} << 2;
        QTest::newRow("three boards on two ports")
            << QStringList{"--count", "3", "--port", "3040", "--port", "3041"} << 3
            << QList<int>{3040, 3041} << 1;
    }

    void eachBoardIsListedOnceThoughItAnswersEveryRepeat() {
        QFETCH(QStringList, arguments);
        QFETCH(int, boards);
        QFETCH(QList<int>, ports);
        QFETCH(int, copies);
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start(arguments, &error), qPrintable(error));
        RecordingMessageSink sink;
        SearchSession s(ports);
        QCOMPARE(s.opened, SocketOpenResult::Opened);

        const double started = MonotonicNow();
        const int perRequest = boards * static_cast<int>(ports.size()) * copies;
        constexpr int kRequests = 3; // the first request and its two fixed repeats
        for (int request = 1; request <= kRequests; ++request) {
            QVERIFY(s.sendRequest());
            QVERIFY2(SpinUntil([&] { return s.handled >= request * perRequest; }, 15000),
                     qPrintable(QStringLiteral("%1 of %2 replies arrived")
                                    .arg(s.handled)
                                    .arg(request * perRequest)));
        }
        SpinFor(150); // nothing more is on its way
        const double finished = MonotonicNow();

        QCOMPARE(s.handled, kRequests * perRequest);
        QCOMPARE(sink.texts(), QStringList());
        QCOMPARE(s.table().GetRecordCount(), std::uint32_t(boards));
        QCOMPARE(s.search.foundCount(), boards);
        std::set<int> listed;
        for (const DeviceRecord& r : s.table().recordList()) {
            const int n = boardNumber(r);
            QVERIFY2(n >= 1 && n <= boards, qPrintable(QString::number(n)));
            listed.insert(n);
            QCOMPARE(r.name, sim::GeneratedBoardName(static_cast<std::size_t>(n)));
            QCOMPARE(r.leftLabel, std::string("开机时间: "));
            QVERIFY(ports.contains(r.replyPort));
        }
        QCOMPARE(listed.size(), std::size_t(boards));

        // The boards heard exactly what the tool sent: each request on each port.
        const QList<LoggedDatagram> heard = rig.received();
        QCOMPARE(heard.size(), kRequests * ports.size());
        for (qsizetype i = 0; i < heard.size(); ++i) {
            const LoggedDatagram& d = heard[i];
            QCOMPARE(d.kind, QStringLiteral("search"));
            QCOMPARE(d.bytes, s.requestBytes());
            QCOMPARE(d.from, s.boardsSeeUsAs());
            QCOMPARE(d.to, QStringLiteral("255.255.255.255:%1").arg(ports[i % ports.size()]));
            QVERIFY(d.t >= started && d.t <= finished);
            if (i > 0)
                QVERIFY(d.t >= heard[i - 1].t);
        }
    }

    void badRepliesAreReportedAndTheOthersListed_data() {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("listed");
        QTest::newRow("wrong random number")
            << QStringList{"--wrong-number", "1"} << QStringList{kMismatch} << 2;
        QTest::newRow("31 bytes") << QStringList{"--truncate", "1"} << QStringList{kMismatch} << 2;
        // Longer than the 4,096-byte buffer: the real socket reports a failed read.
        QTest::newRow("5,000 bytes")
            << QStringList{"--oversize", "1"} << QStringList{"Error receiving data"} << 2;
        QTest::newRow("texts without zero bytes")
            << QStringList{"--no-nul", "1"} << QStringList() << 3;
    }

    void badRepliesAreReportedAndTheOthersListed() {
        QFETCH(QStringList, fault);
        QFETCH(QStringList, messages);
        QFETCH(int, listed);
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start(QStringList{"--count", "3", "--faulty-boards", "2"} + fault, &error),
                 qPrintable(error));
        RecordingMessageSink sink;
        SearchSession s;
        QVERIFY(s.sendRequest());
        QVERIFY(SpinUntil([&] { return s.handled >= 3; }, 10000));
        SpinFor(100);
        QCOMPARE(s.handled, 3);
        QCOMPARE(sink.texts(), messages);
        QCOMPARE(s.table().GetRecordCount(), std::uint32_t(listed));
        QVERIFY(!s.socket->hasPendingDatagram());
    }

    void aLateBoardIsListedWhenItAnswers() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "2", "--faulty-boards", "2", "--late", "400"}, &error),
                 qPrintable(error));
        RecordingMessageSink sink;
        SearchSession s;
        QVERIFY(s.sendRequest());
        QVERIFY(SpinUntil([&] { return s.table().GetRecordCount() == 2; }, 10000));
        const double listedAt = MonotonicNow();
        const QList<LoggedDatagram> heard = rig.received(QStringLiteral("search"));
        QCOMPARE(heard.size(), 1);
        // Replies can come late, never early.
        QVERIFY2(listedAt - heard[0].t >= 0.4, qPrintable(QString::number(listedAt - heard[0].t)));
        QCOMPARE(boardNumber(s.table().recordList()[1]), 2);
        QVERIFY(sink.messages.empty());
    }

    void repliesWithNoOwnerAreDiscardedOneByOne() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "2"}, &error), qPrintable(error));
        RecordingMessageSink sink;
        SearchSession s;
        s.app->dispatch.claim(ExchangeNone, nullptr);
        QVERIFY(s.sendRequest());
        QVERIFY(SpinUntil([&] { return sink.messages.size() >= 2; }, 10000));
        SpinFor(100);
        const QString discarding = QStringLiteral("Recevied an out-of-place Packet -- Discarding");
        QCOMPARE(sink.texts(), (QStringList{discarding, discarding}));
        QCOMPARE(s.handled, 0);
        QCOMPARE(s.table().GetRecordCount(), 0u);
        QVERIFY(!s.socket->hasPendingDatagram());
    }
};

QTEST_MAIN(SearchEndToEndTest)
#include "SearchEndToEndTest.moc"
