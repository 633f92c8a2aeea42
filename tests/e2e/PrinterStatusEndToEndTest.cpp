// "打印机状态" on a board the search listed, over the real socket against the
// board simulator: the real dialogs, the real 500 ms wait. Runs inside
// tests/e2e/rig.sh.
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/DeviceTable.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/PrtStatDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <ctime>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

// Three boards; the third answers searches but never a status request.
const char kBoards[] = "mac,ip,mask,gateway,name,description,left_label,right_label,status\n"
                       "02-51-56-AA-00-01,198.18.7.1,255.254.0.0,198.18.0.1,前台打印机,"
                       "80毫米热敏,开机时间,联网时间,0x2A55\n"
                       "02-51-56-AA-00-02,198.18.7.2,255.254.0.0,198.18.0.1,厨房打印机,"
                       "80毫米热敏,开机时间,联网时间,0x15AA\n"
                       "02-51-56-AA-00-03,198.18.7.3,255.254.0.0,198.18.0.1,仓库打印机,"
                       "58毫米热敏,开机时间,联网时间,0x3FFF\n";

bool startBoards(SimulatorRig& rig, QString* error) {
    const QString path = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/status-boards.csv";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kBoards) < 0) {
        *error = QStringLiteral("cannot write ") + path;
        return false;
    }
    file.close();
    return rig.start({"--boards", path, "--faulty-boards", "3", "--ignore", "status"}, error);
}

void click(QWidget* button) {
    qobject_cast<QAbstractButton*>(button)->click();
}

// "搜索", stopped with "终止" once all three boards are listed.
bool listBoards(RealSocketApp& a) {
    ModalDriver driver;
    driver.pollMs = 10;
    bool found = false;
    driver.drive = [&](QDialog& dialog) {
        auto& search = dynamic_cast<CSearchDlg&>(dialog);
        found = SpinUntil([&] { return search.foundCount() == 3; }, 5000);
        click(search.control(2));
    };
    driver.run([&] { click(a.window->control(1005)); });
    return found && a.window->deviceTable().GetRecordCount() == 3;
}

bool selectBoard(DeviceTable& table, int lastOctet) {
    for (std::uint32_t i = 0; i < table.GetRecordCount(); ++i)
        if (table.recordList()[i].ip[3] == lastOctet) {
            table.selectIndex(i);
            return true;
        }
    return false;
}

// What "刷新" showed, read before the dialog closes.
struct Refreshed {
    QString title;
    QList<int> checked;
    bool usable = false; // every flag box and "刷新" enabled
    double seconds = 0;  // from the press to the end of the wait
};

Refreshed refreshStatus(RealSocketApp& a) {
    Refreshed seen;
    ModalDriver driver;
    driver.pollMs = 10;
    driver.drive = [&](QDialog& dialog) {
        auto& status = dynamic_cast<PrtStatDlg&>(dialog);
        const double pressed = MonotonicNow();
        click(status.control(1041));
        SpinUntil([&] { return !status.isWaiting(); }, 10000);
        seen.seconds = MonotonicNow() - pressed;
        seen.title = status.windowTitle();
        seen.usable = status.control(1041)->isEnabled();
        for (int id : PrtStatDlg::kFlagBoxIds) {
            seen.usable = seen.usable && status.control(id)->isEnabled();
            if (qobject_cast<QCheckBox*>(status.control(id))->isChecked())
                seen.checked << id;
        }
        status.accept();
    };
    driver.run([&] { click(a.window->control(1027)); });
    return seen;
}

QList<int> boxesOf(std::uint16_t word) {
    QList<int> ids;
    for (std::size_t bit = 0; bit < PrtStatDlg::kFlagBoxIds.size(); ++bit)
        if (word & (1u << bit))
            ids << PrtStatDlg::kFlagBoxIds[bit];
    return ids;
}

} // namespace

class PrinterStatusEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
    }

    void theBoardsStatusWordShowsAfterRefresh_data() {
        QTest::addColumn<int>("board");
        QTest::addColumn<int>("word");
        QTest::newRow("198.18.7.1, 0x2A55") << 1 << 0x2A55;
        QTest::newRow("198.18.7.2, 0x15AA") << 2 << 0x15AA;
    }

    void theBoardsStatusWordShowsAfterRefresh() {
        QFETCH(int, board);
        QFETCH(int, word);
        SimulatorRig rig;
        QString error;
        QVERIFY2(startBoards(rig, &error), qPrintable(error));
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();
        QVERIFY(listBoards(a));
        QVERIFY(selectBoard(a.window->deviceTable(), board));

        const Refreshed seen = refreshStatus(a);
        QCOMPARE(seen.title, QStringLiteral("打印机状态"));
        QCOMPARE(seen.checked, boxesOf(static_cast<std::uint16_t>(word)));
        QVERIFY(seen.usable);
        QCOMPARE(a.app->dispatch.ExchangeMode, ExchangeNone);
        QVERIFY(sink.messages.empty());

        const QList<LoggedDatagram> asked = rig.received(QStringLiteral("status"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].bytes, QByteArray("\x04\x00\x00\x00", 4));
        QCOMPARE(asked[0].from, a.boardsSeeUsAs());
        QCOMPARE(asked[0].to, QStringLiteral("198.18.7.%1:3040").arg(board));
    }

    void aSilentBoardTimesOutAfterFourSeconds() {
        SimulatorRig rig;
        QString error;
        QVERIFY2(startBoards(rig, &error), qPrintable(error));
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();
        QVERIFY(listBoards(a));
        QVERIFY(selectBoard(a.window->deviceTable(), 3));

        const Refreshed seen = refreshStatus(a);
        qInfo("the wait ended after %.3f s", seen.seconds);
        QCOMPARE(seen.title, QStringLiteral("未找到打印机状态"));
        QCOMPARE(seen.checked, QList<int>()); // what was shown before stays
        QVERIFY(seen.usable);
        // Eight 500 ms ticks, within the timer's 5 % and a loaded machine's lateness.
        QVERIFY2(seen.seconds >= 3.6 && seen.seconds <= 6.0,
                 qPrintable(QString::number(seen.seconds)));
        QVERIFY(sink.messages.empty());
        const QList<LoggedDatagram> asked = rig.received(QStringLiteral("status"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].to, QStringLiteral("198.18.7.3:3040"));
    }
};

QTEST_MAIN(PrinterStatusEndToEndTest)
#include "PrinterStatusEndToEndTest.moc"
