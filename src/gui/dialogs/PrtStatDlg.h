#pragma once

#include "core/exchange/StatusExchange.h"
#include "gui/frame/TemplateControls.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QProgressBar;
class QPushButton;

namespace quorvel {

// Shows the fourteen status flags of the board's printer and asks for them
// again on "刷新". While open its exchange owns the shared socket's datagrams.
class PrtStatDlg : public QDialog {
    Q_OBJECT
public:
    // The check boxes in the order of the status word's bits 0 to 13.
    static constexpr std::array<int, kPrinterStatusFlagCount> kFlagBoxIds = {
        PrinterStatusControl::DrawerPin3High,
        PrinterStatusControl::Offline,
        PrinterStatusControl::WaitingOnlineRecovery,
        PrinterStatusControl::PaperFeed,
        PrinterStatusControl::CoverOpen,
        PrinterStatusControl::PaperFeed2,
        PrinterStatusControl::StoppedNoPaper,
        PrinterStatusControl::ErrorOccurred,
        PrinterStatusControl::RecoverableError,
        PrinterStatusControl::CutterError,
        PrinterStatusControl::UnrecoverableError,
        PrinterStatusControl::AutoRecoverableError,
        PrinterStatusControl::PaperNearEnd,
        PrinterStatusControl::PaperOut};

    explicit PrtStatDlg(StatusExchange& status, QWidget* parent = nullptr);
    ~PrtStatDlg() override;

    StatusExchange& exchange() const { return m_status; }
    QWidget* control(int id) const { return m_controls.control(id); }
    QProgressBar* progressBar() const { return m_progress; }
    bool isWaiting() const { return m_status.isWaiting(); }

    void OnRefresh();

    // Ends the modal run however it was asked for (OK, Escape, close box).
    void done(int result) override;

private:
    void OnInitDialog();
    // The window is going away: from here on datagrams are out of place.
    void OnDestroy();
    void setControlsEnabled(bool enabled);
    void centreOnScreen();
    void showWaiting();
    void showTimedOut();
    void showFlags(const PrinterStatusFlags& flags);

    StatusExchange& m_status;
    TemplateControls m_controls;
    std::array<QCheckBox*, kPrinterStatusFlagCount> m_flagBoxes{};
    QPushButton* m_refresh = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace quorvel
