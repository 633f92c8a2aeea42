#include "core/host/NeighbourEntries.h"

#include "RecordingHostCommandRunner.h"

#include <QTest>

using namespace quorvel;
using quorvel::testing::RecordingHostCommandRunner;

namespace {

const Ipv4Address kIp = {198, 18, 1, 50};
const Ipv4Address kOtherIp = {198, 18, 1, 51};
const MacAddress kMac = {0x02, 0x51, 0x56, 0x00, 0x00, 0x02};
const MacAddress kZeroMac = {};

QStringList argvLines(const RecordingHostCommandRunner& runner) {
    QStringList lines;
    for (const auto& run : runner.runs)
        lines << run.command.argv.join(' ');
    return lines;
}

} // namespace

class NeighbourEntriesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void removesExactlyTheEntriesItAdded_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("claims");
        QTest::addColumn<int>("stderrLines");
        const QString flush = "ip -4 neigh flush dev veth0";
        const QString add = "ip neigh add 198.18.1.50 lladdr 02:51:56:00:00:02 nud permanent dev ";
        const QString add2 = "ip neigh add 198.18.1.51 lladdr 02:51:56:00:00:02 nud permanent dev ";
        const QString tag = " protocol 147";
        const QStringList adds{add + "veth0" + tag, add + "veth1" + tag, add + "veth0" + tag,
                               add2 + "veth0" + tag};
        // Claimed before each add; released when an add fails, and once an
        // entry is removed.
        const QStringList failedClaims{
            "+198.18.1.50 veth0", "-198.18.1.50 veth0", "+198.18.1.50 veth1", "-198.18.1.50 veth1",
            "+198.18.1.50 veth0", "-198.18.1.50 veth0", "+198.18.1.51 veth0", "-198.18.1.51 veth0"};
        QTest::newRow("added: removed on the interface it went to")
            << int(CommandOutcome::Succeeded)
            << QStringList{flush} + adds +
                   QStringList{"ip neigh del 198.18.1.50 dev veth0",
                               "ip neigh del 198.18.1.50 dev veth1",
                               "ip neigh del 198.18.1.51 dev veth0"}
            << QStringList{"+198.18.1.50 veth0", "+198.18.1.50 veth1", "+198.18.1.50 veth0",
                           "-198.18.1.50 veth0", "+198.18.1.51 veth0", "-198.18.1.50 veth0",
                           "-198.18.1.50 veth1", "-198.18.1.51 veth0"}
            << 0;
        // An add that fails found an entry there already: not ours to remove.
        QTest::newRow("already there: left alone")
            << int(CommandOutcome::Failed) << QStringList{flush} + adds << failedClaims << 0;
        QTest::newRow("no permission: said once, nothing to remove")
            << int(CommandOutcome::NotPermitted) << QStringList{flush} + adds << failedClaims << 1;
    }

    void removesExactlyTheEntriesItAdded() {
        QFETCH(int, outcome);
        RecordingHostCommandRunner runner;
        runner.routeInterface = QStringLiteral("veth0");
        runner.hiddenOutcome = CommandOutcome(outcome);
        QStringList written;
        {
            NeighbourEntries entries([&](const QString& line) { written << line; });
            entries.flush(kIp);
            entries.add(kIp, kMac);
            entries.add(kIp, kMac, QStringLiteral("veth1"));
            entries.add(kIp, kMac); // a repeat cycle: the same entry, removed once
            entries.add(kOtherIp, kMac);
            entries.add(kIp, kZeroMac); // never an entry for an all-zero MAC
        }                               // however the dialog closes, the entries go with it
        QTEST(argvLines(runner), "expected");
        QTEST(runner.claims, "claims");
        QTEST(int(written.size()), "stderrLines");
    }

    // Without a route there is no interface, and an add without one would
    // replace whatever entry is there.
    void noRouteMeansNoEntry() {
        RecordingHostCommandRunner runner;
        runner.routeInterface.clear();
        QStringList written;
        NeighbourEntries([&](const QString& line) { written << line; }).add(kIp, kMac);
        QVERIFY(runner.runs.empty());
        QCOMPARE(written.size(), 1);
    }

    void anEntryThatLandsAfterTheCloseIsRemovedThen() {
        OutcomeHandler late;
        struct Deferring : RecordingHostCommandRunner {
            OutcomeHandler* keep = nullptr;
            void runHidden(const HostCommand& c, OutcomeHandler onEnd) override {
                runs.push_back({HostWindow::Hidden, c});
                *keep = std::move(onEnd);
            }
        } deferring;
        deferring.keep = &late;
        NeighbourEntries entries;
        entries.add(kIp, kMac);
        entries.removeAll();
        QCOMPARE(deferring.runs.size(), std::size_t(1));
        late(CommandOutcome::Succeeded);
        QCOMPARE(deferring.runs.size(), std::size_t(2));
        QCOMPARE(deferring.runs[1].command.windowsText, QStringLiteral("arp -d 198.18.1.50"));
    }
};

QTEST_GUILESS_MAIN(NeighbourEntriesTest)
#include "NeighbourEntriesTest.moc"
