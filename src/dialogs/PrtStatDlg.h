#pragma once

#include "app/ExchangeDialog.h"
#include "protocol/PrinterStatusDatagrams.h"
#include "resources/TemplateControls.h"

#include <QDialog>
#include <QTimer>
#include <array>

class QCheckBox;
class QProgressBar;
class QPushButton;

namespace quorvel {

// Shows the fourteen status flags of the selected board's printer and asks
// for them again on "刷新". While open it owns the shared socket's datagrams.
class PrtStatDlg : public QDialog, public ExchangeDialog {
    Q_OBJECT
public:
    static constexpr int kTickMilliseconds = 500;
    static constexpr int kProgressTop = 40;
    static constexpr int kProgressStep = -5;

    // The check boxes in the order of the status word's bits 0 to 13.
    static constexpr std::array<int, kPrinterStatusFlagCount> kFlagBoxIds = {
        1026, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040};

    explicit PrtStatDlg(QWidget* parent = nullptr);
    ~PrtStatDlg() override;

    QWidget* control(int id) const { return m_controls.control(id); }
    QProgressBar* progressBar() const { return m_progress; }
    bool isWaiting() const { return m_timer.isActive(); }

    void OnRefresh();
    // One 500 ms tick of the wait; the real timer calls it, tests call it directly.
    void OnTimer();
    void HandleReply() override;

    // Ends the modal run however it was asked for (OK, Escape, close box).
    void done(int result) override;

private:
    void OnInitDialog();
    // The window is going away: from here on datagrams are out of place.
    void OnDestroy();
    void setControlsEnabled(bool enabled);
    void centreOnScreen();

    TemplateControls m_controls;
    std::array<QCheckBox*, kPrinterStatusFlagCount> m_flagBoxes{};
    QPushButton* m_refresh = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer m_timer;
};

} // namespace quorvel
