#include "core/net/NetworkInterfaces.h"

#include <QTest>
#include <cerrno>
#include <net/if.h>

using namespace quorvel;

Q_DECLARE_METATYPE(std::vector<InterfaceEntry>)

namespace {

constexpr unsigned kUp = IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST;

InterfaceEntry v4(const char* name, unsigned index, unsigned flags, std::uint32_t address) {
    return {name, index, flags, address, std::nullopt};
}
InterfaceEntry other(const char* name, unsigned index, unsigned flags) {
    return {name, index, flags, std::nullopt, std::nullopt};
}

// "name/index/address" for the usable ones, "name:reason" for the others.
QStringList describe(const InterfaceSelection& s) {
    static const char* const reasons[] = {"down", "loopback", "no broadcast", "no IPv4",
                                          "not allowed"};
    QStringList out;
    for (const BroadcastInterface& i : s.usable)
        out << QStringLiteral("%1/%2/%3")
                   .arg(QString::fromStdString(i.name))
                   .arg(i.index)
                   .arg(i.address, 8, 16, QLatin1Char('0'));
    for (const SkippedInterface& i : s.skipped)
        out << QStringLiteral("%1:%2")
                   .arg(QString::fromStdString(i.name))
                   .arg(reasons[static_cast<int>(i.reason)]);
    return out;
}

} // namespace

class NetworkInterfacesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void selectsEachBroadcastCapableLinkOnce_data() {
        QTest::addColumn<std::vector<InterfaceEntry>>("entries");
        QTest::addColumn<QStringList>("allowed"); // "*": no allow-list
        QTest::addColumn<QStringList>("expected");

        const auto lo = v4("lo", 1, IFF_UP | IFF_LOOPBACK | IFF_RUNNING, 0x7F000001);
        const auto eth = v4("eth0", 2, kUp, 0xC6120001);
        QTest::newRow("a laptop: loopback and one cable")
            << std::vector{lo, other("lo", 1, IFF_UP | IFF_LOOPBACK), eth, other("eth0", 2, kUp)}
            << QStringList{"*"} << QStringList{"eth0/2/c6120001", "lo:loopback"};
        QTest::newRow("down, with an address")
            << std::vector{v4("eth1", 3, IFF_BROADCAST, 0xC6130001), eth} << QStringList{"*"}
            << QStringList{"eth0/2/c6120001", "eth1:down"};
        QTest::newRow("point-to-point tunnel: no broadcast")
            << std::vector{v4("tun0", 4, IFF_UP | IFF_POINTOPOINT | IFF_RUNNING, 0xC6120101)}
            << QStringList{"*"} << QStringList{"tun0:no broadcast"};
        QTest::newRow("up but only IPv6 or no address")
            << std::vector{other("eth2", 5, kUp), other("eth2", 5, kUp), eth} << QStringList{"*"}
            << QStringList{"eth0/2/c6120001", "eth2:no IPv4"};
        QTest::newRow("several addresses on one link: one send, from the first")
            << std::vector{other("eth0", 2, kUp), eth, v4("eth0", 2, kUp, 0xC6120063),
                           v4("eth0:1", 2, kUp, 0xC6130001)}
            << QStringList{"*"} << QStringList{"eth0/2/c6120001"};
        QTest::newRow("two cables, in the list's order")
            << std::vector{v4("wlan0", 7, kUp, 0xC6130101), eth} << QStringList{"*"}
            << QStringList{"wlan0/7/c6130101", "eth0/2/c6120001"};
        QTest::newRow("allow-list: only the named ones, the rest said why")
            << std::vector{lo, v4("wlan0", 7, kUp, 0xC6130101), eth,
                           v4("eth1", 3, IFF_BROADCAST, 0xC6130001)}
            << QStringList{"eth0", "eth1"}
            << QStringList{"eth0/2/c6120001", "lo:not allowed", "wlan0:not allowed", "eth1:down"};
        QTest::newRow("nothing at all")
            << std::vector<InterfaceEntry>{} << QStringList{"*"} << QStringList{};
    }

    void selectsEachBroadcastCapableLinkOnce() {
        QFETCH(std::vector<InterfaceEntry>, entries);
        QFETCH(QStringList, allowed);
        std::vector<std::string> names;
        for (const QString& n : allowed)
            names.push_back(n.toStdString());
        const bool all = allowed == QStringList{"*"};
        QTEST(describe(SelectBroadcastInterfaces(entries, all ? nullptr : &names)), "expected");
    }

    // A send failed only when no interface took it: then with the last
    // error, or ENETUNREACH when there was nothing to try.
    void sendsOnEachAndFailsOnlyWhenNoneTookIt_data() {
        QTest::addColumn<QList<int>>("results"); // what each interface's send returns
        QTest::addColumn<int>("expected");
        QTest::newRow("no usable interface") << QList<int>{} << ENETUNREACH;
        QTest::newRow("one, sent") << QList<int>{0} << 0;
        QTest::newRow("one, gone before the send") << QList<int>{ENODEV} << ENODEV;
        QTest::newRow("first gone, second sent") << QList<int>{ENODEV, 0} << 0;
        QTest::newRow("first sent, second full") << QList<int>{0, ENOBUFS} << 0;
        QTest::newRow("all failed: the last error") << QList<int>{ENODEV, EPERM} << EPERM;
    }

    void sendsOnEachAndFailsOnlyWhenNoneTookIt() {
        QFETCH(QList<int>, results);
        std::vector<BroadcastInterface> links;
        for (qsizetype i = 0; i < results.size(); ++i)
            links.push_back({"eth" + std::to_string(i), static_cast<unsigned>(i + 2), 0});
        QList<unsigned> tried;
        const int error = SendOnEach(links, [&](const BroadcastInterface& link) {
            tried << link.index;
            return results[static_cast<qsizetype>(link.index - 2)];
        });
        QTEST(error, "expected");
        QCOMPARE(tried.size(), results.size()); // a failure never stops the others
    }

    void readsTheHostsListWithLoopbackLeftOut() {
        const std::vector<InterfaceEntry> entries = ReadInterfaceEntries();
        QVERIFY(!entries.empty());
        for (const BroadcastInterface& i : SelectBroadcastInterfaces(entries).usable) {
            QVERIFY(i.index != 0);
            QCOMPARE(InterfaceName(i.index), i.name);
        }
        QCOMPARE(InterfaceName(0), std::string());
    }
};

QTEST_MAIN(NetworkInterfacesTest)
#include "NetworkInterfacesTest.moc"
