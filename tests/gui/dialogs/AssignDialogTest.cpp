// The assign dialog as the view of its exchange: the fields it starts from
// and sends, the options it hands over, what it shows and every way out. The
// timetable and the verdicts are tested on the exchange
// (tests/core/AssignExchangeTest.cpp).
#include "FakeDatagramSocket.h"
#include "RecordingHostCommandRunner.h"
#include "RecordingMessageSink.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/IpAddressEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kTimeout = QStringLiteral("Timeout -- Did not receive an acknowlegement");
const QString kArpS = QStringLiteral("arp -s 192.168.1.50 0-B-3C-12-34-56");
const QString kPing = QStringLiteral("ping -n 6 192.168.1.50 ");

std::array<std::uint8_t, 4> dotted(const QString& text) {
    const QStringList parts = text.split('.');
    return {std::uint8_t(parts[0].toUInt()), std::uint8_t(parts[1].toUInt()),
            std::uint8_t(parts[2].toUInt()), std::uint8_t(parts[3].toUInt())};
}

// The main window with one selected board, and the assign dialog over it.
struct Fixture {
    Fixture() : fake(new FakeDatagramSocket), app(std::unique_ptr<DatagramSocket>(fake)) {
        window.deviceTable().AddRecord(selectedBoard());
        window.deviceTable().selectIndex(0);
        dialog = std::make_unique<CAssignDlg>(assign, &window);
        setAddress(AssignControl::IpAddress, {192, 168, 1, 50});
        setAddress(AssignControl::SubnetMask, {255, 255, 255, 0});
        setAddress(AssignControl::Gateway, {192, 168, 1, 1});
    }

    void setAddress(int id, std::array<std::uint8_t, 4> value) {
        const Ipv4Address bytes = {value[0], value[1], value[2], value[3]};
        dialog->addressControl(id)->setAddress(bytes);
    }
    QCheckBox* box(int id) const { return qobject_cast<QCheckBox*>(dialog->control(id)); }
    QPushButton* ok() const {
        return qobject_cast<QPushButton*>(dialog->control(AssignControl::Ok));
    }
    QString statusLine() const {
        return qobject_cast<QLineEdit*>(dialog->control(AssignControl::StatusLine))->text();
    }
    void start() { ok()->click(); }
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            assign.OnTimer();
    }
    Bytes reply(std::uint8_t result) const {
        return {0x03, result, static_cast<std::uint8_t>(assign.randomNumber >> 8),
                static_cast<std::uint8_t>(assign.randomNumber & 0xFF)};
    }
    void deliver(Bytes bytes) {
        fake->push(std::move(bytes));
        fake->deliverAll();
    }
    Bytes request() const { return {assign.requestBuffer.begin(), assign.requestBuffer.end()}; }

    RecordingMessageSink sink;
    RecordingHostCommandRunner host;
    FakeDatagramSocket* fake;
    CQuorvelApp app;
    CQuorvelDlg window{app};
    AssignExchange assign{app.dispatch, selectedBoard()};
    std::unique_ptr<CAssignDlg> dialog;

private:
    // The board the window lists and selects, as the exchange is handed it.
    DeviceRecord selectedBoard() const {
        DeviceRecord board;
        board.staticAddress = 0; // the board reports DHCP
        const MacAddress mac = {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56};
        board.mac = mac;
        const Ipv4Address ip = {10, 1, 2, 3}, mask = {255, 0, 0, 0}, gateway = {10, 0, 0, 1};
        board.ip = ip;
        board.subnetMask = mask;
        board.gateway = gateway;
        board.replyPort = 50123;
        return board;
    }
};

} // namespace

class AssignDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheSelectedBoardsAddressesAndDhcpCleared() {
        Fixture f;
        CAssignDlg dialog(f.assign, &f.window); // fields as the opening leaves them
        QCOMPARE(f.app.dispatch.mode(), ExchangeAssign);
        QCOMPARE(f.app.dispatch.lastClaimedBy(ExchangeAssign), &f.assign);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("分配IP地址"));
        QCOMPARE(dialog.addressControl(AssignControl::IpAddress)->text(),
                 QStringLiteral("10.1.2.3"));
        QCOMPARE(dialog.addressControl(AssignControl::SubnetMask)->text(),
                 QStringLiteral("255.0.0.0"));
        QCOMPARE(dialog.addressControl(AssignControl::Gateway)->text(), QStringLiteral("10.0.0.1"));
        auto* dhcp = qobject_cast<QCheckBox*>(dialog.control(AssignControl::UseDhcp));
        QVERIFY(!dhcp->isChecked());
        for (int id : {AssignControl::IpAddress, AssignControl::SubnetMask, AssignControl::Gateway})
            QVERIFY(dialog.control(id)->isEnabled());
        QVERIFY(!qobject_cast<QCheckBox*>(dialog.control(AssignControl::Repeat))->isChecked());
        QVERIFY(
            qobject_cast<QCheckBox*>(dialog.control(AssignControl::CloseOnSuccess))->isChecked());
        auto* gleaning = qobject_cast<QCheckBox*>(dialog.control(AssignControl::PingGleaning));
        QVERIFY(gleaning->isChecked());
        QVERIFY(gleaning->isHidden());
        QCOMPARE(qobject_cast<QLineEdit*>(dialog.control(AssignControl::StatusLine))->text(),
                 QStringLiteral("10 seconds remaining"));
        QCOMPARE(qobject_cast<QProgressBar*>(dialog.control(AssignControl::Countdown))->value(),
                 10000);
        QVERIFY(dialog.control(AssignControl::Ok)->isEnabled());
        QVERIFY(dialog.control(AssignControl::Cancel)->isEnabled());
        QVERIFY(f.fake->sent.empty());
        QVERIFY(f.host.runs.empty());
    }

    void dhcpDisablesTheFieldsButTheirAddressesStillTravel() {
        Fixture f;
        f.box(AssignControl::UseDhcp)->click();
        for (int id : {AssignControl::IpAddress, AssignControl::SubnetMask, AssignControl::Gateway})
            QVERIFY(!f.dialog->control(id)->isEnabled());
        QCOMPARE(f.dialog->addressControl(AssignControl::IpAddress)->text(),
                 QStringLiteral("192.168.1.50"));
        f.start();
        const std::uint16_t n = f.assign.randomNumber;
        const Bytes expected = {0x02,
                                0x01,
                                std::uint8_t(n >> 8),
                                std::uint8_t(n & 0xFF),
                                0xC0,
                                0xA8,
                                0x01,
                                0x32,
                                0xFF,
                                0xFF,
                                0xFF,
                                0x00,
                                0xC0,
                                0xA8,
                                0x01,
                                0x01,
                                0x00,
                                0x0B,
                                0x3C,
                                0x12,
                                0x34,
                                0x56,
                                0x00,
                                0x00};
        QCOMPARE(f.request(), expected);
        f.box(AssignControl::UseDhcp)->click();
        for (int id : {AssignControl::IpAddress, AssignControl::SubnetMask, AssignControl::Gateway})
            QVERIFY(f.dialog->control(id)->isEnabled());
    }

    void okStartsTheAssignment() {
        Fixture f;
        f.start();
        QCOMPARE(f.host.windowsTexts(), QStringList{"arp -d *"});
        QCOMPARE(f.host.runs[0].how, HostWindow::Hidden);
        QVERIFY(!f.ok()->isEnabled());
        QVERIFY(f.assign.tickTimer().isActive());
        QCOMPARE(f.assign.tickTimer().interval(), 250);
        QVERIFY(f.fake->sent.empty());
    }

    void checksTheAddressesBeforeAnythingIsSent_data() {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<bool>("started");
        const QString farGateway = "Default gateway: 198.19.0.1 is outside the subnet of the IP "
                                   "address, so the device may not reach it.\nSend these "
                                   "settings anyway?";
        QTest::newRow("usable") << "198.18.1.50"
                                << "255.255.255.0"
                                << "198.18.1.1" << false << false << "" << true;
        QTest::newRow("no gateway") << "198.18.1.50"
                                    << "255.255.255.0"
                                    << "0.0.0.0" << false << false << "" << true;
        QTest::newRow("loopback") << "127.0.0.9"
                                  << "255.0.0.0"
                                  << "0.0.0.0" << false << false
                                  << "IP address: 127.0.0.9 is a loopback address (127.x.x.x)."
                                  << false;
        QTest::newRow("all zero") << "0.0.0.0"
                                  << "255.0.0.0"
                                  << "0.0.0.0" << false << false
                                  << "IP address: 0.0.0.0 is not an address a device can take."
                                  << false;
        QTest::newRow("gapped mask")
            << "198.18.1.50"
            << "255.0.255.0"
            << "0.0.0.0" << false << false
            << "Subnet mask: 255.0.255.0 is not a subnet mask: its ones must come first, without "
               "gaps."
            << false;
        QTest::newRow("subnet broadcast")
            << "198.18.1.255"
            << "255.255.255.0"
            << "0.0.0.0" << false << false
            << "IP address: 198.18.1.255 is the broadcast address of its own subnet." << false;
        QTest::newRow("far gateway, Yes") << "198.18.1.50"
                                          << "255.255.255.0"
                                          << "198.19.0.1" << false << true << farGateway << true;
        QTest::newRow("far gateway, No") << "198.18.1.50"
                                         << "255.255.255.0"
                                         << "198.19.0.1" << false << false << farGateway << false;
        QTest::newRow("DHCP checks nothing") << "0.0.0.0"
                                             << "0.0.0.0"
                                             << "9.9.9.9" << true << false << "" << true;
    }

    void checksTheAddressesBeforeAnythingIsSent() {
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        QFETCH(QString, gateway);
        QFETCH(bool, dhcp);
        QFETCH(bool, answerYes);
        QFETCH(QString, message);
        QFETCH(bool, started);
        Fixture f;
        f.setAddress(AssignControl::IpAddress, dotted(ip));
        f.setAddress(AssignControl::SubnetMask, dotted(mask));
        f.setAddress(AssignControl::Gateway, dotted(gateway));
        if (dhcp)
            f.box(AssignControl::UseDhcp)->click();
        f.sink.answerYes = answerYes;
        f.start();

        QCOMPARE(f.sink.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(f.sink.messages[0].icon,
                     message.endsWith("anyway?") ? MessageIcon::Question : MessageIcon::Warning);
        QCOMPARE(f.assign.tickTimer().isActive(), started);
        QCOMPARE(f.host.windowsTexts(), started ? QStringList{"arp -d *"} : QStringList{});
        // A refusal leaves the dialog as it was: fields, boxes, OK.
        QCOMPARE(f.ok()->isEnabled(), !started);
        QCOMPARE(f.ok()->text(), QStringLiteral("确定"));
        QCOMPARE(f.dialog->addressControl(AssignControl::IpAddress)->text(), ip);
        QCOMPARE(f.box(AssignControl::UseDhcp)->isChecked(), dhcp);
        QCOMPARE(f.app.dispatch.mode(), ExchangeAssign);
    }

    // The typed address is this computer's own: asked in the command line's
    // words; sent anyway, without host steps.
    void asksBeforeGivingAwayTheHostsOwnAddress() {
        for (const bool yes : {false, true}) {
            Fixture f;
            f.host.facts.ownAddresses = {{{192, 168, 1, 50}, "eth1"}};
            f.sink.answerYes = yes;
            f.start();
            QCOMPARE(f.sink.texts(),
                     QStringList{"IP address 192.168.1.50 is this computer's own address "
                                 "(on eth1); a printer with it would take this "
                                 "computer's traffic.\nSend these settings anyway?"});
            QCOMPARE(f.sink.messages[0].icon, MessageIcon::Question);
            QCOMPARE(f.assign.tickTimer().isActive(), yes);
            QVERIFY(f.host.runs.empty());
        }
    }

    void showsTheCountdownAndTheStatusLine() {
        Fixture f;
        f.start();
        f.tick(33);
        QCOMPARE(qobject_cast<QProgressBar*>(f.dialog->control(AssignControl::Countdown))->value(),
                 1750);
        QCOMPARE(f.statusLine(), QStringLiteral("1 seconds remaining"));
        f.tick(7);
        QCOMPARE(f.statusLine(), kTimeout);
        QCOMPARE(f.ok()->text(), QStringLiteral("Close"));
        QVERIFY(f.ok()->isEnabled());
    }

    void handsItsOptionsToTheExchange() {
        Fixture f;
        f.box(AssignControl::PingGleaning)
            ->setChecked(false);                        // ping gleaning off: the request at 9.0 s
        f.box(AssignControl::Repeat)->setChecked(true); // repeat: no time-out
        f.start();
        f.tick(80);
        QCOMPARE(f.fake->sent.size(), std::size_t(2));
        QCOMPARE(f.host.windowsTexts().count(kPing), 0);
        QVERIFY(f.assign.outcome() != AssignOutcome::NoAnswer);
    }

    void showsTheBoardsVerdict_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("closeOnSuccess");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<bool>("closed");

        QTest::newRow("MAC not recognised")
            << 0 << true << "Failure -- Device did not recognize MAC address"
            << "Close" << true << false;
        QTest::newRow("programmed, closes") << 1 << true << "Success -- Device Programmed"
                                            << "Close" << true << true;
        QTest::newRow("programmed, stays") << 1 << false << "Success -- Device Programmed"
                                           << "Close" << true << false;
        QTest::newRow("unknown error") << 255 << true << "Failure -- Unknown Error"
                                       << "确定" << true << false;
        QTest::newRow("other code stalls") << 7 << true << "7 seconds remaining"
                                           << "确定" << false << false;
    }

    void showsTheBoardsVerdict() {
        QFETCH(int, result);
        QFETCH(bool, closeOnSuccess);
        QFETCH(bool, okEnabled);
        QFETCH(bool, closed);
        Fixture f;
        f.box(AssignControl::CloseOnSuccess)->setChecked(closeOnSuccess);
        QSignalSpy finishedSpy(f.dialog.get(), &QDialog::finished);
        f.start();
        f.tick(10);
        f.deliver(f.reply(std::uint8_t(result)));
        QTEST(f.statusLine(), "text");
        QTEST(f.ok()->text(), "label");
        QCOMPARE(f.ok()->isEnabled(), okEnabled);
        QCOMPARE(finishedSpy.size(), closed ? 1 : 0);
        if (closed) {
            QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
            return;
        }
        f.ok()->click();
        QCOMPARE(finishedSpy.size(), okEnabled ? 1 : 0);
        if (okEnabled)
            QCOMPARE(f.app.dispatch.mode(), ExchangeNone);
    }

    void editsAfterOkChangeNothingInTheRunningAssignment() {
        Fixture f;
        f.box(AssignControl::Repeat)->setChecked(true);
        f.start();
        const Bytes atOk = f.request();
        const std::uint16_t number = f.assign.randomNumber;
        f.setAddress(AssignControl::IpAddress, {10, 9, 9, 9});
        f.setAddress(AssignControl::SubnetMask, {255, 0, 0, 0});
        f.setAddress(AssignControl::Gateway, {10, 9, 9, 1});
        f.box(AssignControl::UseDhcp)->click();
        f.tick(90);
        QCOMPARE(f.fake->sent.size(), std::size_t(3));
        for (const auto& sent : f.fake->sent)
            QCOMPARE(sent.bytes, atOk);
        QCOMPARE(f.assign.randomNumber, number);
        for (const auto& run : f.host.runs)
            QVERIFY2(!run.command.windowsText.contains("10.9.9.9"),
                     qPrintable(run.command.windowsText));
        QCOMPARE(f.host.windowsTexts().count(kArpS), 3);
        QCOMPARE(f.host.windowsTexts().count(kPing), 3);
        QCOMPARE(f.host.windowsTexts().count("arp -d *"), 1);
    }

    void everyWayOutGivesUpTheSocket_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"cancel", "escape", "close box", "OK after time-out",
                                "OK after verdict", "close on success", "destruction"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }

    void everyWayOutGivesUpTheSocket() {
        QFETCH(QString, way);
        Fixture f;
        f.dialog->show();
        QSignalSpy finishedSpy(f.dialog.get(), &QDialog::finished);
        f.start();
        f.tick(5);
        if (way == "cancel") {
            qobject_cast<QPushButton*>(f.dialog->control(AssignControl::Cancel))->click();
        } else if (way == "escape") {
            QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
        } else if (way == "close box") {
            f.dialog->close();
        } else if (way == "OK after time-out") {
            f.tick(35);
            f.ok()->click();
        } else if (way == "OK after verdict") {
            f.deliver(f.reply(UnknownError));
            f.ok()->click();
        } else if (way == "close on success") {
            f.deliver(f.reply(Programmed));
        } else {
            f.dialog.reset();
        }
        QCOMPARE(f.app.dispatch.mode(), ExchangeNone);
        if (f.dialog) {
            QCOMPARE(finishedSpy.size(), 1);
            QVERIFY(!f.assign.tickTimer().isActive());
            QVERIFY(f.dialog->isHidden());
            f.dialog.reset(); // going away after closing removes nothing twice
        }
        // The neighbour entry the assignment added leaves with the dialog.
        QCOMPARE(f.host.windowsTexts().filter("arp -d 192.168.1.50"),
                 QStringList{"arp -d 192.168.1.50"});
        QCOMPARE(f.host.runs.back().command.argv,
                 (QStringList{"ip", "neigh", "del", "192.168.1.50", "dev", "eth0"}));
        // Nothing more goes out once the dialog has gone.
        f.fake->push({0x03, 0x01, 0x00, 0x00});
        f.fake->deliverAll();
        QCOMPARE(f.sink.texts().last(),
                 QStringLiteral("Recevied an out-of-place Packet -- Discarding"));
    }

    void enterWhileAssigningStartsNothing() {
        Fixture f;
        f.dialog->show();
        f.start();
        const std::uint16_t number = f.assign.randomNumber;
        QTest::keyClick(f.dialog.get(), Qt::Key_Return);
        f.dialog->OnOK();
        QCOMPARE(f.host.windowsTexts(), QStringList{"arp -d *"});
        QCOMPARE(f.assign.randomNumber, number);
        QVERIFY(f.dialog->isVisible());
    }

    void modifyIpRunsTheDialogModally() {
        Fixture f;
        f.dialog.reset();
        int modeInside = -1;
        QString titleInside;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CAssignDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            modeInside = f.app.dispatch.mode();
            titleInside = dialog->windowTitle();
            dialog->OnCancel();
        });
        // Never hang the suite if the dialog was not found above.
        QTimer::singleShot(5000, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<CAssignDlg*>(w))
                    dialog->reject();
        });
        qobject_cast<QPushButton*>(f.window.control(MainControl::ModifyIp))->click();
        QCOMPARE(modeInside, int(ExchangeAssign));
        QCOMPARE(titleInside, QStringLiteral("分配IP地址"));
        QCOMPARE(f.app.dispatch.mode(), ExchangeNone);
        QVERIFY(!f.app.dispatch.lastClaimedBy(ExchangeAssign));
        QVERIFY(f.host.runs.empty());
    }
};

QTEST_MAIN(AssignDialogTest)
#include "AssignDialogTest.moc"
