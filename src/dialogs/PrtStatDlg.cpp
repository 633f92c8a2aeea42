#include "PrtStatDlg.h"

#include "Countdown.h"
#include "app/AppMessageBox.h"
#include "app/CQuorvelApp.h"
#include "app/CQuorvelDlg.h"
#include "app/DatagramSocket.h"
#include "devices/DeviceTable.h"
#include "frame/DialogKeys.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace quorvel {

namespace {

const QString kIdleTitle = QStringLiteral("打印机状态");
const QString kWaitingTitle = QStringLiteral("发送状态请求...");
const QString kTimedOutTitle = QStringLiteral("未找到打印机状态");

} // namespace

PrtStatDlg::PrtStatDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PrtStatDlg"));
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_PRINTER_STATUS);
    setWindowTitle(QString::fromUtf8(tmpl.title));
    m_controls.build(this, tmpl);
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    for (std::size_t i = 0; i < kFlagBoxIds.size(); ++i)
        m_flagBoxes[i] = m_controls.as<QCheckBox>(kFlagBoxIds[i]);
    m_refresh = m_controls.as<QPushButton>(1041);
    m_progress = m_controls.as<QProgressBar>(1014);

    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &PrtStatDlg::OnTimer);
    connect(m_controls.as<QPushButton>(1), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_refresh, &QPushButton::clicked, this, &PrtStatDlg::OnRefresh);

    OnInitDialog();
}

PrtStatDlg::~PrtStatDlg() {
    OnDestroy();
    // The application keeps the pointer; leave it nothing to dangle on.
    if (CQuorvelApp* app = CQuorvelApp::instance(); app && app->statusDialog == this)
        app->statusDialog = nullptr;
}

void PrtStatDlg::OnInitDialog() {
    if (CQuorvelApp* app = CQuorvelApp::instance()) {
        app->statusDialog = this;
        app->ExchangeMode = ExchangePrinterStatus;
    }
    m_progress->setRange(0, kProgressTop);
    m_progress->setValue(0);
    centreOnScreen();
    m_controls.control(1)->setFocus();
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
    setControlsEnabled(false);
    setWindowTitle(kWaitingTitle);
    m_timer.start();
    m_progress->setValue(kProgressTop);

    CQuorvelApp* app = CQuorvelApp::instance();
    if (!app || !app->mainDialog)
        return;
    const DeviceTable& table = app->mainDialog->deviceTable();
    std::uint8_t ip[4];
    if (!table.GetSelectedIp(ip))
        return;
    const std::uint32_t address = (std::uint32_t{ip[0]} << 24) | (std::uint32_t{ip[1]} << 16) |
                                  (std::uint32_t{ip[2]} << 8) | ip[3];
    const auto request = BuildPrinterStatusRequest();
    // A failed send is not reported: the wait simply times out.
    app->socket().sendTo(request, address, table.GetSelectedPort());
}

void PrtStatDlg::OnTimer() {
    if (!m_timer.isActive())
        return;
    m_progress->setValue(StepCountdown(m_progress->value(), -kProgressStep, kProgressTop));
    if (m_progress->value() != m_progress->minimum())
        return;
    m_timer.stop();
    setControlsEnabled(true);
    setWindowTitle(kTimedOutTitle);
}

void PrtStatDlg::HandleReply() {
    CQuorvelApp* app = CQuorvelApp::instance();
    if (!app)
        return;
    ReceiveBuffer buffer;
    const ReadBytes datagram = buffer.read(app->socket());
    if (!datagram) {
        AppMessageBox(QStringLiteral("接收数据错误！"), MessageIcon::Error);
        return;
    }
    const std::optional<PrinterStatusFlags> flags = DecodePrinterStatusReply(*datagram);
    // Anything but a 4-byte reply (a late search answer, say) is not ours:
    // the wait goes on and ends with a real reply or the time-out.
    if (!flags)
        return;
    for (std::size_t i = 0; i < m_flagBoxes.size(); ++i) {
        m_flagBoxes[i]->setEnabled(true);
        m_flagBoxes[i]->setChecked((*flags)[i]);
    }
    m_refresh->setEnabled(true);
    setWindowTitle(kIdleTitle);
    m_timer.stop();
    m_progress->setValue(m_progress->minimum());
}

void PrtStatDlg::done(int result) {
    OnDestroy();
    QDialog::done(result);
}

void PrtStatDlg::OnDestroy() {
    if (CQuorvelApp* app = CQuorvelApp::instance();
        app && app->statusDialog == this && app->ExchangeMode == ExchangePrinterStatus)
        app->ExchangeMode = ExchangeNone;
    m_timer.stop();
}

} // namespace quorvel
