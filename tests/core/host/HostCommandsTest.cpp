#include "core/host/HostCommands.h"

#include "RecordingHostCommandRunner.h"
#include "core/host/ProcessHostCommandRunner.h"
#include "core/net/RouteTable.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace quorvel;
using quorvel::testing::RecordingHostCommandRunner;

namespace {

// One /proc/net/route line; the kernel prints each address as the raw
// network-order word read as a native integer.
QString routeLine(const char* iface, std::array<std::uint8_t, 4> destination,
                  std::array<std::uint8_t, 4> mask, unsigned flags, unsigned metric) {
    std::uint32_t d, m;
    std::memcpy(&d, destination.data(), 4);
    std::memcpy(&m, mask.data(), 4);
    return QString::asprintf("%s\t%08X\t00000000\t%04X\t0\t0\t%u\t%08X\t0\t0\t0\n", iface, d, flags,
                             metric, m);
}

const QString kRouteHeader = QStringLiteral(
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n");

} // namespace

class HostCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buildsTheWindowsTextAndTheArgumentVector_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("ip");
        QTest::addColumn<QByteArray>("mac");
        QTest::addColumn<QString>("interfaceName");
        QTest::addColumn<QString>("windowsText");
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("argv");

        const QByteArray ip("\xC0\xA8\x01\x32", 4);
        const QByteArray mac("\x00\x0B\x3C\x12\x34\x56", 6);
        QTest::newRow("arp -d, the board's link only")
            << "clear" << ip << mac << "eth1"
            << "arp -d *" << int(HostWindow::Hidden)
            << QStringList{"ip", "-4", "neigh", "flush", "dev", "eth1"};
        QTest::newRow("arp -s on the routing interface")
            << "static" << ip << mac << "eth0"
            << "arp -s 192.168.1.50 0-B-3C-12-34-56" << int(HostWindow::Hidden)
            << QStringList{
                   "ip",  "neigh",     "add", "192.168.1.50", "lladdr",   "00:0b:3c:12:34:56",
                   "nud", "permanent", "dev", "eth0",         "protocol", "147"};
        QTest::newRow("arp -s without a route")
            << "static" << ip << mac << ""
            << "arp -s 192.168.1.50 0-B-3C-12-34-56" << int(HostWindow::Hidden)
            << QStringList{"arp", "-s", "192.168.1.50", "00:0b:3c:12:34:56"};
        QTest::newRow("arp -s, high and zero bytes")
            << "static" << QByteArray("\x0A\x00\x00\x07", 4)
            << QByteArray("\xFF\xAB\x0C\x00\x01\xFE", 6) << "veth-tool"
            << "arp -s 10.0.0.7 FF-AB-C-0-1-FE" << int(HostWindow::Hidden)
            << QStringList{"ip",  "neigh",     "add", "10.0.0.7",  "lladdr",   "ff:ab:0c:00:01:fe",
                           "nud", "permanent", "dev", "veth-tool", "protocol", "147"};
        QTest::newRow("the entry removed")
            << "remove" << ip << mac << "veth-tool"
            << "arp -d 192.168.1.50" << int(HostWindow::Hidden)
            << QStringList{"ip", "neigh", "del", "192.168.1.50", "dev", "veth-tool"};
        QTest::newRow("the entry removed, no interface")
            << "remove" << ip << mac << ""
            << "arp -d 192.168.1.50" << int(HostWindow::Hidden)
            << QStringList{"arp", "-d", "192.168.1.50"};
        QTest::newRow("ping") << "ping" << ip << mac << ""
                              << "ping -n 6 192.168.1.50 " << int(HostWindow::Terminal)
                              << QStringList{"ping", "-c", "6", "192.168.1.50"};
        QTest::newRow("ping, no leading zeros")
            << "ping" << QByteArray("\x0A\x00\x00\x07", 4) << mac << ""
            << "ping -n 6 10.0.0.7 " << int(HostWindow::Terminal)
            << QStringList{"ping", "-c", "6", "10.0.0.7"};
        QTest::newRow("ping out of the board's link, same Windows text")
            << "ping" << ip << mac << "veth-b"
            << "ping -n 6 192.168.1.50 " << int(HostWindow::Terminal)
            << QStringList{"ping", "-I", "veth-b", "-c", "6", "192.168.1.50"};
    }

    void buildsTheWindowsTextAndTheArgumentVector() {
        QFETCH(QString, command);
        QFETCH(QByteArray, ip);
        QFETCH(QByteArray, mac);
        QFETCH(QString, interfaceName);
        Ipv4Address ipBytes;
        MacAddress macBytes;
        std::memcpy(ipBytes.data(), ip.constData(), 4);
        std::memcpy(macBytes.data(), mac.constData(), 6);
        const HostCommand built =
            command == "clear"    ? HostCommands::clearArpCache(interfaceName)
            : command == "static" ? HostCommands::staticArpEntry(ipBytes, macBytes, interfaceName)
            : command == "remove" ? HostCommands::removeNeighbourEntry(ipBytes, interfaceName)
                                  : HostCommands::ping(ipBytes, interfaceName);
        QTEST(built.windowsText, "windowsText");
        QTEST(int(built.window), "window");
        QTEST(built.argv, "argv");
    }

    void buildsTheQuickLaunchCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("ip");
        QTest::addColumn<QString>("windowsText");
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("argv");
        QTest::addColumn<QString>("url");

        const QByteArray ip10("\x0A\x00\x00\x07", 4);
        QTest::newRow("web page, no leading zeros")
            << "web" << ip10 << "http://10.0.0.7/" << int(HostWindow::Browser) << QStringList{}
            << "http://10.0.0.7/";
        QTest::newRow("web page, high bytes")
            << "web" << QByteArray("\xFF\xFE\x80\x01", 4) << "http://255.254.128.1/"
            << int(HostWindow::Browser) << QStringList{} << "http://255.254.128.1/";
        QTest::newRow("telnet") << "telnet" << ip10 << "explorer telnet://10.0.0.7"
                                << int(HostWindow::Terminal) << QStringList{"telnet", "10.0.0.7"}
                                << "";
    }

    void buildsTheQuickLaunchCommands() {
        QFETCH(QString, command);
        QFETCH(QByteArray, ip);
        Ipv4Address bytes;
        std::memcpy(bytes.data(), ip.constData(), 4);
        const HostCommand built =
            command == "web" ? HostCommands::webPage(bytes) : HostCommands::telnet(bytes);
        QTEST(built.windowsText, "windowsText");
        QTEST(int(built.window), "window");
        QTEST(built.argv, "argv");
        QTEST(built.url.toString(), "url");
    }

    void findsTheInterfaceThatRoutesToAnAddress_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("ip");
        QTest::addColumn<QString>("interfaceName");

        const QString routes = kRouteHeader +
                               routeLine("eth0", {0, 0, 0, 0}, {0, 0, 0, 0}, 3, 100) +
                               routeLine("wlan0", {192, 168, 1, 0}, {255, 255, 255, 0}, 1, 600) +
                               routeLine("eth0", {192, 168, 1, 0}, {255, 255, 255, 0}, 1, 100) +
                               routeLine("veth1", {198, 18, 0, 0}, {255, 254, 0, 0}, 1, 0) +
                               routeLine("tun0", {10, 8, 0, 0}, {255, 255, 0, 0}, 0, 0);
        QTest::newRow("lower metric wins among equals")
            << routes << QByteArray("\xC0\xA8\x01\x32", 4) << "eth0";
        QTest::newRow("longest prefix") << routes << QByteArray("\xC6\x13\x04\x04", 4) << "veth1";
        QTest::newRow("default route") << routes << QByteArray("\x08\x08\x08\x08", 4) << "eth0";
        QTest::newRow("a route that is down is skipped")
            << routes << QByteArray("\x0A\x08\x01\x01", 4) << "eth0";
        QTest::newRow("no default route")
            << kRouteHeader + routeLine("veth1", {198, 18, 0, 0}, {255, 254, 0, 0}, 1, 0)
            << QByteArray("\x08\x08\x08\x08", 4) << "";
        QTest::newRow("garbage") << "not a routing table\n\n\t\n"
                                 << QByteArray("\x08\x08\x08\x08", 4) << "";
    }

    void findsTheInterfaceThatRoutesToAnAddress() {
        QFETCH(QString, table);
        QFETCH(QByteArray, ip);
        Ipv4Address bytes;
        std::memcpy(bytes.data(), ip.constData(), 4);
        QTEST(QString::fromStdString(
                  RouteInterfaceFor(table.toStdString(), bytes).value_or(std::string())),
              "interfaceName");
    }

    // Root starts its tools from the system's directories only, whatever
    // PATH holds; anyone else through PATH.
    void findsHostToolsWhereRootTrustsThem() {
        QCOMPARE(HostProgramPath("ip", true), "/usr/sbin/ip");
        QCOMPARE(HostProgramPath("sh", true), "/usr/bin/sh");
        QCOMPARE(HostProgramPath("no-such-tool", true), "/usr/sbin/no-such-tool"); // fails to start
        QCOMPARE(HostProgramPath("/opt/x/ping", true), "/opt/x/ping");
        QCOMPARE(HostProgramPath("ip", false), "ip");
    }

    void runsEachCommandThroughItsOperation() {
        const Ipv4Address ip = {10, 0, 0, 7};
        const MacAddress mac = {0, 0x0B, 0x3C, 0x12, 0x34, 0x56};
        {
            RecordingHostCommandRunner runner;
            runner.routeInterface = QStringLiteral("veth-tool");
            HostCommands::run(HostCommands::clearArpCache(QStringLiteral("veth-tool")));
            HostCommands::run(HostCommands::staticArpEntry(ip, mac, QStringLiteral("veth-tool")));
            HostCommands::run(HostCommands::ping(ip));
            HostCommand web{QStringLiteral("http://10.0.0.7/"),
                            HostWindow::Browser,
                            {},
                            QUrl(QStringLiteral("http://10.0.0.7/"))};
            HostCommands::run(web);

            QCOMPARE(runner.runs.size(), std::size_t(4));
            QCOMPARE(runner.runs[0].how, HostWindow::Hidden);
            QCOMPARE(runner.runs[1].how, HostWindow::Hidden);
            QCOMPARE(runner.runs[1].command.argv.at(9), QStringLiteral("veth-tool"));
            QCOMPARE(runner.runs[2].how, HostWindow::Terminal);
            QCOMPARE(runner.runs[3].how, HostWindow::Browser);
            QCOMPARE(runner.runs[3].command.url.toString(), QStringLiteral("http://10.0.0.7/"));
        }
        // Without an installed runner nothing starts and nothing breaks.
        HostCommands::run(HostCommands::clearArpCache(QStringLiteral("veth-tool")));
        HostCommands::run(HostCommands::staticArpEntry(ip, mac, {}));
    }
};

QTEST_GUILESS_MAIN(HostCommandsTest)
#include "HostCommandsTest.moc"
