#pragma once

#include "SearchReplyHandler.h"
#include "app/ExchangeDialog.h"
#include "resources/TemplateControls.h"

#include <QDialog>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quorvel {

class CQuorvelApp;

// One search run: owns the shared socket's datagrams while it is open,
// broadcasts the request on a fixed ten-second schedule and counts the
// boards that answer. Each tick is OnTimer, so the schedule can be stepped
// without a clock.
class CSearchDlg : public QDialog, public ExchangeDialog {
    Q_OBJECT
public:
    static constexpr int kTickMilliseconds = 250;
    static constexpr int kCountdownFull = 10000;
    static constexpr int kCountdownStep = 250;

    explicit CSearchDlg(QWidget* parent = nullptr);
    ~CSearchDlg() override;

    // One step of the schedule.
    void OnTimer();
    void OnOK();
    void OnCancel();

    void SendNewSearch();
    void RepeatSearch();

    void HandleReply() override { HandleSearchReply(); }
    void HandleSearchReply();

    QWidget* control(int id) const { return m_controls.control(id); }

    int countdown() const { return m_countdown; }
    std::int32_t tickCount() const { return m_tickCount; }
    std::optional<std::uint16_t> randomNumber() const { return m_run.randomNumber; }
    std::int32_t foundCount() const { return m_run.foundCount; }
    bool sendAborted() const { return m_sendAborted; }
    const QString& remainingText() const { return m_remainingText; }
    // The count as shown; during a burst of replies it may trail foundCount().
    const QString& foundText() const { return m_foundText; }
    bool isTicking() const { return m_timer.isActive(); }

    // Escape, the close box and the stop button all come here.
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

private:
    void OnInitDialog();
    void sendToEveryPort();
    void stepCountdown();
    void updateData();
    void showFoundCount();
    void endRun();

    TemplateControls m_controls;
    bool m_sendAborted = false;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLineEdit* m_remainingEdit = nullptr;
    QLineEdit* m_foundEdit = nullptr;
    QCheckBox* m_repeatBox = nullptr;
    QCheckBox* m_autoCloseBox = nullptr;
    QString m_remainingText;
    QString m_foundText;
    std::int32_t m_tickCount = 0;
    SearchRunState m_run;
    int m_countdown = kCountdownFull;
    QTimer m_timer;
    // Shows the count once a burst of replies has been read.
    QTimer m_showFound;
};

} // namespace quorvel
