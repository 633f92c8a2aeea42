// "打印机状态" on a board the search listed, and the overview of every board
// found, over the real socket against the board simulator: the real dialogs,
// the real 500 ms wait, the overview's real pace. Runs inside tests/e2e/rig.sh.
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/PrinterOverview.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/PrinterOverviewDlg.h"
#include "gui/dialogs/PrtStatDlg.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
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

bool startBoards(SimulatorRig& rig, QString* error, const char* boards = kBoards,
                 QStringList options = {"--faulty-boards", "3", "--ignore", "status"}) {
    const QString path = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/status-boards.csv";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(boards) < 0) {
        *error = QStringLiteral("cannot write ") + path;
        return false;
    }
    file.close();
    return rig.start(QStringList{"--boards", path} + options, error);
}

void click(QWidget* button) {
    qobject_cast<QAbstractButton*>(button)->click();
}

// "搜索", stopped with "终止" once all the boards are listed.
bool listBoards(RealSocketApp& a, std::uint32_t boards = 3) {
    ModalDriver driver;
    driver.pollMs = 10;
    bool found = false;
    driver.drive = [&](QDialog& dialog) {
        auto& search = dynamic_cast<CSearchDlg&>(dialog);
        found = SpinUntil([&] { return search.foundCount() == int(boards); }, 5000);
        click(search.control(SearchControl::Stop));
    };
    driver.run([&] { click(a.window->control(MainControl::Search)); });
    return found && a.window->deviceTable().GetRecordCount() == boards;
}

QStringList overviewColumn(const PrinterOverviewModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
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
        click(status.control(PrinterStatusControl::Refresh));
        SpinUntil([&] { return !status.isWaiting(); }, 10000);
        seen.seconds = MonotonicNow() - pressed;
        seen.title = status.windowTitle();
        seen.usable = status.control(PrinterStatusControl::Refresh)->isEnabled();
        for (int id : PrtStatDlg::kFlagBoxIds) {
            seen.usable = seen.usable && status.control(id)->isEnabled();
            if (qobject_cast<QCheckBox*>(status.control(id))->isChecked())
                seen.checked << id;
        }
        status.accept();
    };
    driver.run([&] { click(a.window->control(MainControl::PrinterStatus)); });
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
        QCOMPARE(a.app->dispatch.mode(), ExchangeNone);
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

    // The first board runs out of paper after its second answer, the second's
    // paper is near its end, the third answers once and then never again.
    void theOverviewShowsPaperOutWithinTwoRefreshes() {
        const char* const header =
            "mac,ip,mask,name,status,later_status,change_after,silent_after\n";
        SimulatorRig rig;
        QString error;
        QVERIFY2(startBoards(rig, &error,
                             QByteArray(header) +
                                 "02-51-56-AB-00-01,198.18.7.11,255.254.0.0,前台,0,0x2000,2,0\n"
                                 "02-51-56-AB-00-02,198.18.7.12,255.254.0.0,厨房,0x1000,0,0,0\n"
                                 "02-51-56-AB-00-03,198.18.7.13,255.254.0.0,仓库,0,0,0,1\n",
                             {}),
                 qPrintable(error));
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();
        QVERIFY(listBoards(a));

        // F9 opens it; the board menu's entry raises the same window.
        a.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(a.window.get()));
        QTest::keyClick(a.window.get(), Qt::Key_F9);
        const QPointer<PrinterOverviewDlg> overview = OpenedPrinterOverview(*a.window);
        QVERIFY(overview && overview->isVisible());
        QCOMPARE(overview->windowTitle(), QStringLiteral("打印机状态总览"));
        const std::unique_ptr<QMenu> menu(a.window->createBoardMenu());
        QAction* entry = menu->findChild<QAction*>(QStringLiteral("boardMenu.printerOverview"));
        QCOMPARE(entry->shortcut(), QKeySequence(Qt::Key_F9));
        entry->trigger();
        QCOMPARE(a.window->findChildren<PrinterOverviewDlg*>().size(), 1);

        using M = PrinterOverviewModel;
        const PrinterOverviewModel& model = overview->model();
        const auto conditionOf = [&](const QString& ip) {
            const int row = int(overviewColumn(model, M::IpColumn).indexOf(ip));
            return row < 0 ? QString() : model.index(row, M::ConditionColumn).data().toString();
        };
        QVERIFY(SpinUntil([&] { return conditionOf("198.18.7.11") == "缺纸"; }, 20000));
        const double shown = MonotonicNow();
        QList<LoggedDatagram> asked;
        for (const LoggedDatagram& d : rig.received(QStringLiteral("status")))
            if (d.to == QStringLiteral("198.18.7.11:3040"))
                asked << d;
        QVERIFY(asked.size() >= 3);
        qInfo("paper out shown %.3f s after the board's second answer set it", shown - asked[1].t);
        QVERIFY(shown - asked[1].t <= 2 * PrinterOverviewDlg::kRefreshMs / 1000.0);

        // Worst first; both rows that changed are highlighted.
        QVERIFY(SpinUntil([&] { return conditionOf("198.18.7.13") == "无应答"; }, 15000));
        QCOMPARE(overviewColumn(model, M::IpColumn),
                 QStringList({"198.18.7.13", "198.18.7.11", "198.18.7.12"}));
        QCOMPARE(overviewColumn(model, M::ConditionColumn),
                 QStringList({"无应答", "缺纸", "纸将尽"}));
        QCOMPARE(
            QList<bool>({model.isHighlighted(0), model.isHighlighted(1), model.isHighlighted(2)}),
            QList<bool>({true, true, false}));
        QVERIFY(model.flagText(0).startsWith(QStringLiteral("最后一次应答（")));
        QVERIFY(model.flagText(0).endsWith(QStringLiteral("）时的状态：\n没有状态标志。")));
        QCOMPARE(model.index(1, M::NameColumn).data(Qt::ToolTipRole).toString(), "缺纸");
        overview->view().setCurrentIndex(model.index(1, 0));
        auto* flags = overview->findChild<QLabel*>(QStringLiteral("flags"));
        QCOMPARE(flags->text(), QStringLiteral("缺纸"));

        // Tab goes from the list to the flags and "关闭", each with a name.
        overview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(overview));
        overview->view().setFocus();
        QStringList names;
        for (int i = 0; i < 3; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            names << QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                         ->text(QAccessible::Name);
        QCOMPARE(names, QStringList({"打印机列表", "所选打印机的状态标志", "Close"}));

        // A new search's boards join those already shown.
        QVERIFY2(startBoards(rig, &error,
                             QByteArray(header) +
                                 "02-51-56-AB-00-04,198.18.7.14,255.254.0.0,新机,0,0,0,0\n",
                             {}),
                 qPrintable(error));
        QVERIFY(listBoards(a, 1));
        QVERIFY(SpinUntil([&] { return conditionOf("198.18.7.14") == "正常"; }, 10000));
        QCOMPARE(model.rowCount(), 4);

        // Closed, it asks no board anything more.
        overview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!overview);
        const qsizetype before = rig.received(QStringLiteral("status")).size();
        SpinFor(PrinterOverviewDlg::kRefreshMs + 1000);
        QCOMPARE(rig.received(QStringLiteral("status")).size(), before);
        QVERIFY(sink.messages.empty());
    }
};

QTEST_MAIN(PrinterStatusEndToEndTest)
#include "PrinterStatusEndToEndTest.moc"
