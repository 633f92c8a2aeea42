#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvel {

class FirmwarePush;

// "固件升级": one board's firmware push as it runs, handed the push and the
// image's name. A bar with the bytes the board acknowledged, then the wait
// for the board to answer again, then the verdict. Cancel (or Escape) stops
// the transfer and shows what was sent; once the push is over it closes.
class FirmwarePushDlg : public QDialog {
    Q_OBJECT
public:
    FirmwarePushDlg(FirmwarePush& push, const QString& imageName, QWidget* parent = nullptr);

    void reject() override;

    QProgressBar& bar() const { return *m_bar; }
    QString stageText() const;
    QString bytesText() const;
    QString verdictText() const;
    QPushButton& button() const { return *m_button; }

private:
    void showProgress(quint64 acknowledged, quint64 size);
    void showWait();
    void showVerdict();

    FirmwarePush& m_push;
    QLabel* m_stage = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_bytes = nullptr;
    QLabel* m_verdict = nullptr;
    QPushButton* m_button = nullptr;
};

} // namespace quorvel
