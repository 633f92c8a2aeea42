#include "gui/dialogs/CPortConfigDlg.h"

#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "core/exchange/SearchExchange.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;
using quorvel::testing::RecordingMessageSink;

namespace {

using Ports = std::vector<std::uint32_t>;

const QString kNotANumber = QStringLiteral("Please enter a positive integer.");
const QString kExceeded = QStringLiteral("Error: Exceeded Maximum Number of Ports");
const QString kDuplicate = QStringLiteral("Error: Duplicate Port");
const QString kInvalid = QStringLiteral("Error: Invalid Port ( 1024 >= port >= 65535)");
const QString kNoSelection = QStringLiteral("Please select a port to remove");

Ports storedPorts(const CQuorvelApp& app) {
    return Ports(app.ports.remotePorts, app.ports.remotePorts + app.ports.remotePortCount);
}

QStringList lineTexts(const CPortConfigDlg& dialog) {
    QStringList texts;
    for (int row = 0; row < dialog.portList()->count(); ++row)
        texts << dialog.portList()->item(row)->text();
    return texts;
}

void add(CPortConfigDlg& dialog, const QString& text) {
    dialog.portField()->setText(text);
    dialog.OnAdd();
}

void removeRow(CPortConfigDlg& dialog, int row) {
    dialog.portList()->setCurrentRow(row);
    dialog.OnRemove();
}

} // namespace

class CPortConfigDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheStoredListAndAZeroField() {
        RecordingMessageSink sink;
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CPortConfigDlg dialog(app.ports);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("设置端口"));
        QCOMPARE(lineTexts(dialog), QStringList{"3040"});
        QCOMPARE(dialog.listedPorts(), Ports{3040});
        QCOMPARE(dialog.portField()->text(), QStringLiteral("0"));
        QCOMPARE(dialog.portValue, 0u);

        // The field left as it opened is refused as out of range.
        dialog.OnAdd();
        QCOMPARE(sink.texts(), QStringList{kInvalid});
        QCOMPARE(dialog.listedPorts(), Ports{3040});
    }

    void addChecksTheField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Ports>("listed");
        QTest::newRow("lowest port") << "1024"
                                     << "" << Ports{1024, 3040};
        QTest::newRow("highest port") << "65535"
                                      << "" << Ports{3040, 65535};
        QTest::newRow("blanks and tabs around") << " \t2000\t "
                                                << "" << Ports{2000, 3040};
        QTest::newRow("below the range") << "1023" << kInvalid << Ports{3040};
        QTest::newRow("above the range") << "65536" << kInvalid << Ports{3040};
        QTest::newRow("zero") << "0" << kInvalid << Ports{3040};
        QTest::newRow("listed") << "3040" << kDuplicate << Ports{3040};
        QTest::newRow("listed, leading zero") << "03040" << kDuplicate << Ports{3040};
        QTest::newRow("empty") << "" << kNotANumber << Ports{3040};
        QTest::newRow("blanks only") << "  " << kNotANumber << Ports{3040};
        QTest::newRow("sign") << "+2000" << kNotANumber << Ports{3040};
        QTest::newRow("trailing letter") << "2000x" << kNotANumber << Ports{3040};
        QTest::newRow("blank inside") << "20 00" << kNotANumber << Ports{3040};
        // 2^32 + 3040 must not wrap onto the listed 3040 (nor 2^32 + 2000 onto a new port).
        QTest::newRow("past 32 bits, wraps to listed") << "4294970336" << kInvalid << Ports{3040};
        QTest::newRow("past 32 bits, wraps to new") << "4294969296" << kInvalid << Ports{3040};
        QTest::newRow("far past 32 bits") << "99999999999999999999" << kInvalid << Ports{3040};
    }

    void addChecksTheField() {
        QFETCH(QString, field);
        QFETCH(QString, message);
        QFETCH(Ports, listed);
        RecordingMessageSink sink;
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CPortConfigDlg dialog(app.ports);
        add(dialog, field);
        QCOMPARE(sink.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(dialog.listedPorts(), listed);
        QCOMPARE(dialog.portField()->text(), field);
        QCOMPARE(storedPorts(app), Ports{3040});
    }

    void fullListRefusesEverythingAfterReadingTheField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("new port") << "5000" << kExceeded;
        QTest::newRow("duplicate") << "3040" << kExceeded;
        QTest::newRow("zero") << "0" << kExceeded;
        QTest::newRow("not a number") << "" << kNotANumber;
    }

    void fullListRefusesEverythingAfterReadingTheField() {
        QFETCH(QString, field);
        QFETCH(QString, message);
        RecordingMessageSink sink;
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CPortConfigDlg dialog(app.ports);
        for (int port = 2001; port <= 2009; ++port)
            add(dialog, QString::number(port));
        QCOMPARE(dialog.portList()->count(), 10);
        QVERIFY(sink.messages.empty());
        add(dialog, field);
        QCOMPARE(sink.texts(), QStringList{message});
        QCOMPARE(dialog.portList()->count(), 10);
    }

    void duplicateIsReportedBeforeTheRange() {
        RecordingMessageSink sink;
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        app.ports.remotePorts[0] = 80;
        CPortConfigDlg dialog(app.ports);
        add(dialog, "80");
        QCOMPARE(sink.texts(), QStringList{kDuplicate});
    }

    void okStoresTheListInTextOrder() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        app.ports.remotePorts[5] = 7777;
        CPortConfigDlg dialog(app.ports);
        add(dialog, "10000");
        add(dialog, "2000");
        QCOMPARE(lineTexts(dialog), (QStringList{"10000", "2000", "3040"}));
        QCOMPARE(storedPorts(app), Ports{3040});
        qobject_cast<QPushButton*>(dialog.control(PortsControl::Ok))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(storedPorts(app), (Ports{10000, 2000, 3040}));
        QCOMPARE(app.ports.remotePorts[5], 7777u);
    }

    void removingEveryPortThenOkMakesSearchesSendNothing() {
        RecordingMessageSink sink;
        auto* fake = new FakeDatagramSocket;
        CQuorvelApp app{std::unique_ptr<DatagramSocket>(fake)};
        app.ports.remotePorts[1] = 5000;
        app.ports.remotePortCount = 2;
        CPortConfigDlg dialog(app.ports);
        dialog.OnRemove();
        QCOMPARE(sink.texts(), QStringList{kNoSelection});
        removeRow(dialog, 1);
        QCOMPARE(lineTexts(dialog), QStringList{"3040"});
        QVERIFY(dialog.portList()->selectedItems().isEmpty());
        dialog.OnRemove();
        QCOMPARE(sink.texts(), (QStringList{kNoSelection, kNoSelection}));
        removeRow(dialog, 0);
        QCOMPARE(dialog.portList()->count(), 0);
        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(app.ports.remotePortCount, 0u);

        // A whole search, with every repeat it makes while nothing answers.
        SearchExchange search(app.dispatch, app.ports, app.devices);
        search.start();
        for (int tick = 0; tick < 40 && search.isTicking(); ++tick)
            search.OnTimer();
        QVERIFY(!search.isTicking());
        QCOMPARE(fake->sendAttempts, 0);
        QCOMPARE(sink.texts(), (QStringList{kNoSelection, kNoSelection}));
        QCOMPARE(search.foundCount(), 0);
    }

    void cancelStoresNothing_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("cancel button") << false;
        QTest::newRow("Escape") << true;
    }

    void cancelStoresNothing() {
        QFETCH(bool, escape);
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CPortConfigDlg dialog(app.ports);
        dialog.show();
        add(dialog, "2000");
        removeRow(dialog, 1);
        QCOMPARE(lineTexts(dialog), QStringList{"2000"});
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            qobject_cast<QPushButton*>(dialog.control(PortsControl::Cancel))->click();
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(storedPorts(app), Ports{3040});
    }

    void okWithAnEmptiedFieldStoresTheListAndStaysOpen() {
        RecordingMessageSink sink;
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CPortConfigDlg dialog(app.ports);
        dialog.show();
        add(dialog, "2000");
        dialog.portField()->clear();
        qobject_cast<QPushButton*>(dialog.control(PortsControl::Ok))->click();
        QCOMPARE(sink.texts(), QStringList{kNotANumber});
        QVERIFY(dialog.isVisible());
        QCOMPARE(storedPorts(app), (Ports{2000, 3040}));

        // Cancel afterwards does not take the stored list back.
        dialog.OnCancel();
        QVERIFY(dialog.isHidden());
        QCOMPARE(storedPorts(app), (Ports{2000, 3040}));
    }

    void enterInTheFieldAdds() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CPortConfigDlg dialog(app.ports);
        dialog.show();
        dialog.portField()->setText("4000");
        QTest::keyClick(dialog.portField(), Qt::Key_Return);
        QCOMPARE(dialog.listedPorts(), (Ports{3040, 4000}));
        QVERIFY(dialog.isVisible());
    }

    void hiddenMainWindowButtonRunsTheDialogModally() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CPortConfigDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            opened = true;
            add(*dialog, "2000");
            dialog->OnOK();
            if (dialog->isVisible())
                dialog->OnCancel();
        });
        qobject_cast<QPushButton*>(window.control(MainControl::SetPorts))->click();
        QVERIFY(opened);
        QCOMPARE(storedPorts(app), (Ports{2000, 3040}));
    }
};

QTEST_MAIN(CPortConfigDlgTest)
#include "CPortConfigDlgTest.moc"
