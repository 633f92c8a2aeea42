#pragma once

#include "gui/frame/CVtDialog.h"
#include "gui/frame/TemplateControls.h"
#include "gui/resources/IconResource.h"
#include "protocol/Addresses.h"

#include <QIcon>
#include <QUrl>
#include <functional>
#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QMenu;

namespace quorvel {

class CNetDisplay;
class CQuorvelApp;
class DeviceTable;

// The system menu's About item; the low four bits of a system command are
// the platform's own, so 0x10 to 0x1F all mean About.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
// The system menu's help item, which F1 also reaches.
constexpr unsigned IDM_HELP = 0x0020;

// The main window: the device list and the commands that start every
// exchange, each on the application's socket, ports and table.
class CQuorvelDlg : public CVtDialog {
    Q_OBJECT
public:
    explicit CQuorvelDlg(CQuorvelApp& app, QWidget* parent = nullptr);
    ~CQuorvelDlg() override;

    DeviceTable& deviceTable();
    CNetDisplay& deviceList() { return *m_deviceList; }
    QWidget* control(int id) const { return m_controls.control(id); }

    // The relabelling a new board's reply brings: the column check boxes and
    // the sort list take its two labels.
    void relabelColumns(const QString& leftLabel, const QString& rightLabel);

    int sortIndex() const { return m_sortIndex; }

    void OnSearch();
    void OnClear();
    void OnAddEntry();
    void OnShowMac();
    void OnShowLeftColumn();
    void OnShowRightColumn();
    void OnSortChanged();
    void OnModifyIp();
    void OnPrinterStatus();
    void OnSetPorts();
    void OnBrowser();
    void OnTelnet();
    void OnBootloader();
    void OnCopyIp();
    void OnCopyMac();
    void OnExportList();
    void OnSysCommand(unsigned commandId) override;
    void OnHelp();

    // How the help is opened: false when no viewer could be started. Tests
    // record instead of launching one.
    using HelpOpener = std::function<bool(const QUrl&)>;
    void setHelpOpener(HelpOpener opener) { m_helpOpener = std::move(opener); }
    // Where F1 starts looking (the executable's folder unless set).
    void setHelpProgramDir(const QString& dir) { m_helpProgramDir = dir; }

    // Runs the boot loader's open-file dialog: the chosen file, or an empty
    // text when cancelled. Tests answer in place of a user.
    using ImageFileChooser = std::function<QString(QFileDialog&)>;
    void setImageFileChooser(ImageFileChooser chooser) { m_imageFileChooser = std::move(chooser); }

    // Asks where to export the list: a path, or an empty text when cancelled.
    // Tests answer in place of a user.
    using ExportPathChooser = std::function<QString()>;
    void setExportPathChooser(ExportPathChooser chooser) {
        m_exportPathChooser = std::move(chooser);
    }

    // The board menu the list's right click or menu key opens, not yet shown.
    QMenu* createBoardMenu();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog();
    bool selectedLaunchAddress(Ipv4Address& ip);

    CQuorvelApp& m_app;
    TemplateControls m_controls;
    CNetDisplay* m_deviceList = nullptr;
    QCheckBox* m_showMac = nullptr;
    QCheckBox* m_leftColumn = nullptr;
    QCheckBox* m_rightColumn = nullptr;
    QComboBox* m_sortCombo = nullptr;
    int m_sortIndex = -1;
    // The labels the column controls show since the first relabelling.
    std::optional<std::pair<QString, QString>> m_columnLabels;
    QIcon m_icon = LoadIconResource(IDI_MAINFRAME);
    HelpOpener m_helpOpener;
    QString m_helpProgramDir;
    ImageFileChooser m_imageFileChooser;
    ExportPathChooser m_exportPathChooser;
};

} // namespace quorvel
