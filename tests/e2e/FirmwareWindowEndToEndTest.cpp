// The boot loader command in the window, over real sockets against the
// simulator's rebooting board: the file dialog, the push dialog's bar to
// 100 %, the wait while the board is silent, and "back". Runs inside
// tests/e2e/rig.sh.
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/FirmwarePushDlg.h"

#include <QFile>
#include <QFileDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

class FirmwareWindowEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pushReachesTheRebootingBoardAndSeesItBack() {
        const QString reason = SimulatorRig::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
        constexpr int kRebootSeconds = 3;
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start({"--count", "2", "--tftp-port", "69", "--reboot-seconds",
                            QString::number(kRebootSeconds)},
                           &error),
                 qPrintable(error));
        const QString image = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/window.img";
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1500 * 1024 + 5, '\x5A'));
        file.close();

        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        ModalDriver driver;
        driver.pollMs = 10;
        double sentAt = 0, backAt = 0;
        int barAtEnd = -1;
        driver.drive = [&](QDialog& dialog) {
            if (auto* search = qobject_cast<CSearchDlg*>(&dialog)) {
                SpinUntil([&] { return search->foundCount() == 2; }, 5000);
                qobject_cast<QPushButton*>(search->control(SearchControl::Stop))->click();
                return;
            }
            auto& push = dynamic_cast<FirmwarePushDlg&>(dialog);
            SpinUntil([&] { return push.bar().value() == 100; }, 20000);
            sentAt = MonotonicNow();
            barAtEnd = push.bar().value();
            SpinUntil([&] { return push.button().text() == QStringLiteral("关闭"); }, 30000);
            backAt = MonotonicNow();
            QCOMPARE(push.verdictText(), QStringLiteral("sent, and the board answers again"));
            push.button().click();
        };
        driver.run(
            [&] { qobject_cast<QPushButton*>(a.window->control(MainControl::Search))->click(); });
        QCOMPARE(a.window->deviceTable().GetRecordCount(), 2u);
        a.window->deviceTable().selectIndex(0);
        a.window->setImageFileChooser([&](QFileDialog&) { return image; });
        driver.run([&] {
            qobject_cast<QPushButton*>(a.window->control(MainControl::Bootloader))->click();
        });
        QCOMPARE(barAtEnd, 100);
        // Back only once the board's reboot was over.
        QVERIFY2(backAt - sentAt > kRebootSeconds - 0.5,
                 qPrintable(QString::number(backAt - sentAt)));
        QVERIFY(sink.messages.empty());
    }
};

QTEST_MAIN(FirmwareWindowEndToEndTest)
#include "FirmwareWindowEndToEndTest.moc"
