// The printer status dialog as the view of its exchange: titles, the flag
// boxes and every way out. The wait itself is tested on the exchange
// (tests/core/StatusExchangeTest.cpp).
#include "gui/dialogs/PrtStatDlg.h"

#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;
using quorvel::testing::RecordingMessageSink;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kIdle = QStringLiteral("打印机状态");
const QString kWaiting = QStringLiteral("发送状态请求...");
const QString kTimedOut = QStringLiteral("未找到打印机状态");
const QString kOutOfPlace = QStringLiteral("Recevied an out-of-place Packet -- Discarding");
constexpr std::uint32_t kBoardIp = 0xC0A8014D; // 192.168.1.77
constexpr std::uint16_t kBoardPort = 3041;
constexpr std::uint32_t kStrangerIp = 0x0A090807;

// The application on the in-memory socket, with one board listed and
// selected, and the status exchange about it.
struct Rig {
    FakeDatagramSocket* socket = new FakeDatagramSocket;
    CQuorvelApp app{std::unique_ptr<DatagramSocket>(socket)};
    CQuorvelDlg window{app};
    StatusExchange status{app.dispatch, selectBoard()};

    std::optional<DeviceRecord> selectBoard() {
        DeviceRecord board;
        const Ipv4Address ip = {192, 168, 1, 77};
        board.ip = ip;
        board.replyPort = kBoardPort;
        board.interfaceIndex = 7;
        window.deviceTable().AddRecord(board);
        window.deviceTable().selectIndex(0);
        return window.deviceTable().selectedRecord();
    }
};

QList<int> checkedIds(const PrtStatDlg& dialog) {
    QList<int> ids;
    for (int id : PrtStatDlg::kFlagBoxIds)
        if (qobject_cast<QCheckBox*>(dialog.control(id))->isChecked())
            ids << id;
    return ids;
}

// Whether the fourteen boxes and "刷新" are all usable (true) or all not (false);
// a mixture fails.
bool controlsUsable(const PrtStatDlg& dialog, bool usable) {
    for (int id : PrtStatDlg::kFlagBoxIds)
        if (dialog.control(id)->isEnabled() != usable)
            return false;
    return dialog.control(PrinterStatusControl::Refresh)->isEnabled() == usable;
}

void tick(PrtStatDlg& dialog, int count) {
    for (int i = 0; i < count; ++i)
        dialog.exchange().OnTimer();
}

const QList<int> kAllFlags(PrtStatDlg::kFlagBoxIds.begin(), PrtStatDlg::kFlagBoxIds.end());

} // namespace

class PrtStatDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensIdleAndSendsNothing() {
        Rig rig;
        PrtStatDlg dialog(rig.status);
        QCOMPARE(rig.app.dispatch.mode(), ExchangePrinterStatus);
        QCOMPARE(rig.app.dispatch.lastClaimedBy(ExchangePrinterStatus), &rig.status);
        QCOMPARE(dialog.windowTitle(), kIdle);
        QVERIFY(controlsUsable(dialog, true));
        QCOMPARE(checkedIds(dialog), QList<int>{});
        QCOMPARE(dialog.progressBar()->minimum(), 0);
        QCOMPARE(dialog.progressBar()->maximum(), 40);
        QCOMPARE(dialog.progressBar()->value(), 0);
        QVERIFY(!dialog.isWaiting());
        QVERIFY(rig.socket->sent.empty());
    }

    void opensCentredOnTheScreen() {
        Rig rig;
        PrtStatDlg dialog(rig.status);
        const QRect area = dialog.screen()->availableGeometry();
        QVERIFY(qAbs(dialog.geometry().center().x() - area.center().x()) <= 1);
        QVERIFY(qAbs(dialog.geometry().center().y() - area.center().y()) <= 1);
    }

    void refreshAsksTheSelectedBoardOnce() {
        Rig rig;
        PrtStatDlg dialog(rig.status);
        qobject_cast<QPushButton*>(dialog.control(PrinterStatusControl::Refresh))->click();
        QCOMPARE(dialog.windowTitle(), kWaiting);
        QVERIFY(controlsUsable(dialog, false));
        QVERIFY(dialog.isWaiting());
        QCOMPARE(dialog.progressBar()->value(), 40);
        QCOMPARE(rig.socket->sent.size(), 1u);
        QCOMPARE(rig.socket->sent[0].bytes, (Bytes{0x04, 0, 0, 0}));
        QCOMPARE(rig.socket->sent[0].ip, kBoardIp);
        QCOMPARE(rig.socket->sent[0].port, kBoardPort);
        QCOMPARE(rig.socket->sent[0].interfaceIndex, 7u); // where the board answered
    }

    void silentBoardTimesOutOnTheEighthTickKeepingOldValues() {
        Rig rig;
        PrtStatDlg dialog(rig.status);
        rig.socket->push({0, 0, 0x01, 0x20});
        rig.socket->deliverAll();
        dialog.OnRefresh();
        QList<int> positions;
        for (int i = 0; i < 7; ++i) {
            dialog.exchange().OnTimer();
            positions << dialog.progressBar()->value();
            QCOMPARE(dialog.windowTitle(), kWaiting);
        }
        QCOMPARE(positions, (QList<int>{35, 30, 25, 20, 15, 10, 5}));
        dialog.exchange().OnTimer();
        QCOMPARE(dialog.windowTitle(), kTimedOut);
        QCOMPARE(dialog.progressBar()->value(), 0);
        QVERIFY(!dialog.isWaiting());
        QVERIFY(controlsUsable(dialog, true));
        QCOMPARE(checkedIds(dialog), (QList<int>{PrinterStatusControl::DrawerPin3High,
                                                 PrinterStatusControl::PaperOut}));

        // A stray tick after the wait changes nothing; "刷新" starts a new one.
        dialog.exchange().OnTimer();
        QCOMPARE(dialog.progressBar()->value(), 0);
        dialog.OnRefresh();
        QCOMPARE(rig.socket->sent.size(), 2u);
        QCOMPARE(dialog.windowTitle(), kWaiting);
    }

    void replyShowsTheFlags_data() {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<QList<int>>("checked");
        QTest::newRow("all clear") << Bytes{0, 0, 0, 0} << QList<int>{};
        QTest::newRow("all set, bits 14 and 15 ignored")
            << Bytes{0xAA, 0xBB, 0xFF, 0xFF} << kAllFlags;
        QTest::newRow("only bits 14 and 15") << Bytes{1, 2, 0x00, 0xC0} << QList<int>{};
        QTest::newRow("drawer pin 3")
            << Bytes{7, 7, 0x01, 0x00} << QList<int>{PrinterStatusControl::DrawerPin3High};
        QTest::newRow("paper out")
            << Bytes{7, 7, 0x00, 0x20} << QList<int>{PrinterStatusControl::PaperOut};
        QTest::newRow("recoverable error")
            << Bytes{7, 7, 0x00, 0x01} << QList<int>{PrinterStatusControl::RecoverableError};
        QTest::newRow("both paper feed boxes")
            << Bytes{7, 7, 0x28, 0x00}
            << QList<int>{PrinterStatusControl::PaperFeed, PrinterStatusControl::PaperFeed2};
    }

    // The answer comes after the third tick, from an address other than the
    // board's: it is shown at once and no time-out follows.
    void replyShowsTheFlags() {
        QFETCH(Bytes, reply);
        QFETCH(QList<int>, checked);
        Rig rig;
        PrtStatDlg dialog(rig.status);
        dialog.OnRefresh();
        tick(dialog, 3);
        rig.socket->push(reply, 9999, kStrangerIp);
        rig.socket->deliverAll();
        QCOMPARE(checkedIds(dialog), checked);
        QCOMPARE(dialog.windowTitle(), kIdle);
        QVERIFY(controlsUsable(dialog, true));
        QVERIFY(!dialog.isWaiting());
        QCOMPARE(dialog.progressBar()->value(), 0);
        tick(dialog, 10);
        QCOMPARE(dialog.windowTitle(), kIdle);
    }

    void closingDuringAWaitReleasesTheSocket_data() {
        QTest::addColumn<std::function<void(PrtStatDlg&)>>("close");
        QTest::newRow("OK") << std::function<void(PrtStatDlg&)>([](PrtStatDlg& d) {
            qobject_cast<QPushButton*>(d.control(PrinterStatusControl::Ok))->click();
        });
        QTest::newRow("Escape") << std::function<void(PrtStatDlg&)>(
            [](PrtStatDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); });
        QTest::newRow("close box")
            << std::function<void(PrtStatDlg&)>([](PrtStatDlg& d) { d.close(); });
    }

    void closingDuringAWaitReleasesTheSocket() {
        QFETCH(std::function<void(PrtStatDlg&)>, close);
        RecordingMessageSink sink;
        Rig rig;
        PrtStatDlg dialog(rig.status);
        dialog.show();
        dialog.OnRefresh();
        tick(dialog, 2);
        close(dialog);
        QVERIFY(dialog.isHidden());
        QCOMPARE(rig.app.dispatch.mode(), ExchangeNone);
        QVERIFY(!dialog.isWaiting());

        // The answer arrives after all: the dispatch reports it, the dialog never sees it.
        rig.socket->push({0, 0, 0xFF, 0x3F});
        rig.socket->deliverAll();
        QCOMPARE(sink.texts(), QStringList{kOutOfPlace});
        QCOMPARE(checkedIds(dialog), QList<int>{});
    }

    void clickingAFlagChangesNothing() {
        Rig rig;
        PrtStatDlg dialog(rig.status);
        rig.socket->push({0, 0, 0x01, 0x00});
        rig.socket->deliverAll();
        auto* set = qobject_cast<QCheckBox*>(dialog.control(PrinterStatusControl::DrawerPin3High));
        auto* clear = qobject_cast<QCheckBox*>(dialog.control(PrinterStatusControl::PaperOut));
        set->click();
        clear->click();
        QVERIFY(set->isChecked());
        QVERIFY(!clear->isChecked());
    }

    void mainWindowRunsTheDialogModallyForTheSelectedBoard() {
        RecordingMessageSink sink;
        Rig rig;
        int modeWhileOpen = -1;
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<PrtStatDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            opened = true;
            modeWhileOpen = rig.app.dispatch.mode();
            dialog->OnRefresh();
            dialog->reject();
        });
        qobject_cast<QPushButton*>(rig.window.control(MainControl::PrinterStatus))->click();
        QVERIFY(opened);
        QCOMPARE(modeWhileOpen, int(ExchangePrinterStatus));
        QCOMPARE(rig.app.dispatch.mode(), ExchangeNone);
        QCOMPARE(rig.socket->sent.size(), 1u);
        QCOMPARE(rig.socket->sent[0].ip, kBoardIp);
        QVERIFY(sink.messages.empty());
    }

    void mainWindowRefusesWithoutASelection() {
        RecordingMessageSink sink;
        Rig rig;
        rig.window.deviceTable().selectIndex(5);
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        qobject_cast<QPushButton*>(rig.window.control(MainControl::PrinterStatus))->click();
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QCOMPARE(sink.texts(), QStringList{QStringLiteral("请先选择一个打印机！")});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Information);
        QCOMPARE(rig.app.dispatch.mode(), ExchangeNone);
    }
};

QTEST_MAIN(PrtStatDlgTest)
#include "PrtStatDlgTest.moc"
