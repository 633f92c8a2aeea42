// The assign dialog over the real socket and the real host commands against
// the board simulator, over the rig's veth. Runs inside tests/e2e/rig.sh,
// in the tool's namespace, whose neighbour table the host commands change.
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchExchange.h"
#include "core/host/ProcessHostCommandRunner.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/IpAddressEdit.h"
#include "protocol/AssignDatagrams.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <ctime>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Address = std::array<std::uint8_t, 4>;

const QString kProgrammed = QStringLiteral("Success -- Device Programmed");
const QString kTimeout = QStringLiteral("Timeout -- Did not receive an acknowlegement");

QString dotted(const Address& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

// Generated board n: MAC 02-51-56 and n in three bytes, address 198.18.1.0 + n.
std::array<std::uint8_t, 6> boardMac(int n) {
    return {0x02, 0x51, 0x56, 0, 0, static_cast<std::uint8_t>(n)};
}

QString ipCommand(const QStringList& arguments) {
    QProcess ip;
    ip.start(QStringLiteral("ip"), arguments);
    if (!ip.waitForFinished(5000))
        return {};
    return QString::fromLocal8Bit(ip.readAllStandardOutput()).trimmed();
}

QString neighbourEntry(const QString& address) {
    return ipCommand({"-4", "neigh", "show", "to", address});
}

// The application over the real socket, with the real host commands.
struct Session : RealSocketApp {
    Session() { m_previous = SetHostCommandRunner(&runner); }
    ~Session() { SetHostCommandRunner(m_previous); }

    DeviceTable& table() { return window->deviceTable(); }

    // A search as the main window runs it, until `boards` are listed.
    bool search(int boards) {
        table().Clear();
        SearchExchange run(app->dispatch, app->ports, table());
        run.start();
        run.OnTimer(); // the first tick sends the request
        const bool found = SpinUntil([&] { return run.foundCount() >= boards; }, 5000);
        run.stop();
        return found && table().GetRecordCount() == std::uint32_t(boards);
    }

    const DeviceRecord* listed(const std::array<std::uint8_t, 6>& mac) {
        for (const DeviceRecord& r : table().recordList())
            if ((mac == r.mac))
                return &r;
        return nullptr;
    }

    bool select(const std::array<std::uint8_t, 6>& mac) {
        const auto& records = table().recordList();
        for (std::size_t i = 0; i < records.size(); ++i)
            if ((mac == records[i].mac)) {
                table().selectIndex(static_cast<std::int64_t>(i));
                return true;
            }
        return false;
    }

    ProcessHostCommandRunner runner;

private:
    HostCommandRunner* m_previous = nullptr;
};

void setFields(CAssignDlg& dialog, const Address& ip, const Address& mask, const Address& gateway) {
    const auto set = [&](int id, const Address& a) {
        const Ipv4Address bytes = {a[0], a[1], a[2], a[3]};
        dialog.addressControl(id)->setAddress(bytes);
    };
    set(AssignControl::IpAddress, ip);
    set(AssignControl::SubnetMask, mask);
    set(AssignControl::Gateway, gateway);
}

QByteArray expectedRequest(bool dhcp, std::uint16_t number, const Address& ip, const Address& mask,
                           const Address& gateway, const std::array<std::uint8_t, 6>& mac) {
    AssignParameters p;
    p.useDhcp = dhcp;
    p.ip = ip;
    p.subnetMask = mask;
    p.gateway = gateway;
    p.mac = mac;
    const auto bytes = BuildAssignRequest(p, number);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

class AssignEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QString notHere;
        if (!InRigToolNamespace(&notHere))
            QFAIL(qPrintable(notHere));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
    }

    void assignsAndTheNextSearchListsTheBoardSo_data() {
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<bool>("gleaning");
        QTest::addColumn<Address>("newIp");
        QTest::addColumn<double>("sentAfter"); // seconds from OK, at the earliest
        QTest::newRow("new address") << false << true << Address{198, 18, 200, 12} << 1.8;
        QTest::newRow("new address, no ping gleaning")
            << false << false << Address{198, 18, 200, 13} << 0.9;
        QTest::newRow("DHCP") << true << true << Address{198, 18, 200, 14} << 1.8;
    }

    void assignsAndTheNextSearchListsTheBoardSo() {
        QFETCH(bool, dhcp);
        QFETCH(bool, gleaning);
        QFETCH(Address, newIp);
        QFETCH(double, sentAfter);
        const Address mask{255, 254, 0, 0}, gateway{198, 18, 0, 1};
        const auto mac = boardMac(2);
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "3"}, &error), qPrintable(error));
        RecordingMessageSink sink;
        Session s;
        QCOMPARE(s.opened, SocketOpenResult::Opened);
        QVERIFY(s.search(3));
        QVERIFY(s.select(mac));
        QCOMPARE(s.listed(mac)->staticAddress, std::uint8_t(1));

        // A learnt neighbour that "arp -d *" must clear, beside the rig's
        // permanent one that it must leave.
        const QString rigInterface = s.runner.interfaceRoutingTo({198, 18, 0, 2});
        QVERIFY(!rigInterface.isEmpty());
        ipCommand({"neigh", "replace", "198.18.77.77", "lladdr", "02:00:00:00:00:77", "dev",
                   rigInterface, "nud", "stale"});
        QVERIFY(!neighbourEntry("198.18.77.77").isEmpty());
        QVERIFY(neighbourEntry(dotted(newIp)).isEmpty());

        AssignExchange assign(s.app->dispatch, s.table().selectedRecord());
        CAssignDlg dialog(assign, s.window.get());
        setFields(dialog, newIp, mask, gateway);
        if (dhcp)
            qobject_cast<QCheckBox*>(dialog.control(AssignControl::UseDhcp))->click();
        qobject_cast<QCheckBox*>(dialog.control(AssignControl::PingGleaning))->setChecked(gleaning);
        const QString permanentEntry =
            QStringLiteral("%1 dev %2 lladdr 02:51:56:00:00:02 PERMANENT proto 147")
                .arg(dotted(newIp), rigInterface);
        bool entrySeen = false;
        const double okAt = MonotonicNow();
        dialog.OnOK();
        QVERIFY(SpinUntil(
            [&] {
                entrySeen = entrySeen || neighbourEntry(dotted(newIp)) == permanentEntry;
                return assign.outcome() != AssignOutcome::Running;
            },
            10000));

        QCOMPARE(assign.statusText(), kProgrammed);
        QVERIFY(assign.outcome() == AssignOutcome::Programmed ||
                assign.outcome() == AssignOutcome::Refused);
        QCOMPARE(dialog.result(), int(QDialog::Accepted)); // closes on success
        QCOMPARE(s.app->dispatch.mode(), ExchangeNone);
        QCOMPARE(sink.texts(), QStringList());
        const QList<LoggedDatagram> heard = rig.received(QStringLiteral("assign"));
        QCOMPARE(heard.size(), 1);
        QCOMPARE(heard[0].bytes,
                 expectedRequest(dhcp, assign.randomNumber, newIp, mask, gateway, mac));
        QCOMPARE(heard[0].from, s.boardsSeeUsAs());
        QCOMPARE(heard[0].to, QStringLiteral("255.255.255.255:3040"));
        QVERIFY2(heard[0].t - okAt >= sentAfter, qPrintable(QString::number(heard[0].t - okAt)));

        // The entry carried the address while the assignment ran, and the
        // dialog's close took it away again (the commands end a little later).
        QVERIFY(entrySeen);
        QVERIFY2(
            SpinUntil([&] { return !neighbourEntry(dotted(newIp)).contains("PERMANENT"); }, 3000),
            qPrintable(neighbourEntry(dotted(newIp))));
        QVERIFY2(SpinUntil([&] { return neighbourEntry("198.18.77.77").isEmpty(); }, 3000),
                 qPrintable(neighbourEntry("198.18.77.77")));
        QVERIFY(neighbourEntry("198.18.0.2").endsWith("PERMANENT"));

        QVERIFY(s.search(3));
        const DeviceRecord* board = s.listed(mac);
        QVERIFY(board);
        const Address oldIp{198, 18, 1, 2};
        const Address listedIp{board->ip[0], board->ip[1], board->ip[2], board->ip[3]};
        QCOMPARE(dotted(listedIp), dotted(dhcp ? oldIp : newIp));
        QCOMPARE(board->staticAddress, std::uint8_t(dhcp ? 0 : 1));
        if (!dhcp) {
            QCOMPARE(board->subnetMask[1], std::uint8_t(254));
            QCOMPARE(board->gateway[3], std::uint8_t(1));
        }
        // The other boards kept theirs.
        QCOMPARE(s.listed(boardMac(1))->ip[3], std::uint8_t(1));
        QCOMPARE(s.listed(boardMac(3))->ip[3], std::uint8_t(3));
    }

    void boardsThatDoNotKnowTheMacCanSaySo() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "1", "--unknown-mac-result", "0"}, &error),
                 qPrintable(error));
        RecordingMessageSink sink;
        Session s;
        QVERIFY(s.search(1));
        DeviceRecord stranger = s.table().recordList()[0];
        stranger.mac[5] = 0x99;
        s.table().AddRecord(stranger);
        QVERIFY(s.select({0x02, 0x51, 0x56, 0, 0, 0x99}));

        AssignExchange assign(s.app->dispatch, s.table().selectedRecord());
        CAssignDlg dialog(assign, s.window.get());
        setFields(dialog, {198, 18, 200, 20}, {255, 254, 0, 0}, {198, 18, 0, 1});
        dialog.OnOK();
        QVERIFY(SpinUntil([&] { return assign.outcome() != AssignOutcome::Running; }, 10000));
        QCOMPARE(assign.statusText(),
                 QStringLiteral("Failure -- Device did not recognize MAC address"));
        QVERIFY(assign.outcome() == AssignOutcome::Programmed ||
                assign.outcome() == AssignOutcome::Refused);
        QCOMPARE(s.app->dispatch.mode(), ExchangeAssign); // stays open on a failure
        QCOMPARE(qobject_cast<QPushButton*>(dialog.control(AssignControl::Ok))->text(),
                 QStringLiteral("Close"));
        QCOMPARE(sink.texts(), QStringList());
        QVERIFY(s.search(1)); // the board itself is unchanged
        QCOMPARE(s.table().recordList()[0].ip[2], std::uint8_t(1));
    }

    // The one test that waits the whole ten seconds: it is about the clock.
    void anUnknownMacTimesOutAfterTenSeconds() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "1"}, &error), qPrintable(error));
        RecordingMessageSink sink;
        Session s;
        QVERIFY(s.search(1));
        DeviceRecord stranger = s.table().recordList()[0];
        stranger.mac[5] = 0x98;
        s.table().AddRecord(stranger);
        QVERIFY(s.select({0x02, 0x51, 0x56, 0, 0, 0x98}));

        AssignExchange assign(s.app->dispatch, s.table().selectedRecord());
        CAssignDlg dialog(assign, s.window.get());
        setFields(dialog, {198, 18, 200, 21}, {255, 254, 0, 0}, {198, 18, 0, 1});
        const double okAt = MonotonicNow();
        dialog.OnOK();
        QVERIFY(SpinUntil([&] { return assign.outcome() != AssignOutcome::Running; }, 25000));
        const double elapsed = MonotonicNow() - okAt;

        QCOMPARE(assign.outcome(), AssignOutcome::NoAnswer);
        QCOMPARE(assign.statusText(), kTimeout);
        QVERIFY2(elapsed >= 9.5 && elapsed < 20, qPrintable(QString::number(elapsed)));
        QVERIFY(dialog.control(AssignControl::Ok)->isEnabled());
        QCOMPARE(qobject_cast<QPushButton*>(dialog.control(AssignControl::Ok))->text(),
                 QStringLiteral("Close"));
        QCOMPARE(s.app->dispatch.mode(), ExchangeAssign); // still open, until Close
        QCOMPARE(sink.texts(), QStringList());
        // One request, at eight seconds to go; nothing answered it.
        const QList<LoggedDatagram> heard = rig.received(QStringLiteral("assign"));
        QCOMPARE(heard.size(), 1);
        QCOMPARE(static_cast<std::uint8_t>(heard[0].bytes[21]), std::uint8_t(0x98));

        dialog.OnOK(); // Close
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(s.app->dispatch.mode(), ExchangeNone);
    }
};

QTEST_MAIN(AssignEndToEndTest)
#include "AssignEndToEndTest.moc"
