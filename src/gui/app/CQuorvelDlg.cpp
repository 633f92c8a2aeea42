#include "CQuorvelDlg.h"

#include "BoardMenu.h"
#include "CAboutDlg.h"
#include "CQuorvelApp.h"
#include "FirmwareLaunch.h"
#include "HelpLocation.h"
#include "PrinterOverview.h"
#include "SearchOptions.h"
#include "core/exchange/AssignExchange.h"
#include "core/exchange/BoardExport.h"
#include "core/host/HostCommands.h"
#include "core/exchange/SearchExchange.h"
#include "core/exchange/StatusExchange.h"
#include "gui/boardlist/CNetDisplay.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/CPortConfigDlg.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/PrtStatDlg.h"
#include "gui/frame/AppMessageBox.h"
#include "gui/frame/DialogKeys.h"
#include "gui/resources/StringTable.h"
#include "protocol/BoardColumns.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

namespace quorvel {

namespace {

const char* const kSortItems[] = {
    QT_TRANSLATE_NOOP("quorvel::CQuorvelDlg", "Left Column"),
    QT_TRANSLATE_NOOP("quorvel::CQuorvelDlg", "Right Column"),
    QT_TRANSLATE_NOOP("quorvel::CQuorvelDlg", "IP Address"),
    QT_TRANSLATE_NOOP("quorvel::CQuorvelDlg", "Unsorted"),
};

// Refuses a command that needs a selected board; true when there is one.
bool requireSelection(const DeviceTable& table) {
    if (table.HasSelection())
        return true;
    AppMessageBox(CQuorvelDlg::tr("请先选择一个打印机！"), MessageIcon::Information);
    return false;
}

} // namespace

CQuorvelDlg::CQuorvelDlg(CQuorvelApp& app, QWidget* parent) : CVtDialog(parent), m_app(app) {
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_MAIN);
    setWindowTitle(TemplateText(tmpl.title));
    QWidget* client = clientArea(); // inside the self-painted frame
    m_controls.build(client, tmpl, [this](const ControlTemplate& c, QWidget* parent) -> QWidget* {
        if (c.id != MainControl::BoardList)
            return nullptr;
        m_deviceList = new CNetDisplay(m_app.devices, parent);
        return m_deviceList;
    });
    setFixedClientSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::MainWindow);

    m_showMac = m_controls.as<QCheckBox>(MainControl::ShowMac);
    m_leftColumn = m_controls.as<QCheckBox>(MainControl::ShowLeftColumn);
    m_rightColumn = m_controls.as<QCheckBox>(MainControl::ShowRightColumn);
    m_sortCombo = m_controls.as<QComboBox>(MainControl::SortOrder);
    for (const char* item : kSortItems)
        m_sortCombo->addItem(tr(item));
    m_sortCombo->setCurrentIndex(m_sortIndex);

    const auto onClick = [this](int id, void (CQuorvelDlg::*handler)()) {
        connect(m_controls.as<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    connect(m_controls.as<QPushButton>(MainControl::Exit), &QPushButton::clicked, this,
            &QDialog::reject);
    onClick(MainControl::Search, &CQuorvelDlg::OnSearch);
    onClick(MainControl::Clear, &CQuorvelDlg::OnClear);
    onClick(MainControl::AddEntry, &CQuorvelDlg::OnAddEntry);
    onClick(MainControl::ShowMac, &CQuorvelDlg::OnShowMac);
    onClick(MainControl::ShowLeftColumn, &CQuorvelDlg::OnShowLeftColumn);
    onClick(MainControl::ShowRightColumn, &CQuorvelDlg::OnShowRightColumn);
    onClick(MainControl::ModifyIp, &CQuorvelDlg::OnModifyIp);
    onClick(MainControl::PrinterStatus, &CQuorvelDlg::OnPrinterStatus);
    onClick(MainControl::SetPorts, &CQuorvelDlg::OnSetPorts);
    onClick(MainControl::Browser, &CQuorvelDlg::OnBrowser);
    onClick(MainControl::Telnet, &CQuorvelDlg::OnTelnet);
    onClick(MainControl::Bootloader, &CQuorvelDlg::OnBootloader);
    // activated, not currentIndexChanged: refilling the list from a reply
    // must not count as the user choosing a sort order.
    connect(m_sortCombo, &QComboBox::activated, this, &CQuorvelDlg::OnSortChanged);
    connect(m_deviceList, &CNetDisplay::boardMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = createBoardMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });

    OnInitDialog();
    InstallSearchOptions(*this);
    InstallPrinterOverview(*this);
}

