#pragma once

#include "core/exchange/SearchExchange.h"
#include "gui/frame/TemplateControls.h"

#include <QDialog>
#include <QString>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quorvel {

// The view of one search run: its countdown, the count of boards found, and
// the repeat and auto-close options. Opening starts the run it is handed.
class CSearchDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSearchDlg(SearchExchange& search, QWidget* parent = nullptr);
    ~CSearchDlg() override;

    void OnOK();
    void OnCancel();

    SearchExchange& exchange() const { return m_search; }
    QWidget* control(int id) const { return m_controls.control(id); }

    std::int32_t foundCount() const { return m_search.foundCount(); }
    const QString& remainingText() const { return m_remainingText; }
    // The count as shown; during a burst of replies it may trail foundCount().
    const QString& foundText() const { return m_foundText; }

    // Escape, the close box and the stop button all come here.
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

private:
    void OnInitDialog();
    void showCountdown(int countdown);
    void showFoundCount(int count);
    void onRanOut();

    SearchExchange& m_search;
    TemplateControls m_controls;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLineEdit* m_remainingEdit = nullptr;
    QLineEdit* m_foundEdit = nullptr;
    QCheckBox* m_repeatBox = nullptr;
    QCheckBox* m_autoCloseBox = nullptr;
    QString m_remainingText;
    QString m_foundText;
};

} // namespace quorvel
