#include "FakeDatagramSocket.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshStartShowsTheListAndFourButtons() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        QCOMPARE(CQuorvelApp::instance(), &app);
        window.show();
        QStringList shownButtons;
        for (QPushButton* button : window.findChildren<QPushButton*>())
            if (button->isVisible())
                shownButtons << button->text();
        shownButtons.sort();
        QStringList expected{"退出", "搜索", "修改IP", "打印机状态"};
        expected.sort();
        QCOMPARE(shownButtons, expected);
        QVERIFY(window.control(MainControl::BoardList)->isVisible());
        for (int id :
             {MainControl::ShowMac, MainControl::ShowLeftColumn, MainControl::ShowRightColumn}) {
            auto* box = qobject_cast<QCheckBox*>(window.control(id));
            QVERIFY(box->isHidden());
            QVERIFY(box->isChecked());
        }
        auto* combo = qobject_cast<QComboBox*>(window.control(MainControl::SortOrder));
        QCOMPARE(combo->currentText(), QStringLiteral("Unsorted"));
        QCOMPARE(window.deviceTable().sortMode, 3);
        QCOMPARE(window.windowTitle(), QStringLiteral("Tarnex网络打印机设置程序 v1.0 "));
    }

    void hiddenCommandsStillAnswer() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        auto* addEntry = qobject_cast<QPushButton*>(window.control(MainControl::AddEntry));
        for (int i = 0; i < 4; ++i)
            addEntry->click();
        QCOMPARE(window.deviceTable().GetRecordCount(), 4u);
        MacAddress mac;
        for (std::uint32_t i = 0; i < 4; ++i) {
            QVERIFY(window.deviceTable().GetMacAt(i, mac));
            QCOMPARE(mac[0], 25);
        }
        auto* showMac = qobject_cast<QCheckBox*>(window.control(MainControl::ShowMac));
        showMac->click();
        QVERIFY(!window.deviceTable().showMac);
        qobject_cast<QPushButton*>(window.control(MainControl::Clear))->click();
        QCOMPARE(window.deviceTable().GetRecordCount(), 0u);
    }

    void choosingIpAddressSortsAtOnce() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        DeviceTable& table = window.deviceTable();
        for (std::uint8_t last : {2, 1, 3}) {
            DeviceRecord r;
            r.ip[3] = last;
            table.AddRecord(r);
        }
        auto* combo = qobject_cast<QComboBox*>(window.control(MainControl::SortOrder));
        combo->setCurrentIndex(2);
        Q_EMIT combo->activated(2);
        QCOMPARE(table.sortMode, 2);
        QCOMPARE(window.sortIndex(), 2);
        QCOMPARE(table.recordList()[0].ip[3], 1);
        QCOMPARE(table.recordList()[2].ip[3], 3);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
