// The main window's search as a technician runs it, over the real socket
// against the board simulator: the real modal dialog and its real 250 ms
// timer. Runs inside tests/e2e/rig.sh.
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "gui/dialogs/CSearchDlg.h"

#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <set>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kOutOfPlace = QStringLiteral("Recevied an out-of-place Packet -- Discarding");

void click(CQuorvelDlg& window, int id) {
    qobject_cast<QAbstractButton*>(window.control(id))->click();
}

} // namespace

class MainWindowEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
    }

    // The one test that lets the whole ten seconds run in real time.
    void searchListsTheBoardsOnItsSchedule() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "3"}, &error), qPrintable(error));
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();

        ModalDriver driver;
        driver.pollMs = 50;
        QString foundAtClose;
        int result = -1;
        driver.drive = [&](QDialog& dialog) {
            auto& search = dynamic_cast<CSearchDlg&>(dialog);
            connect(&search, &QDialog::finished, this, [&](int code) {
                result = code;
                foundAtClose = search.foundText();
            });
        };
        const double clicked = MonotonicNow();
        driver.run([&] { click(*a.window, MainControl::Search); });
        const double returned = MonotonicNow();

        QCOMPARE(driver.opened, QStringList{QStringLiteral("quorvel::CSearchDlg")});
        QCOMPARE(result, int(QDialog::Accepted)); // closed by itself
        QCOMPARE(foundAtClose, QStringLiteral("找到 3 个设备"));
        QCOMPARE(a.app->dispatch.mode(), ExchangeNone);
        QVERIFY(sink.messages.empty());
        const DeviceTable& table = a.window->deviceTable();
        std::set<int> listed;
        for (const DeviceRecord& r : table.recordList())
            listed.insert(boardNumber(r));
        QCOMPARE(listed, (std::set<int>{1, 2, 3}));
        QCOMPARE(table.GetRecordCount(), 3u);

        // Boards answered at once, so only the first request and its two
        // fixed repeats went out: at the first tick, 2 s and 4 s.
        const QList<LoggedDatagram> heard = rig.received(QStringLiteral("search"));
        QCOMPARE(heard.size(), 3);
        const double expected[] = {0.25, 2.0, 4.0};
        for (int i = 0; i < 3; ++i) {
            const double at = heard[i].t - clicked;
            qInfo("request %d at %.3f s (expected about %.2f s)", i + 1, at, expected[i]);
            // The timer keeps within 5 %; a loaded machine may make it late.
            QVERIFY2(at >= expected[i] * 0.95 - 0.02 && at <= expected[i] + 0.75,
                     qPrintable(QString::number(at)));
            QCOMPARE(heard[i].bytes, heard[0].bytes);
            QCOMPARE(heard[i].from, a.boardsSeeUsAs());
            QCOMPARE(heard[i].to, QStringLiteral("255.255.255.255:3040"));
        }
        qInfo("the search window closed after %.3f s", returned - clicked);
        QVERIFY2(returned - clicked >= 9.5 && returned - clicked <= 12.0,
                 qPrintable(QString::number(returned - clicked)));
    }

    // Stopped before any board answers; then 10,000 answer at once, with no
    // dialog to take them. Each datagram is read and reported exactly once,
    // the boxes nest no deeper than the bound, and the window stays live.
    void lateRepliesAfterAStopOpenOnlyAFewBoxes() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "10000", "--late", "300"}, &error), qPrintable(error));
        RecordingMessageSink sink;
        // Like a real box that the user reads for a second: the event loop
        // keeps running inside it.
        sink.whileOpen = [] {
            QEventLoop loop;
            QTimer::singleShot(1000, &loop, &QEventLoop::quit);
            loop.exec();
        };
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();

        ModalDriver driver;
        driver.pollMs = 10;
        bool sentBeforeStop = false;
        driver.drive = [&](QDialog& dialog) {
            auto& search = dynamic_cast<CSearchDlg&>(dialog);
            sentBeforeStop = SpinUntil([&] { return search.exchange().tickCount() >= 1; }, 3000);
            qobject_cast<QPushButton*>(search.control(SearchControl::Stop))->click(); // "终止"
        };
        driver.run([&] { click(*a.window, MainControl::Search); });
        QVERIFY(sentBeforeStop);
        QCOMPARE(a.app->dispatch.mode(), ExchangeNone);
        QVERIFY(!a.app->dispatch.lastClaimedBy(ExchangeSearch));

        int heartbeats = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, this, [&] {
            if (MessageBoxDepth() > 0)
                ++heartbeats;
        });
        heartbeat.start(50);
        const auto reported = [&] { return int(sink.messages.size()) + SuppressedMessageCount(); };
        QVERIFY2(SpinUntil([&] { return reported() >= 10000; }, 20000),
                 qPrintable(QStringLiteral("%1 boxes and %2 dropped")
                                .arg(sink.messages.size())
                                .arg(SuppressedMessageCount())));
        SpinFor(200);

        const int shown = int(sink.messages.size());
        qInfo("%d boxes shown, %d messages dropped at the bound, deepest nesting %d", shown,
              SuppressedMessageCount(), MaxMessageBoxDepthSeen());
        QCOMPARE(shown + SuppressedMessageCount(), 10000);
        QCOMPARE(sink.texts(), QStringList(shown, kOutOfPlace));
        QCOMPARE(MaxMessageBoxDepthSeen(), kMaxNestedMessageBoxes);
        QVERIFY2(shown <= 3 * kMaxNestedMessageBoxes, qPrintable(QString::number(shown)));
        QVERIFY(heartbeats > 0);
        QVERIFY(!a.socket->hasPendingDatagram());
        QCOMPARE(a.window->deviceTable().GetRecordCount(), 0u);
        QCOMPARE(rig.received(QStringLiteral("search")).size(), 1);
    }
};

QTEST_MAIN(MainWindowEndToEndTest)
#include "MainWindowEndToEndTest.moc"
