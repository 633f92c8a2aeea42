#include "BoardMenu.h"

#include "CQuorvelDlg.h"
#include "PrinterOverview.h"
#include "SearchOptions.h"

#include <QMenu>

namespace quorvel {

QMenu* CreateBoardMenu(CQuorvelDlg& window, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const auto add = [&](const char* name, const QString& text, void (CQuorvelDlg::*handler)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QStringLiteral("boardMenu.") + QLatin1String(name));
        QObject::connect(action, &QAction::triggered, &window, handler);
    };
    add("modifyIp", CQuorvelDlg::tr("修改IP"), &CQuorvelDlg::OnModifyIp);
    add("printerStatus", CQuorvelDlg::tr("打印机状态"), &CQuorvelDlg::OnPrinterStatus);
    AddPrinterOverviewEntry(*menu, window);
    menu->addSeparator();
    add("webPage", CQuorvelDlg::tr("打开网页"), &CQuorvelDlg::OnBrowser);
    add("telnet", CQuorvelDlg::tr("Telnet"), &CQuorvelDlg::OnTelnet);
    menu->addSeparator();
    add("copyIp", CQuorvelDlg::tr("复制 IP"), &CQuorvelDlg::OnCopyIp);
    add("copyMac", CQuorvelDlg::tr("复制 MAC"), &CQuorvelDlg::OnCopyMac);
    menu->addSeparator();
    add("export", CQuorvelDlg::tr("导出列表…"), &CQuorvelDlg::OnExportList);
    AddSearchOptionEntries(*menu, window);
    return menu;
}

} // namespace quorvel
