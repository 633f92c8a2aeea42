#pragma once

#include "frame/CVtDialog.h"
#include "resources/TemplateControls.h"

#include <QIcon>

class QCheckBox;
class QComboBox;

namespace quorvel {

class CNetDisplay;
class DeviceTable;

// The main window: the device list and the commands that start every exchange.
class CQuorvelDlg : public CVtDialog {
    Q_OBJECT
public:
    explicit CQuorvelDlg(QWidget* parent = nullptr);
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

private:
    void OnInitDialog();

    TemplateControls m_controls;
    CNetDisplay* m_deviceList = nullptr;
    QCheckBox* m_showMac = nullptr;
    QCheckBox* m_leftColumn = nullptr;
    QCheckBox* m_rightColumn = nullptr;
    QComboBox* m_sortCombo = nullptr;
    int m_sortIndex = -1;
    QIcon m_icon;
};

} // namespace quorvel