CQuorvelDlg::~CQuorvelDlg() = default;

void CQuorvelDlg::OnInitDialog() {
    if (systemMenu()) {
        const QString about = LoadResourceString(IDS_ABOUTBOX);
        if (!about.isEmpty()) {
            appendSystemMenuSeparator();
            appendSystemMenuItem(IDM_ABOUTBOX, about);
        }
        appendSystemMenuItem(IDM_HELP, tr("帮助 (F1)"));
    }
    setWindowIcon(m_icon);
    DeviceTable& table = deviceTable();
    table.showMac = true;
    m_showMac->setChecked(true);
    table.showLeftColumn = true;
    m_leftColumn->setChecked(true);
    table.showRightColumn = true;
    m_rightColumn->setChecked(true);
    table.SortAndRedraw();
    m_sortIndex = Unsorted;
    table.sortMode = Unsorted;
    m_sortCombo->setCurrentIndex(m_sortIndex);
    // Enter on a fresh window searches; on "退出" it would end the program.
    m_controls.control(MainControl::Search)->setFocus();
}

DeviceTable& CQuorvelDlg::deviceTable() {
    return m_app.devices;
}

void CQuorvelDlg::relabelColumns(const QString& leftLabel, const QString& rightLabel) {
    // Boards of one kind all bring the same labels; refilling the controls
    // for each of thousands of replies would change nothing but cost plenty.
    if (m_columnLabels && m_columnLabels->first == leftLabel &&
        m_columnLabels->second == rightLabel)
        return;
    m_columnLabels = std::make_pair(leftLabel, rightLabel);
    m_leftColumn->setText(tr("Show %1").arg(leftLabel));
    m_rightColumn->setText(tr("Show %1").arg(rightLabel));
    m_sortCombo->clear();
    m_sortCombo->addItem(leftLabel);
    m_sortCombo->addItem(rightLabel);
    m_sortCombo->addItem(tr("IP Address"));
    m_sortCombo->addItem(tr("Unsorted"));
    m_sortCombo->setCurrentIndex(m_sortIndex);
}

void CQuorvelDlg::OnSearch() {
    // The main window owns the dialog, as the platform makes it the owner of
    // a dialog created without a parent.
    SearchExchange search(m_app.dispatch, m_app.ports, deviceTable());
    connect(&search, &SearchExchange::columnLabelsChanged, this, &CQuorvelDlg::relabelColumns);
    CSearchDlg dialog(search, this);
    SearchRun run(m_app, search);
    deviceTable().Clear();
    dialog.exec();
    run.finished(*this, deviceTable().GetRecordCount());
    FeedPrinterOverview(*this);
}

void CQuorvelDlg::OnClear() {
    deviceTable().Clear();
}

void CQuorvelDlg::OnAddEntry() {
    deviceTable().AddRecord(NextTestRecord());
}

void CQuorvelDlg::OnShowMac() {
    deviceTable().showMac = m_showMac->isChecked();
    deviceTable().SortAndRedraw();
}

void CQuorvelDlg::OnShowLeftColumn() {
    deviceTable().showLeftColumn = m_leftColumn->isChecked();
    deviceTable().SortAndRedraw();
}

void CQuorvelDlg::OnShowRightColumn() {
    deviceTable().showRightColumn = m_rightColumn->isChecked();
    deviceTable().SortAndRedraw();
}

void CQuorvelDlg::OnSortChanged() {
    m_sortIndex = m_sortCombo->currentIndex();
    deviceTable().sortMode = m_sortIndex;
    deviceTable().SortAndRedraw();
}

void CQuorvelDlg::OnModifyIp() {
    if (!requireSelection(deviceTable()))
        return;
    AssignExchange assign(m_app.dispatch, deviceTable().selectedRecord());
    CAssignDlg dialog(assign, this);
    dialog.exec();
}

