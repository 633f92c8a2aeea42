#include "FakeDatagramSocket.h"
#include "RecordingHostCommandRunner.h"
#include "RecordingMessageSink.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/boardlist/CNetDisplay.h"
#include "protocol/BoardColumns.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

DeviceRecord board(std::uint8_t last, std::string name) {
    DeviceRecord r;
    r.name = std::move(name);
    const Ipv4Address ip = {198, 18, 3, last};
    r.ip = ip;
    r.mac[0] = 0xAC;
    r.mac[5] = last;
    return r;
}

struct Fixture {
    Fixture() : app(std::make_unique<FakeDatagramSocket>()) {
        window.deviceTable().AddRecord(board(50, "Front, \"A\""));
        window.deviceTable().AddRecord(board(7, "Back"));
    }
    QAction* action(const char* name) {
        return menu->findChild<QAction*>(QStringLiteral("boardMenu.") + QLatin1String(name));
    }
    // What a command said and ran, for comparing the menu with the buttons.
    QString outcome() {
        QStringList seen = sink.texts();
        for (const auto& run : runner.runs)
            seen << run.command.windowsText;
        sink.messages.clear();
        runner.runs.clear();
        return seen.join(QLatin1Char('|'));
    }

    CQuorvelApp app;
    CQuorvelDlg window{app};
    RecordingHostCommandRunner runner;
    RecordingMessageSink sink;
    std::unique_ptr<QMenu> menu{window.createBoardMenu()};
};

} // namespace

class BoardMenuTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theMenuHoldsTheBoardCommandsInOrder() {
        Fixture f;
        QStringList texts;
        for (QAction* action : f.menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        QCOMPARE(texts, (QStringList{"修改IP", "打印机状态", "打印机状态总览", "打开网页", "Telnet",
                                     "复制 IP", "复制 MAC", "导出列表…", "搜索设置…",
                                     "为什么找不到设备？"}));
    }

    // Without a selection each command refuses exactly as its button does.
    void theCommandsRefuseAsTheButtonsDo_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("button");
        QTest::newRow("modify IP") << "modifyIp" << int(MainControl::ModifyIp);
        QTest::newRow("printer status") << "printerStatus" << int(MainControl::PrinterStatus);
        QTest::newRow("web page") << "webPage" << int(MainControl::Browser);
        QTest::newRow("telnet") << "telnet" << int(MainControl::Telnet);
        QTest::newRow("copy IP") << "copyIp" << int(MainControl::ModifyIp);
        QTest::newRow("copy MAC") << "copyMac" << int(MainControl::ModifyIp);
    }
    void theCommandsRefuseAsTheButtonsDo() {
        QFETCH(QString, action);
        QFETCH(int, button);
        Fixture f;
        qobject_cast<QPushButton*>(f.window.control(button))->click();
        const QString byButton = f.outcome();
        QVERIFY(!byButton.isEmpty());
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        f.action(qPrintable(action))->trigger();
        QCOMPARE(f.outcome(), byButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void theCommandsActOnTheSelectedBoard() {
        Fixture f;
        f.window.deviceTable().selectIndex(1);
        f.action("webPage")->trigger();
        f.action("telnet")->trigger();
        QCOMPARE(f.runner.windowsTexts(),
                 (QStringList{"http://198.18.3.7/", "explorer telnet://198.18.3.7"}));
        f.action("copyIp")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("198.18.3.7"));
        f.action("copyMac")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("AC-00-00-00-00-07"));
        QVERIFY(f.sink.messages.empty());
    }

    void exportWritesEveryListedBoard() {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("found.csv"));
        f.window.setExportPathChooser([&] { return path; });
        f.action("export")->trigger();
        QVERIFY(f.sink.messages.empty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // header, two boards, the empty rest after the last CRLF
        QCOMPARE(lines[0] + '\n', QByteArray::fromStdString(BoardCsvHeader()));
        QVERIFY(lines[1].contains(",\"Front, \"\"A\"\"\","));
        QVERIFY(lines[2].startsWith("AC-00-00-00-00-07,198.18.3.7,"));

        // Cancelled: nothing written, nothing said.
        f.window.setExportPathChooser([] { return QString(); });
        f.action("export")->trigger();
        QVERIFY(f.sink.messages.empty());
    }

    void anExportThatFailsNamesThePathAndTheReason() {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("no such folder/found.csv"));
        f.window.setExportPathChooser([&] { return path; });
        f.action("export")->trigger();
        QCOMPARE(f.sink.messages.size(), std::size_t(1));
        QCOMPARE(f.sink.messages[0].icon, MessageIcon::Error);
        const QString text = f.sink.messages[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("无法导出列表到 ") + path + QStringLiteral("：")),
                 qPrintable(text));
        QVERIFY(text.size() > path.size() + 10); // the system's reason follows
        QVERIFY(!QFile::exists(path));
    }

    // A right click selects the board under the pointer first; the menu key
    // opens the menu on the selected board.
    void rightClickAndMenuKeyAskForTheMenu() {
        Fixture f;
        CNetDisplay& list = f.window.deviceList();
        QSignalSpy asked(&list, &CNetDisplay::boardMenuRequested);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(40, 90),
                                list.mapToGlobal(QPoint(40, 90)));
        QCoreApplication::sendEvent(&list, &click);
        QCOMPARE(f.window.deviceTable().selectedIndex, 1);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0][0].toPoint(), list.mapToGlobal(QPoint(40, 90)));

        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0),
                              list.mapToGlobal(QPoint(0, 0)));
        QCoreApplication::sendEvent(&list, &key);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1][0].toPoint(), list.mapToGlobal(list.cellRect(1).center()));
        QCOMPARE(f.window.deviceTable().selectedIndex, 1);
    }
};

QTEST_MAIN(BoardMenuTest)
#include "BoardMenuTest.moc"
