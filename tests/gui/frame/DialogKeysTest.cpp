#include "FakeDatagramSocket.h"
#include "RecordingHostCommandRunner.h"
#include "RecordingMessageSink.h"
#include "core/exchange/AssignExchange.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchExchange.h"
#include "core/exchange/StatusExchange.h"
#include "gui/app/CAboutDlg.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/CPortConfigDlg.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/PrtStatDlg.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <map>
#include <memory>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;
using quorvel::testing::RecordingHostCommandRunner;
using quorvel::testing::RecordingMessageSink;

namespace {

constexpr int kNone = 0;

struct Opened {
    std::shared_ptr<QObject> exchange; // outlives the dialog that shows it
    std::unique_ptr<QDialog> dialog;
    std::function<QWidget*(int)> control;
};

template <typename D, typename... Args>
Opened open(std::shared_ptr<QObject> exchange, Args&&... args) {
    auto* dialog = new D(std::forward<Args>(args)...);
    return {std::move(exchange), std::unique_ptr<QDialog>(dialog),
            [dialog](int id) { return dialog->control(id); }};
}

Opened openDialog(const QString& name, CQuorvelApp& app, CQuorvelDlg& mainWindow) {
    DeviceTable& table = mainWindow.deviceTable();
    if (name == "assign") {
        auto assign = std::make_shared<AssignExchange>(app.dispatch, table.selectedRecord());
        return open<CAssignDlg>(assign, *assign, &mainWindow);
    }
    if (name == "ports")
        return open<CPortConfigDlg>(nullptr, app.ports, &mainWindow);
    if (name == "search") {
        auto search = std::make_shared<SearchExchange>(app.dispatch, app.ports, table);
        return open<CSearchDlg>(search, *search, &mainWindow);
    }
    if (name == "status") {
        auto status = std::make_shared<StatusExchange>(app.dispatch, table.selectedRecord());
        return open<PrtStatDlg>(status, *status, &mainWindow);
    }
    if (name == "about")
        return open<CAboutDlg>(nullptr, &mainWindow);
    return open<CQuorvelDlg>(nullptr, app);
}

} // namespace

class DialogKeysTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysPressTheButtonTheDialogManagerWould_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("focus"); // control id that has the focus
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("pressed"); // button clicked, kNone for none
        QTest::addColumn<bool>("closed");
        const int enter = Qt::Key_Return, escape = Qt::Key_Escape;

        // Enter on "取消" used to start an assignment.
        QTest::newRow("assign: Enter on OK")
            << "assign" << int(AssignControl::Ok) << enter << int(AssignControl::Ok) << false;
        QTest::newRow("assign: Enter on Cancel") << "assign" << int(AssignControl::Cancel) << enter
                                                 << int(AssignControl::Cancel) << true;
        QTest::newRow("assign: Enter in a field") << "assign" << int(AssignControl::IpAddress)
                                                  << enter << int(AssignControl::Ok) << false;
        QTest::newRow("assign: Enter on a box")
            << "assign" << int(AssignControl::Repeat) << enter << int(AssignControl::Ok) << false;
        QTest::newRow("assign: Escape")
            << "assign" << int(AssignControl::IpAddress) << escape << kNone << true;

        QTest::newRow("ports: Enter in the field adds")
            << "ports" << int(PortsControl::PortField) << enter << int(PortsControl::Add) << false;
        QTest::newRow("ports: Enter in the list adds")
            << "ports" << int(PortsControl::PortList) << enter << int(PortsControl::Add) << false;
        QTest::newRow("ports: Enter on Add")
            << "ports" << int(PortsControl::Add) << enter << int(PortsControl::Add) << false;
        QTest::newRow("ports: Enter on Remove")
            << "ports" << int(PortsControl::Remove) << enter << int(PortsControl::Remove) << false;
        QTest::newRow("ports: Enter on OK")
            << "ports" << int(PortsControl::Ok) << enter << int(PortsControl::Ok) << true;
        QTest::newRow("ports: Enter on Cancel")
            << "ports" << int(PortsControl::Cancel) << enter << int(PortsControl::Cancel) << true;
        QTest::newRow("ports: Escape")
            << "ports" << int(PortsControl::PortField) << escape << kNone << true;

        // OK is disabled while the countdown runs: Enter elsewhere does nothing.
        QTest::newRow("search: Enter on stop")
            << "search" << int(SearchControl::Stop) << enter << int(SearchControl::Stop) << true;
        QTest::newRow("search: Enter on a box")
            << "search" << int(SearchControl::Repeat) << enter << kNone << false;
        QTest::newRow("search: Escape")
            << "search" << int(SearchControl::Repeat) << escape << kNone << true;

        QTest::newRow("status: Enter on refresh")
            << "status" << int(PrinterStatusControl::Refresh) << enter
            << int(PrinterStatusControl::Refresh) << false;
        QTest::newRow("status: Enter on OK") << "status" << int(PrinterStatusControl::Ok) << enter
                                             << int(PrinterStatusControl::Ok) << true;
        QTest::newRow("status: Enter on a flag")
            << "status" << int(PrinterStatusControl::DrawerPin3High) << enter
            << int(PrinterStatusControl::Ok) << true;
        QTest::newRow("status: Escape")
            << "status" << int(PrinterStatusControl::DrawerPin3High) << escape << kNone << true;

        QTest::newRow("about: Enter")
            << "about" << int(AboutControl::Ok) << enter << int(AboutControl::Ok) << true;
        QTest::newRow("about: Escape")
            << "about" << int(AboutControl::Ok) << escape << kNone << true;

        // The main window never ends by a key that reaches no button.
        QTest::newRow("main: Enter on a button")
            << "main" << int(MainControl::ModifyIp) << enter << int(MainControl::ModifyIp) << false;
        QTest::newRow("main: Enter on Exit")
            << "main" << int(MainControl::Exit) << enter << int(MainControl::Exit) << true;
        QTest::newRow("main: Enter on the list")
            << "main" << int(MainControl::BoardList) << enter << kNone << false;
        QTest::newRow("main: Escape on the list")
            << "main" << int(MainControl::BoardList) << escape << kNone << false;
        QTest::newRow("main: Escape on a button")
            << "main" << int(MainControl::Search) << escape << kNone << false;
    }

    void keysPressTheButtonTheDialogManagerWould() {
        QFETCH(QString, dialog);
        QFETCH(int, focus);
        QFETCH(int, key);
        QFETCH(int, pressed);
        QFETCH(bool, closed);

        RecordingMessageSink sink;
        RecordingHostCommandRunner host;
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        Opened opened = openDialog(dialog, app, window);
        QDialog& shown = *opened.dialog;
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));

        std::map<int, std::unique_ptr<QSignalSpy>> clicks;
        for (QPushButton* button : shown.findChildren<QPushButton*>()) {
            bool ok = false;
            const int id = button->objectName().mid(7).toInt(&ok); // "control<id>"
            if (ok)
                clicks[id] = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
        }
        QSignalSpy finished(&shown, &QDialog::finished);

        QWidget* target = opened.control(focus);
        QVERIFY(target);
        target->setFocus();
        QWidget* focused = shown.focusWidget(); // an address control focuses its first part
        QVERIFY(focused == target || target->isAncestorOf(focused));
        QTest::keyClick(focused, Qt::Key(key));

        for (const auto& [id, spy] : clicks)
            QCOMPARE(std::pair(id, int(spy->count())), std::pair(id, id == pressed ? 1 : 0));
        QCOMPARE(finished.count() > 0, closed);
    }
};

QTEST_MAIN(DialogKeysTest)
#include "DialogKeysTest.moc"