void CQuorvelDlg::OnPrinterStatus() {
    if (!requireSelection(deviceTable()))
        return;
    StatusExchange status(m_app.dispatch, deviceTable().selectedRecord());
    PrtStatDlg dialog(status);
    dialog.exec();
}

void CQuorvelDlg::OnSetPorts() {
    CPortConfigDlg dialog(m_app.ports);
    dialog.exec();
}

bool CQuorvelDlg::selectedLaunchAddress(Ipv4Address& ip) {
    if (!deviceTable().HasSelection()) {
        AppMessageBox(tr("Please select an embedded system first."));
        return false;
    }
    return deviceTable().GetSelectedIp(ip);
}

void CQuorvelDlg::OnBrowser() {
    Ipv4Address ip;
    if (selectedLaunchAddress(ip))
        HostCommands::run(HostCommands::webPage(ip));
}

void CQuorvelDlg::OnTelnet() {
    Ipv4Address ip;
    if (selectedLaunchAddress(ip))
        HostCommands::runWhereSeen(HostCommands::telnet(ip));
}

void CQuorvelDlg::OnBootloader() {
    Ipv4Address ip;
    if (!selectedLaunchAddress(ip))
        return;
    QFileDialog dialog(this, tr("Browse for Input IMG File..."));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString images = tr("IMG Files (*.img)");
    dialog.setNameFilters({images, tr("All Files (*)")});
    dialog.selectNameFilter(images);
    QString path;
    if (m_imageFileChooser) {
        path = m_imageFileChooser(dialog);
    } else if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    RunFirmwarePush(*this, *deviceTable().selectedRecord(), path);
}

void CQuorvelDlg::OnCopyIp() {
    if (!requireSelection(deviceTable()))
        return;
    const DeviceRecord board = *deviceTable().selectedRecord();
    QGuiApplication::clipboard()->setText(QString::fromStdString(Ipv4Text(board.ip)));
}

void CQuorvelDlg::OnCopyMac() {
    if (!requireSelection(deviceTable()))
        return;
    const DeviceRecord board = *deviceTable().selectedRecord();
    QGuiApplication::clipboard()->setText(QString::fromStdString(MacText(board.mac)));
}

void CQuorvelDlg::OnExportList() {
    const QString path =
        m_exportPathChooser
            ? m_exportPathChooser()
            : QFileDialog::getSaveFileName(this, tr("导出列表"), QStringLiteral("boards.csv"),
                                           tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const QString reason = ExportBoardsCsv(path, deviceTable().recordList());
    if (!reason.isEmpty())
        AppMessageBox(tr("无法导出列表到 %1：%2").arg(QDir::toNativeSeparators(path), reason),
                      MessageIcon::Error);
}

QMenu* CQuorvelDlg::createBoardMenu() {
    return CreateBoardMenu(*this, this);
}

void CQuorvelDlg::OnSysCommand(unsigned commandId) {
    if ((commandId & ~0xFu) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.exec();
        return;
    }
    if (commandId == IDM_HELP) {
        OnHelp();
        return;
    }
    CVtDialog::OnSysCommand(commandId);
}

void CQuorvelDlg::OnHelp() {
    const HelpLookup help = LocateHelp(
        m_helpProgramDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_helpProgramDir,
        QLocale().language());
    if (help.url.isEmpty()) {
        AppMessageBox(tr("找不到帮助手册。查找过：\n%1").arg(help.searched.join(u'\n')),
                      MessageIcon::Information);
        return;
    }
    const bool opened = m_helpOpener ? m_helpOpener(help.url) : QDesktopServices::openUrl(help.url);
    if (!opened) {
        // No browser, or none that starts: the path lets the user open it by hand.
        const QString path = help.url.toLocalFile();
        QGuiApplication::clipboard()->setText(path);
        AppMessageBox(tr("无法打开帮助手册：没有能打开它的浏览器。\n手册位于 %1\n"
                         "（路径已复制到剪贴板）")
                          .arg(path),
                      MessageIcon::Warning);
    }
}

void CQuorvelDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        OnHelp();
        event->accept();
        return;
    }
    CVtDialog::keyPressEvent(event);
}

} // namespace quorvel
