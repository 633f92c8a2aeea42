#include "PrinterOverview.h"

#include "CMySocket.h"
#include "CQuorvelApp.h"
#include "CQuorvelDlg.h"
#include "core/exchange/DeviceTable.h"
#include "gui/dialogs/PrinterOverviewDlg.h"
#include "gui/frame/AppMessageBox.h"

#include <QMenu>
#include <QShortcut>
#include <cerrno>
#include <cstring>

namespace quorvel {

namespace {

// The overview's own socket, so that its replies never meet a search's.
std::unique_ptr<DatagramSocket> openSocket() {
    if (CQuorvelApp* app = CQuorvelApp::instance(); app && app->openMonitorSocket)
        return app->openMonitorSocket();
    auto socket = std::make_unique<CMySocket>();
    errno = 0;
    if (socket->open() == SocketOpenResult::Opened)
        return socket;
    const int error = errno;
    AppMessageBox(CQuorvelDlg::tr("无法打开打印机状态总览：本程序不能再打开一个 UDP 套接字（%1）。"
                                  "请关闭不用的程序后再试。")
                      .arg(QString::fromLocal8Bit(std::strerror(error))),
                  MessageIcon::Error);
    return nullptr;
}

} // namespace

PrinterOverviewDlg* OpenedPrinterOverview(CQuorvelDlg& window) {
    return window.findChild<PrinterOverviewDlg*>(QString(), Qt::FindDirectChildrenOnly);
}

void OpenPrinterOverview(CQuorvelDlg& window) {
    PrinterOverviewDlg* overview = OpenedPrinterOverview(window);
    if (!overview) {
        std::unique_ptr<DatagramSocket> socket = openSocket();
        if (!socket)
            return;
        // A child of the main window, so that its modality does not block it.
        overview = new PrinterOverviewDlg(std::move(socket), &window);
        QObject::connect(overview, &QDialog::finished, overview, &QObject::deleteLater);
        overview->addBoards(window.deviceTable().recordList());
    }
    overview->show();
    overview->raise();
    overview->activateWindow();
}

void FeedPrinterOverview(CQuorvelDlg& window) {
    if (PrinterOverviewDlg* overview = OpenedPrinterOverview(window))
        overview->addBoards(window.deviceTable().recordList());
}

void AddPrinterOverviewEntry(QMenu& menu, CQuorvelDlg& window) {
    QAction* open = menu.addAction(CQuorvelDlg::tr("打印机状态总览"));
    open->setObjectName(QStringLiteral("boardMenu.printerOverview"));
    open->setShortcut(QKeySequence(Qt::Key_F9));
    QObject::connect(open, &QAction::triggered, &window,
                     [&window] { OpenPrinterOverview(window); });
}

void InstallPrinterOverview(CQuorvelDlg& window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F9), &window);
    QObject::connect(shortcut, &QShortcut::activated, &window,
                     [&window] { OpenPrinterOverview(window); });
}

} // namespace quorvel
