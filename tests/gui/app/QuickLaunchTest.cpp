#include "FakeDatagramSocket.h"
#include "ModalDriver.h"
#include "RecordingHostCommandRunner.h"
#include "RecordingMessageSink.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kNoSelection = QStringLiteral("Please select an embedded system first.");

DeviceRecord board(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    DeviceRecord record;
    record.ip[0] = a;
    record.ip[1] = b;
    record.ip[2] = c;
    record.ip[3] = d;
    record.mac[5] = d;
    return record;
}

struct Fixture {
    Fixture() : app(std::make_unique<FakeDatagramSocket>()) {
        window.deviceTable().AddRecord(board(192, 168, 1, 50));
        window.deviceTable().AddRecord(board(10, 0, 0, 7));
    }

    void click(int id) { qobject_cast<QPushButton*>(window.control(id))->click(); }

    CQuorvelApp app;
    CQuorvelDlg window{app};
    RecordingHostCommandRunner runner;
    RecordingMessageSink sink;
};

} // namespace

class QuickLaunchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theButtonsAreThereButHidden() {
        Fixture f;
        for (int id : {MainControl::Browser, MainControl::Bootloader, MainControl::Telnet}) {
            QVERIFY(f.window.control(id));
            QVERIFY(f.window.control(id)->isHidden());
        }
    }

    void eachCommandRefusesWithoutASelection_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("emptyList");
        for (int button : {MainControl::Browser, MainControl::Telnet, MainControl::Bootloader}) {
            QTest::addRow("%d, nothing selected", button) << button << false;
            QTest::addRow("%d, empty list", button) << button << true;
        }
    }

    void eachCommandRefusesWithoutASelection() {
        QFETCH(int, button);
        QFETCH(bool, emptyList);
        Fixture f;
        if (emptyList)
            f.window.deviceTable().Clear();
        bool asked = false;
        f.window.setImageFileChooser([&](QFileDialog&) {
            asked = true;
            return QStringLiteral("/tmp/x.img");
        });
        f.click(button);
        QCOMPARE(f.sink.texts(), QStringList{kNoSelection});
        QCOMPARE(f.sink.messages[0].icon, MessageIcon::Warning);
        QVERIFY(f.runner.runs.empty());
        QVERIFY(!asked);
    }

    void webPageAndTelnetGoToTheSelectedBoard() {
        Fixture f;
        f.window.deviceTable().selectIndex(1);
        f.click(MainControl::Browser);
        f.click(MainControl::Telnet);
        QVERIFY(f.sink.messages.empty());
        QCOMPARE(f.runner.windowsTexts(),
                 (QStringList{"http://10.0.0.7/", "explorer telnet://10.0.0.7"}));
        QCOMPARE(f.runner.runs[0].how, HostWindow::Browser);
        QCOMPARE(f.runner.runs[0].command.url, QUrl("http://10.0.0.7/"));
        QCOMPARE(f.runner.runs[1].how, HostWindow::Terminal);
        QCOMPARE(f.runner.runs[1].command.argv, (QStringList{"telnet", "10.0.0.7"}));
    }

    // Telnet and the push are no use unseen: without a terminal or the
    // program, a box names what is missing and nothing runs.
    void whatCannotBeSeenIsNotRun_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("message");
        const QString noTerminal = "No terminal window can be opened (x-terminal-emulator was not "
                                   "found), so %1 was not started.";
        QTest::newRow("telnet, no terminal")
            << int(MainControl::Telnet) << "x-terminal-emulator" << noTerminal.arg("telnet");
        QTest::newRow("telnet, no client")
            << int(MainControl::Telnet) << "telnet"
            << "telnet was not found; install the Debian package telnet.";
    }

    void whatCannotBeSeenIsNotRun() {
        QFETCH(int, button);
        QFETCH(QString, missing);
        Fixture f;
        f.window.deviceTable().selectIndex(0);
        f.runner.missing = missing;
        f.click(button);
        QTEST(f.sink.texts().value(0), "message");
        QCOMPARE(f.sink.texts().size(), 1);
        QVERIFY(f.runner.runs.empty());
    }

    void bootloaderAsksForAnImageThenPushesIt() {
        Fixture f;
        f.window.deviceTable().selectIndex(0);
        QString title, selectedFilter;
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::Directory;
        QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
        f.window.setImageFileChooser([&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            filters = dialog.nameFilters();
            selectedFilter = dialog.selectedNameFilter();
            mode = dialog.fileMode();
            accept = dialog.acceptMode();
            return QStringLiteral("/nonexistent/new image.img");
        });
        f.click(MainControl::Bootloader);

        QCOMPARE(title, QStringLiteral("Browse for Input IMG File..."));
        QCOMPARE(filters, (QStringList{"IMG Files (*.img)", "All Files (*)"}));
        QCOMPARE(selectedFilter, QStringLiteral("IMG Files (*.img)"));
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(accept, QFileDialog::AcceptOpen);
        // Checked before anything is sent; no host program is needed any more.
        QCOMPARE(f.sink.texts(),
                 QStringList{"/nonexistent/new image.img does not exist; choose the firmware "
                             "image file."});
        QVERIFY(f.runner.runs.empty());
    }

    void bootloaderRunsTheRealFileDialog_data() {
        QTest::addColumn<bool>("choose");
        QTest::newRow("a file chosen") << true;
        QTest::newRow("cancelled") << false;
    }

    void bootloaderRunsTheRealFileDialog() {
        QFETCH(bool, choose);
        Fixture f;
        f.window.deviceTable().selectIndex(1);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString image = dir.filePath("new image.img");
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("firmware");
        file.close();
        auto* tftp = new FakeDatagramSocket;
        f.app.openTftpSocket = [tftp] { return std::unique_ptr<DatagramSocket>(tftp); };
        f.app.openMonitorSocket = [] { return std::make_unique<FakeDatagramSocket>(); };

        std::uint32_t requestedFrom = 0;
        ModalDriver driver;
        driver.drive = [&](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (choose && files) {
                files->selectFile(image);
                dialog.accept(); // QFileDialog checks the file exists
                return;
            }
            if (!files && !tftp->sent.empty())
                requestedFrom = tftp->sent[0].ip;
            dialog.reject(); // the push: cancelled, then closed
            dialog.reject();
        };
        driver.run([&] { f.click(MainControl::Bootloader); });
        QVERIFY(f.sink.messages.empty());
        QVERIFY(f.runner.runs.empty());
        if (!choose) {
            QCOMPARE(driver.opened, QStringList{"QFileDialog"});
            delete tftp;
            return;
        }
        QCOMPARE(driver.opened, (QStringList{"QFileDialog", "quorvel::FirmwarePushDlg"}));
        QCOMPARE(requestedFrom, 0x0A000007u); // the write request went to 10.0.0.7
    }
};

QTEST_MAIN(QuickLaunchTest)
#include "QuickLaunchTest.moc"
