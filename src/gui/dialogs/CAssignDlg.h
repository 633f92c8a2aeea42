#pragma once

#include "core/exchange/AssignExchange.h"
#include "gui/frame/TemplateControls.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quorvel {

class IpAddressEdit;

// The view of one assignment: the new address, mask and gateway (or DHCP)
// for the board the exchange is about, its countdown and verdict. The
// exchange owns the socket from the dialog's opening to its closing.
class CAssignDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAssignDlg(AssignExchange& assign, QWidget* parent = nullptr);
    ~CAssignDlg() override;

    void OnOK();
    void OnCancel();
    void OnDhcpClicked();

    void done(int result) override;

    AssignExchange& exchange() const { return m_assign; }
    QWidget* control(int id) const { return m_controls.control(id); }
    IpAddressEdit* addressControl(int id) const;

private:
    void OnInitDialog();
    // The typed static addresses, checked before anything is sent; false
    // when refused, or when the user keeps a far gateway or an address that
    // clashes with the host's out.
    bool addressesAccepted(const AssignParameters& typed);
    AssignParameters fields() const;
    void endAssignment(AssignOutcome outcome);

    AssignExchange& m_assign;
    TemplateControls m_controls;
    QPushButton* m_ok = nullptr;
    QProgressBar* m_progress = nullptr;
    QLineEdit* m_statusLine = nullptr;
    QCheckBox* m_repeat = nullptr;
    QCheckBox* m_closeOnSuccess = nullptr;
    QCheckBox* m_pingGleaning = nullptr;
    QCheckBox* m_dhcp = nullptr;
};

} // namespace quorvel
