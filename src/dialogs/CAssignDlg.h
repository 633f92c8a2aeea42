#pragma once

#include "app/ExchangeDialog.h"
#include "app/NeighbourEntries.h"
#include "protocol/AssignDatagrams.h"
#include "resources/TemplateControls.h"

#include <QDialog>
#include <QTimer>
#include <array>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quorvel {

class IpAddressEdit;

// Gives the board selected in the main window a new address, mask and
// gateway, or DHCP. One assignment runs a ten-second countdown of 250 ms
// ticks that prepares the host's neighbour cache, sends the request as a
// broadcast and waits for the board's verdict. Owns the shared socket's
// datagrams while it exists.
class CAssignDlg : public QDialog, public ExchangeDialog {
    Q_OBJECT
public:
    static constexpr int kCountdownTop = 10000;
    static constexpr int kCountdownStep = 250;
    static constexpr int kTickMilliseconds = 250;

    explicit CAssignDlg(QWidget* parent = nullptr);
    ~CAssignDlg() override;

    void OnOK();
    void OnCancel();
    void OnDhcpClicked();
    void OnTimer();
    void HandleAssignReply();
    void HandleReply() override { HandleAssignReply(); }

    void done(int result) override;

    QWidget* control(int id) const { return m_controls.control(id); }
    IpAddressEdit* addressControl(int id) const;
    QTimer& tickTimer() { return m_timer; }

    bool finished = false;
    bool timedOut = false;
    std::array<std::uint8_t, kAssignRequestSize> requestBuffer{};
    std::uint16_t randomNumber = 0;
    QString statusText;
    int countdown = kCountdownTop;

private:
    void OnInitDialog();
    // The typed static addresses, checked before anything is sent; false
    // when refused, or when the user keeps a far gateway out.
    bool addressesAccepted();
    void buildRequest();
    void sendRequest();
    void setStatus(const QString& text);
    void showCountdown();
    void endAssignment(bool relabel);
    void leaveExchange();

    TemplateControls m_controls;
    QTimer m_timer;
    QPushButton* m_ok = nullptr;
    QProgressBar* m_progress = nullptr;
    QLineEdit* m_statusLine = nullptr;
    QCheckBox* m_repeat = nullptr;
    QCheckBox* m_closeOnSuccess = nullptr;
    QCheckBox* m_pingGleaning = nullptr;
    QCheckBox* m_dhcp = nullptr;
    // Removed again whenever the dialog closes, and at the latest when it goes.
    NeighbourEntries m_neighbours;
    bool m_requestBuilt = false;
    std::uint16_t m_replyPort = 0;
};

} // namespace quorvel
