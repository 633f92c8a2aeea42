// The assignment's timetable and verdicts, stepped tick by tick on the
// in-memory socket with recorded host commands.
#include "core/exchange/AssignExchange.h"

#include "FakeDatagramSocket.h"
#include "RecordingHostCommandRunner.h"
#include "RecordingMessageSink.h"

#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <net/if.h>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kTimeout = QStringLiteral("Timeout -- Did not receive an acknowlegement");
const QString kInvalid = QStringLiteral("Invalid Assign Packet Received");
const QString kArpS = QStringLiteral("arp -s 192.168.1.50 0-B-3C-12-34-56");
const QString kPing = QStringLiteral("ping -n 6 192.168.1.50 ");

// Seeds the generator so that the next assignment's number has two
// different, non-zero bytes: swapping them then gives a wrong number.
void seedForDistinctBytes() {
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        const int n = std::rand() & 0x7FFF;
        if ((n >> 8) != (n & 0xFF) && (n >> 8) != 0) {
            std::srand(seed);
            return;
        }
    }
}

DeviceRecord board() {
    DeviceRecord r;
    const MacAddress mac = {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56};
    r.mac = mac;
    const Ipv4Address ip = {10, 1, 2, 3};
    r.ip = ip;
    r.replyPort = 50123;
    return r;
}

// An assignment for one board, opened as the dialog opens it.
struct Fixture {
    explicit Fixture(std::optional<DeviceRecord> chosen = board())
        : fake(new FakeDatagramSocket), dispatch(std::unique_ptr<DatagramSocket>(fake)),
          assign(dispatch, std::move(chosen)) {
        assign.open();
    }

    // OK with the fields 192.168.1.50 / 255.255.255.0 / 192.168.1.1.
    void start(bool dhcp = false) {
        AssignParameters fields;
        fields.useDhcp = dhcp;
        const Ipv4Address ip = {192, 168, 1, 50}, mask = {255, 255, 255, 0},
                          gateway = {192, 168, 1, 1};
        fields.ip = ip;
        fields.subnetMask = mask;
        fields.gateway = gateway;
        assign.start(fields);
    }
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            assign.OnTimer();
    }
    Bytes reply(std::uint8_t result) const {
        return {0x03, result, static_cast<std::uint8_t>(assign.randomNumber >> 8),
                static_cast<std::uint8_t>(assign.randomNumber & 0xFF)};
    }
    void deliver(Bytes bytes) {
        fake->push(std::move(bytes));
        fake->deliverAll();
    }
    Bytes request() const { return {assign.requestBuffer.begin(), assign.requestBuffer.end()}; }

    RecordingMessageSink sink;
    RecordingHostCommandRunner host;
    FakeDatagramSocket* fake;
    SocketDispatch dispatch;
    AssignExchange assign;
};

} // namespace

class AssignExchangeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOwningTheSocketWithTheCountdownFull() {
        Fixture f;
        QCOMPARE(f.dispatch.mode(), ExchangeAssign);
        QCOMPARE(f.dispatch.lastClaimedBy(ExchangeAssign), &f.assign);
        QCOMPARE(f.assign.statusText(), QStringLiteral("10 seconds remaining"));
        QCOMPARE(f.assign.countdown, 10000);
        QVERIFY(f.fake->sent.empty());
        QVERIFY(f.host.runs.empty());
    }

    void startBuildsTheRequestAndClearsTheNeighbourCache() {
        Fixture f;
        f.start(true);
        QCOMPARE(f.host.windowsTexts(), QStringList{"arp -d *"});
        QCOMPARE(f.host.runs[0].how, HostWindow::Hidden);
        QVERIFY(f.assign.tickTimer().isActive());
        QCOMPARE(f.assign.tickTimer().interval(), 250);
        QVERIFY(f.fake->sent.empty());
        const std::uint16_t n = f.assign.randomNumber;
        const Bytes expected = {0x02,
                                0x01,
                                std::uint8_t(n >> 8),
                                std::uint8_t(n & 0xFF),
                                0xC0,
                                0xA8,
                                0x01,
                                0x32,
                                0xFF,
                                0xFF,
                                0xFF,
                                0x00,
                                0xC0,
                                0xA8,
                                0x01,
                                0x01,
                                0x00,
                                0x0B,
                                0x3C,
                                0x12,
                                0x34,
                                0x56,
                                0x00,
                                0x00};
        QCOMPARE(f.request(), expected);
    }

    void followsTheTimetable_data() {
        QTest::addColumn<bool>("gleaning");
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("hostSteps");

        const QString s = QStringLiteral("%1 %2");
        QStringList withPing{"0 arp -d *"}, withoutPing{"0 arp -d *"};
        for (int cycle = 0; cycle < 4; ++cycle) {
            const int base = cycle * 40;
            withPing << s.arg(base + 2).arg(kArpS) << s.arg(base + 4).arg(kPing)
                     << s.arg(base + 8).arg("send");
            withoutPing << s.arg(base + 2).arg(kArpS) << s.arg(base + 4).arg("send");
        }
        QTest::newRow("gleaning, once")
            << true << false << withPing.mid(0, 4) + QStringList{"40 time-out"} << true;
        QTest::newRow("no gleaning, once")
            << false << false << withoutPing.mid(0, 3) + QStringList{"40 time-out"} << true;
        QTest::newRow("gleaning, repeat") << true << true << withPing << true;
        QTest::newRow("no gleaning, repeat") << false << true << withoutPing << true;
        // The command line's --no-ping: the host is not touched at all.
        QTest::newRow("no host steps, once")
            << true << false << QStringList{"4 send", "40 time-out"} << false;
    }

    void followsTheTimetable() {
        QFETCH(bool, gleaning);
        QFETCH(bool, repeat);
        Fixture f;
        f.assign.setPingGleaning(gleaning);
        f.assign.setRepeat(repeat);
        QFETCH(bool, hostSteps);
        f.assign.setHostSteps(hostSteps);
        QSignalSpy ended(&f.assign, &AssignExchange::ended);
        f.start();
        QStringList events;
        for (const QString& text : f.host.windowsTexts())
            events << "0 " + text;
        std::size_t runs = f.host.runs.size(), sends = 0;
        for (int tick = 1; tick <= 150; ++tick) {
            const bool wasTimedOut = (f.assign.outcome() == AssignOutcome::NoAnswer);
            f.tick();
            for (; runs < f.host.runs.size(); ++runs)
                events << QStringLiteral("%1 %2").arg(tick).arg(
                    f.host.runs[runs].command.windowsText);
            for (; sends < f.fake->sent.size(); ++sends)
                events << QStringLiteral("%1 send").arg(tick);
            if ((f.assign.outcome() == AssignOutcome::NoAnswer) && !wasTimedOut)
                events << QStringLiteral("%1 time-out").arg(tick);
        }
        QTEST(events, "events");
        // Every cycle sends the one request built at OK, as a broadcast to
        // the port the board answered the search from.
        for (const auto& sent : f.fake->sent) {
            QCOMPARE(sent.bytes, f.request());
            QCOMPARE(sent.ip, 0xFFFFFFFFu);
            QCOMPARE(sent.port, std::uint16_t(50123));
        }
        QCOMPARE(f.assign.tickTimer().isActive(), repeat);
        QCOMPARE(ended.count(), repeat ? 0 : 1);
        if (!repeat) {
            QCOMPARE(ended[0][0].value<AssignOutcome>(), AssignOutcome::NoAnswer);
            QCOMPARE(f.assign.statusText(), kTimeout);
        }
    }

    // Sent anyway (the user said yes, or --force): never an entry that takes
    // the host's own traffic; for a DHCP board's claimed address, none on any clash.
    void leavesTheHostAloneForTheHostsOwnAddresses() {
        const Ipv4Address taken = {192, 168, 1, 50};
        const struct {
            int clash; // 1 the host's address, 2 its gateway, 3 another device's
            bool dhcp, hostSteps;
        } cases[] = {{1, false, false}, {2, false, false}, {3, false, true}, {3, true, false}};
        for (const auto& c : cases) {
            Fixture f;
            if (c.clash == 1)
                f.host.facts.ownAddresses = {{taken, "eth0"}};
            else if (c.clash == 2)
                f.host.facts.gateways = {{taken, "eth0"}};
            else
                f.host.facts.neighbours = {{taken, {2, 0, 0, 0, 0, 9}, "eth0"}};
            f.start(c.dhcp);
            f.tick(8);
            QCOMPARE(f.host.runs.empty(), !c.hostSteps);
            QCOMPARE(f.fake->sent.size(), std::size_t(1));
        }
    }

    // On the link the board answered on; by the routes when that is unknown
    // or gone.
    void runsArpAndPingWithTheNewAddress_data() {
        QTest::addColumn<unsigned>("interfaceIndex");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("pingOut");
        QTest::newRow("link unknown: the routes") << 0u << "eth0" << QStringList{};
        QTest::newRow("answered on lo") << if_nametoindex("lo") << "lo" << QStringList{"-I", "lo"};
        QTest::newRow("that link is gone") << 999999u << "eth0" << QStringList{};
    }

    void runsArpAndPingWithTheNewAddress() {
        QFETCH(unsigned, interfaceIndex);
        QFETCH(QString, device);
        QFETCH(QStringList, pingOut);
        DeviceRecord chosen = board();
        chosen.interfaceIndex = interfaceIndex;
        Fixture f(chosen);
        f.start();
        f.tick(4);
        QCOMPARE(f.host.runs.size(), std::size_t(3));
        QCOMPARE(f.host.runs[0].command.argv.last(), device); // the flush: that link only
        const auto& arp = f.host.runs[1];
        QCOMPARE(arp.command.windowsText, kArpS);
        QCOMPARE(arp.how, HostWindow::Hidden);
        QCOMPARE(arp.command.argv,
                 (QStringList{"ip", "neigh", "add", "192.168.1.50", "lladdr", "00:0b:3c:12:34:56",
                              "nud", "permanent", "dev", device, "protocol", "147"}));
        const auto& ping = f.host.runs[2];
        QCOMPARE(ping.command.windowsText, kPing);
        QCOMPARE(ping.how, HostWindow::Terminal);
        QCOMPARE(ping.command.argv,
                 (QStringList{"ping"} + pingOut + QStringList{"-c", "6", "192.168.1.50"}));
        // The assign request itself goes to every link.
        f.tick(4); // to 8000
        QVERIFY(!f.fake->sent.empty());
        QCOMPARE(f.fake->sent.back().interfaceIndex, 0u);
    }

    void statusFollowsTheCountdown_data() {
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("countdown");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, bool repeat, int ticks, int countdown,
                            const QString& text) {
            QTest::newRow(name) << repeat << ticks << countdown << text;
        };
        row("at OK", false, 0, 10000, "10 seconds remaining");
        row("first tick", false, 1, 9750, "9 seconds remaining");
        row("1750", false, 33, 1750, "1 seconds remaining");
        row("1000", false, 36, 1000, "1 seconds remaining");
        row("750", false, 37, 750, "0 seconds remaining");
        row("250", false, 39, 250, "0 seconds remaining");
        row("0, time-out", false, 40, 0, kTimeout);
        row("0, repeat", true, 40, 0, "0 seconds remaining");
        row("wrap, repeat", true, 41, 9750, "9 seconds remaining");
    }

    void statusFollowsTheCountdown() {
        QFETCH(bool, repeat);
        QFETCH(int, ticks);
        Fixture f;
        f.assign.setRepeat(repeat);
        QSignalSpy status(&f.assign, &AssignExchange::statusChanged);
        QSignalSpy countdown(&f.assign, &AssignExchange::countdownChanged);
        f.start();
        f.tick(ticks);
        QTEST(f.assign.countdown, "countdown");
        QTEST(f.assign.statusText(), "text");
        if (ticks > 0) {
            QTEST(status.last()[0].toString(), "text");
            QTEST(countdown.last()[0].toInt(), "countdown");
        }
    }

    void actsOnTheBoardsVerdict_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("closeOnSuccess");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ended"); // -1 none, else the AssignOutcome
        QTest::addColumn<bool>("closed");

        QTest::newRow("MAC not recognised")
            << 0 << true << "Failure -- Device did not recognize MAC address"
            << int(AssignOutcome::Refused) << false;
        QTest::newRow("programmed, closes") << 1 << true << "Success -- Device Programmed"
                                            << int(AssignOutcome::Programmed) << true;
        QTest::newRow("programmed, stays") << 1 << false << "Success -- Device Programmed"
                                           << int(AssignOutcome::Programmed) << false;
        QTest::newRow("unknown error")
            << 255 << true << "Failure -- Unknown Error" << int(AssignOutcome::Refused) << false;
        QTest::newRow("other code stalls") << 7 << true << "7 seconds remaining" << -1 << false;
    }

    void actsOnTheBoardsVerdict() {
        QFETCH(int, result);
        QFETCH(bool, closeOnSuccess);
        QFETCH(int, ended);
        QFETCH(bool, closed);
        Fixture f;
        f.assign.setCloseOnSuccess(closeOnSuccess);
        QSignalSpy endedSpy(&f.assign, &AssignExchange::ended);
        QSignalSpy closeSpy(&f.assign, &AssignExchange::closeRequested);
        QSignalSpy replySpy(&f.assign, &AssignExchange::replyReceived);
        f.start();
        f.tick(10);
        f.deliver(f.reply(std::uint8_t(result)));
        QCOMPARE(replySpy.size(), 1);
        QCOMPARE(replySpy[0][0].toInt(), result);
        QVERIFY(f.sink.messages.empty());
        QVERIFY(!f.assign.tickTimer().isActive());
        QTEST(f.assign.statusText(), "text");
        QCOMPARE(endedSpy.size(), ended < 0 ? 0 : 1);
        if (ended >= 0)
            QCOMPARE(int(endedSpy[0][0].value<AssignOutcome>()), ended);
        QCOMPARE(f.assign.outcome() != AssignOutcome::Running, ended >= 0);
        QCOMPARE(f.assign.replyCode(), std::optional<std::uint8_t>(std::uint8_t(result)));
        QCOMPARE(closeSpy.size(), closed ? 1 : 0);
        QCOMPARE(f.dispatch.mode(), closed ? int(ExchangeNone) : int(ExchangeAssign));
        if (closed)
            return;
        // The countdown stays where the reply stopped it.
        f.tick(60);
        QCOMPARE(f.assign.countdown, 7500);
        QVERIFY(!(f.assign.outcome() == AssignOutcome::NoAnswer));
        QCOMPARE(f.fake->sent.size(), std::size_t(1));
    }

    void aStalledAssignmentTakesALaterVerdict() {
        Fixture f;
        QSignalSpy ended(&f.assign, &AssignExchange::ended);
        f.start();
        f.deliver(f.reply(7));
        QCOMPARE(ended.size(), 0);
        f.deliver(f.reply(0));
        QCOMPARE(f.assign.outcome(), AssignOutcome::Refused);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0][0].value<AssignOutcome>(), AssignOutcome::Refused);
    }

    void aVerdictAfterTheTimeOutIsStillApplied_data() {
        QTest::addColumn<bool>("closeOnSuccess");
        QTest::newRow("closes") << true;
        QTest::newRow("stays") << false;
    }

    void aVerdictAfterTheTimeOutIsStillApplied() {
        QFETCH(bool, closeOnSuccess);
        Fixture f;
        f.assign.setCloseOnSuccess(closeOnSuccess);
        QSignalSpy closeSpy(&f.assign, &AssignExchange::closeRequested);
        f.start();
        f.tick(40);
        QVERIFY((f.assign.outcome() == AssignOutcome::NoAnswer));
        QCOMPARE(f.assign.statusText(), kTimeout);
        f.deliver(f.reply(Programmed));
        QCOMPARE(f.assign.statusText(), QStringLiteral("Success -- Device Programmed"));
        QCOMPARE(closeSpy.size(), closeOnSuccess ? 1 : 0);
        QCOMPARE(f.dispatch.mode(), closeOnSuccess ? int(ExchangeNone) : int(ExchangeAssign));
    }

    void reportsDatagramsThatAreNoReply_data() {
        QTest::addColumn<bool>("afterOk");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("message");
        QTest::newRow("before OK, even number 0") << false << "zero" << kInvalid;
        QTest::newRow("number bytes swapped") << true << "swapped" << kInvalid;
        QTest::newRow("five bytes") << true << "five" << kInvalid;
        QTest::newRow("search reply type") << true << "type 1" << kInvalid;
        // A late answer to the command line's search is no fault of a board.
        QTest::newRow("search reply, passed over") << true << "search reply" << QString();
        QTest::newRow("failed read") << true << "read error"
                                     << "Error receiving data";
    }

    void reportsDatagramsThatAreNoReply() {
        QFETCH(bool, afterOk);
        QFETCH(QString, shape);
        QFETCH(QString, message);
        seedForDistinctBytes();
        Fixture f;
        if (afterOk) {
            f.start();
            f.tick(3);
        }
        Bytes bytes = f.reply(Programmed);
        if (shape == "zero")
            bytes = {0x03, 0x01, 0x00, 0x00};
        else if (shape == "swapped")
            std::swap(bytes[2], bytes[3]);
        else if (shape == "five")
            bytes.push_back(0);
        else if (shape == "type 1")
            bytes[0] = 0x01;
        else if (shape == "search reply")
            bytes.resize(32), bytes[0] = 0x01, f.assign.setIgnoreSearchReplies(true);
        if (shape == "read error") {
            f.fake->pushReadError();
            f.fake->deliverAll();
        } else {
            f.deliver(bytes);
        }
        QCOMPARE(f.sink.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        QVERIFY((f.assign.outcome() == AssignOutcome::Running));
        QCOMPARE(f.assign.tickTimer().isActive(), afterOk);
        QCOMPARE(f.dispatch.mode(), ExchangeAssign);
        if (afterOk) {
            f.tick(5); // the assignment goes on: the request still goes out at 2.0 s
            QCOMPARE(f.fake->sent.size(), std::size_t(1));
        }
    }

    void aFailedSendIsReportedAndTheCountdownGoesOn() {
        Fixture f;
        f.assign.setRepeat(true);
        f.fake->failSendOnAttempt = 1;
        f.fake->sendError = ENETUNREACH;
        // The box's own loop keeps ticking behind it.
        f.sink.whileOpen = [&] { f.tick(4); };
        f.start();
        f.tick(8);
        QCOMPARE(f.sink.texts(), QStringList{QString::number(ENETUNREACH) + " Unable To Send"});
        QCOMPARE(f.assign.countdown, 7000);
        QCOMPARE(f.assign.statusText(), QStringLiteral("7 seconds remaining"));
        QVERIFY(f.assign.tickTimer().isActive());
        QVERIFY(f.fake->sent.empty());
        f.sink.whileOpen = nullptr;
        f.tick(36); // next cycle: 40 ticks after the failed send
        QCOMPARE(f.fake->sent.size(), std::size_t(1));
        QCOMPARE(f.sink.messages.size(), std::size_t(1));
    }

    void withoutABoardTheMacStaysZero() {
        Fixture f(std::nullopt);
        f.start();
        QCOMPARE(f.sink.texts(), QStringList{"Cell not selected"});
        const Bytes request = f.request();
        QCOMPARE(Bytes(request.begin() + 16, request.begin() + 22), Bytes(6, 0));
    }

    void closingOrDestroyingGivesUpTheSocket() {
        Fixture f;
        f.start();
        f.tick(5);
        f.assign.close();
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.assign.tickTimer().isActive());
        {
            AssignExchange other(f.dispatch, board());
            other.open();
            QCOMPARE(f.dispatch.lastClaimedBy(ExchangeAssign), &other);
        }
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.dispatch.lastClaimedBy(ExchangeAssign));
        f.deliver({0x03, 0x01, 0x00, 0x00});
        QCOMPARE(f.sink.texts().last(),
                 QStringLiteral("Recevied an out-of-place Packet -- Discarding"));
    }
};

QTEST_GUILESS_MAIN(AssignExchangeTest)
#include "AssignExchangeTest.moc"
