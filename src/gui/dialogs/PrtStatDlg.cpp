#include "PrtStatDlg.h"

#include "gui/frame/DialogKeys.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace quorvel {

namespace {

// Looked up when shown, in the language installed by then.
QString idleTitle() {
    return PrtStatDlg::tr("打印机状态");
}
QString waitingTitle() {
    return PrtStatDlg::tr("发送状态请求...");
}
QString timedOutTitle() {
    return PrtStatDlg::tr("未找到打印机状态");
}

} // namespace

PrtStatDlg::PrtStatDlg(StatusExchange& status, QWidget* parent)
    : QDialog(parent), m_status(status) {
    setObjectName(QStringLiteral("PrtStatDlg"));
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_PRINTER_STATUS);
    setWindowTitle(TemplateText(tmpl.title));
    m_controls.build(this, tmpl);
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    for (std::size_t i = 0; i < kFlagBoxIds.size(); ++i)
        m_flagBoxes[i] = m_controls.as<QCheckBox>(kFlagBoxIds[i]);
    m_refresh = m_controls.as<QPushButton>(PrinterStatusControl::Refresh);
    m_progress = m_controls.as<QProgressBar>(PrinterStatusControl::WaitProgress);

    connect(m_controls.as<QPushButton>(PrinterStatusControl::Ok), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(m_refresh, &QPushButton::clicked, this, &PrtStatDlg::OnRefresh);
    connect(&m_status, &StatusExchange::waitStarted, this, &PrtStatDlg::showWaiting);
    connect(&m_status, &StatusExchange::progressChanged, m_progress, &QProgressBar::setValue);
    connect(&m_status, &StatusExchange::timedOut, this, &PrtStatDlg::showTimedOut);
    connect(&m_status, &StatusExchange::flagsReceived, this, &PrtStatDlg::showFlags);

    OnInitDialog();
}

PrtStatDlg::~PrtStatDlg() {
    OnDestroy();
}

void PrtStatDlg::OnInitDialog() {
    m_progress->setRange(0, StatusExchange::kProgressTop);
    m_status.open();
    centreOnScreen();
    m_controls.control(PrinterStatusControl::Ok)->setFocus();
}

void PrtStatDlg::centreOnScreen() {
    const QScreen* display = screen();
    if (!display)
        return;
    const QRect area = display->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void PrtStatDlg::setControlsEnabled(bool enabled) {
    for (QCheckBox* box : m_flagBoxes)
        box->setEnabled(enabled);
    m_refresh->setEnabled(enabled);
}

void PrtStatDlg::OnRefresh() {
    m_status.requestStatus();
}

void PrtStatDlg::showWaiting() {
    setControlsEnabled(false);
    setWindowTitle(waitingTitle());
}

void PrtStatDlg::showTimedOut() {
    setControlsEnabled(true);
    setWindowTitle(timedOutTitle());
}

void PrtStatDlg::showFlags(const PrinterStatusFlags& flags) {
    for (std::size_t i = 0; i < m_flagBoxes.size(); ++i) {
        m_flagBoxes[i]->setEnabled(true);
        m_flagBoxes[i]->setChecked(flags[i]);
    }
    m_refresh->setEnabled(true);
    setWindowTitle(idleTitle());
}

void PrtStatDlg::done(int result) {
    OnDestroy();
    QDialog::done(result);
}

void PrtStatDlg::OnDestroy() {
    m_status.close();
}

} // namespace quorvel
