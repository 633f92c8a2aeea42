// A technician's laptop with two cables, over the real socket and the real
// host commands: boards on both links, one of them on a subnet foreign to
// the laptop's addresses. Runs inside tests/e2e/rig.sh --links 2, once
// without a default route and once with one on link 1 only and loose
// reverse-path filtering; the same behaviour is expected of both.
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/AssignExchange.h"
#include "core/exchange/DeviceTable.h"
#include "core/host/ProcessHostCommandRunner.h"
#include "core/exchange/SearchExchange.h"
#include "core/exchange/StatusExchange.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/IpAddressEdit.h"
#include "gui/dialogs/PrtStatDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <ctime>
#include <net/if.h>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const char kHeader[] = "mac,ip,mask,gateway,name,left_label,right_label,status\n";
// Board 09 sits on a bridge: it answers on both links, from two addresses.
const char kLink1[] =
    "02-51-56-BB-00-01,198.18.7.1,255.255.0.0,198.18.0.1,前台,开机时间,联网时间,1\n"
    "02-51-56-BB-00-02,198.18.7.2,255.255.0.0,198.18.0.1,厨房,开机时间,联网时间,2\n"
    "02-51-56-BB-00-09,198.18.7.9,255.255.0.0,198.18.0.1,桥接,开机时间,联网时间,9\n";
// 198.19.100.7 is outside the laptop's 198.19.0.0/24: a factory address.
const char kLink2[] =
    "02-51-56-BB-00-11,198.19.0.11,255.255.255.0,198.19.0.1,仓库,开机时间,联网时间,0x11\n"
    "02-51-56-BB-00-12,198.19.100.7,255.255.0.0,198.19.100.1,新机,开机时间,联网时间,0x2A55\n"
    "02-51-56-BB-00-09,198.19.0.19,255.255.255.0,198.19.0.1,桥接,开机时间,联网时间,9\n";
constexpr int kBoards = 5; // distinct MACs
const MacAddress kForeignMac = {0x02, 0x51, 0x56, 0xBB, 0x00, 0x12};

bool startBoards(SimulatorRig& rig, const char* rows, QString* error) {
    const QString path = QStringLiteral("%1/every-link-%2.csv")
                             .arg(qEnvironmentVariable("QUORVEL_RIG_WORKDIR"))
                             .arg(rows == kLink1 ? 1 : 2);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kHeader) < 0 || file.write(rows) < 0) {
        *error = QStringLiteral("cannot write ") + path;
        return false;
    }
    file.close();
    return rig.start({"--boards", path}, error);
}

QString linkName(int link) {
    return qEnvironmentVariable(link == 2 ? "QUORVEL_RIG_TOOL_IF_2" : "QUORVEL_RIG_TOOL_IF");
}

unsigned linkIndex(int link) {
    return if_nametoindex(linkName(link).toLocal8Bit().constData());
}

QString ipCommand(const QStringList& arguments) {
    QProcess ip;
    ip.start(QStringLiteral("ip"), arguments);
    ip.waitForFinished(5000);
    return QString::fromLocal8Bit(ip.readAllStandardOutput()).trimmed();
}

// Both links' boards, the real socket, the real host commands.
struct Laptop : RealSocketApp {
    Laptop() : link1(1), link2(2) { m_previous = SetHostCommandRunner(&runner); }
    ~Laptop() { SetHostCommandRunner(m_previous); }

    bool start(QString* error) {
        return startBoards(link1, kLink1, error) && startBoards(link2, kLink2, error);
    }

    // One search request, as the search's first tick sends it.
    bool search() {
        window->deviceTable().Clear();
        SearchExchange run(app->dispatch, app->ports, window->deviceTable());
        run.start();
        run.OnTimer();
        const bool found = SpinUntil([&] { return run.foundCount() >= kBoards; }, 5000);
        SpinFor(200); // the bridged board's second answer, and nothing more
        run.stop();
        return found;
    }

    bool select(const MacAddress& mac) {
        const auto& records = window->deviceTable().recordList();
        for (std::size_t i = 0; i < records.size(); ++i)
            if ((mac == records[i].mac)) {
                window->deviceTable().selectIndex(static_cast<std::int64_t>(i));
                return true;
            }
        return false;
    }

    SimulatorRig link1, link2;
    ProcessHostCommandRunner runner;

private:
    HostCommandRunner* m_previous = nullptr;
};

} // namespace

class EveryLinkEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason(2);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QString notHere;
        if (!InRigToolNamespace(&notHere))
            QFAIL(qPrintable(notHere));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        qInfo("default route: %s; rp_filter: %s",
              qEnvironmentVariable("QUORVEL_RIG_DEFAULT_ROUTE") == "1" ? "on link 1" : "none",
              qPrintable(ipCommand({"netns", "exec", qEnvironmentVariable("QUORVEL_RIG_TOOL_NS"),
                                    "sysctl", "-n", "net.ipv4.conf.all.rp_filter"})));
    }

    void eachLinkIsSearchedAndEachBoardReachedThroughItsOwn() {
        RecordingMessageSink sink;
        Laptop l;
        QString error;
        QVERIFY2(l.start(&error), qPrintable(error));
        QCOMPARE(l.opened, SocketOpenResult::Opened);
        QVERIFY(l.search());

        QCOMPARE(sink.texts(), QStringList());
        const DeviceTable& table = l.window->deviceTable();
        QCOMPARE(table.GetRecordCount(), std::uint32_t(kBoards)); // the bridged one once
        for (const DeviceRecord& r : table.recordList()) {
            const int link = r.ip[1] == 18 ? 1 : 2;
            QCOMPARE(r.interfaceIndex, linkIndex(link));
        }
        for (int link : {1, 2}) {
            const QList<LoggedDatagram> heard =
                (link == 1 ? l.link1 : l.link2).received(QStringLiteral("search"));
            QCOMPARE(heard.size(), 1);
            QCOMPARE(heard[0].from, l.boardsSeeUsAs(link)); // the link's own address
            QCOMPARE(heard[0].to, QStringLiteral("255.255.255.255:3040"));
        }

        // The factory-address board: no route leads there, or the default
        // route leads to the other link; its status comes through its own.
        QVERIFY(l.select(kForeignMac));
        StatusExchange exchange(l.app->dispatch, table.selectedRecord());
        PrtStatDlg status(exchange, l.window.get());
        exchange.requestStatus();
        QVERIFY(SpinUntil([&] { return !exchange.isWaiting(); }, 6000));
        QCOMPARE(status.windowTitle(), QStringLiteral("打印机状态"));
        std::uint16_t shown = 0;
        for (std::size_t bit = 0; bit < PrtStatDlg::kFlagBoxIds.size(); ++bit)
            if (qobject_cast<QCheckBox*>(status.control(PrtStatDlg::kFlagBoxIds[bit]))->isChecked())
                shown |= std::uint16_t(1u << bit);
        QCOMPARE(shown, std::uint16_t(0x2A55));
        const QList<LoggedDatagram> asked = l.link2.received(QStringLiteral("status"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].from, l.boardsSeeUsAs(2));
        QCOMPARE(asked[0].to, QStringLiteral("198.19.100.7:3040"));
        QVERIFY(l.link1.received(QStringLiteral("status")).isEmpty());
        QCOMPARE(sink.texts(), QStringList());
    }

    void theAssignRequestIsHeardOnEveryLink() {
        RecordingMessageSink sink;
        Laptop l;
        QString error;
        QVERIFY2(l.start(&error), qPrintable(error));
        QVERIFY(l.search());
        QVERIFY(l.select(kForeignMac));

        AssignExchange assign(l.app->dispatch, l.window->deviceTable().selectedRecord());
        CAssignDlg dialog(assign, l.window.get());
        const Ipv4Address ip = {198, 19, 0, 50}, mask = {255, 255, 255, 0},
                          gateway = {198, 19, 0, 1};
        dialog.addressControl(AssignControl::IpAddress)->setAddress(ip);
        dialog.addressControl(AssignControl::SubnetMask)->setAddress(mask);
        dialog.addressControl(AssignControl::Gateway)->setAddress(gateway);
        QVERIFY(qobject_cast<QCheckBox*>(dialog.control(AssignControl::PingGleaning))->isChecked());
        // The neighbour entry is on the board's link, whatever the routes say,
        // while the assignment runs; it leaves with the dialog.
        const QString entry =
            QStringLiteral("198.19.0.50 dev %1 lladdr 02:51:56:bb:00:12 PERMANENT proto 147")
                .arg(linkName(2));
        const auto neighbour = [] {
            return ipCommand({"-4", "neigh", "show", "to", "198.19.0.50"});
        };
        bool entrySeen = false;
        dialog.OnOK();
        QVERIFY(SpinUntil(
            [&] {
                entrySeen = entrySeen || neighbour() == entry;
                return assign.outcome() != AssignOutcome::Running;
            },
            10000));
        QCOMPARE(assign.statusText(), QStringLiteral("Success -- Device Programmed"));
        QCOMPARE(sink.texts(), QStringList());

        // Both links heard the same request; only the board with the MAC took it.
        const QList<LoggedDatagram> one = l.link1.received(QStringLiteral("assign"));
        const QList<LoggedDatagram> two = l.link2.received(QStringLiteral("assign"));
        QCOMPARE(one.size(), 1);
        QCOMPARE(two.size(), 1);
        QCOMPARE(one[0].bytes, two[0].bytes);
        QCOMPARE(one[0].from, l.boardsSeeUsAs(1));
        QCOMPARE(two[0].from, l.boardsSeeUsAs(2));
        QVERIFY(entrySeen);
        QVERIFY2(SpinUntil([&] { return !neighbour().contains("PERMANENT"); }, 3000),
                 qPrintable(neighbour()));

        QVERIFY(l.search());
        QVERIFY(l.select(kForeignMac));
        Ipv4Address now;
        QVERIFY(l.window->deviceTable().GetSelectedIp(now));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(now.data()), 4),
                 QByteArray("\xC6\x13\x00\x32", 4));
        QCOMPARE(l.window->deviceTable().GetSelectedInterfaceIndex(), linkIndex(2));
    }

    // Last: it takes the links down, and puts back only what the others need.
    void withNoUsableLinkTheSearchReportsCode101() {
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        for (int link : {1, 2})
            ipCommand({"link", "set", linkName(link), "down"});
        SearchExchange run(a.app->dispatch, a.app->ports, a.window->deviceTable());
        QSignalSpy ended(&run, &SearchExchange::ended);
        run.start();
        run.OnTimer();
        for (int link : {1, 2})
            ipCommand({"link", "set", linkName(link), "up"});
        if (qEnvironmentVariable("QUORVEL_RIG_DEFAULT_ROUTE") == "1")
            ipCommand({"route", "replace", "default", "dev", linkName(1)});

        QCOMPARE(sink.texts(), QStringList{QStringLiteral("Error Code: 101. Unable To Send Packet. "
                                                          "Please Check Network Connection.")});
        QVERIFY(run.sendAborted());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0][0].toBool(), false);
    }
};

QTEST_MAIN(EveryLinkEndToEndTest)
#include "EveryLinkEndToEndTest.moc"
