#include "CSearchDlg.h"

#include "Countdown.h"
#include "app/AppMessageBox.h"
#include "app/CQuorvelApp.h"
#include "frame/DialogKeys.h"
#include "protocol/RandomNumber.h"
#include "protocol/SearchDatagrams.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cerrno>

namespace quorvel {

namespace {

QString remainingSeconds(int seconds) {
    return QStringLiteral("剩余 %1 秒").arg(seconds);
}

QString devicesFound(int count) {
    return QStringLiteral("找到 %1 个设备").arg(count);
}

// A line edit lays its text out anew on every setText, even an unchanged one.
void setTextIfChanged(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

bool isRepeatWhileNothingFound(int countdown) {
    return countdown == 5000 || countdown == 4000 || countdown == 3000 || countdown == 2000 ||
           countdown == 1000;
}

} // namespace

CSearchDlg::CSearchDlg(QWidget* parent) : QDialog(parent) {
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_SEARCH);
    setWindowTitle(QString::fromUtf8(tmpl.title));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_controls.build(this, tmpl);
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    m_okButton = m_controls.as<QPushButton>(1);
    m_stopButton = m_controls.as<QPushButton>(2);
    m_progress = m_controls.as<QProgressBar>(1014);
    m_remainingEdit = m_controls.as<QLineEdit>(1015);
    m_foundEdit = m_controls.as<QLineEdit>(1016);
    m_repeatBox = m_controls.as<QCheckBox>(1017);
    m_autoCloseBox = m_controls.as<QCheckBox>(1018);

    connect(m_okButton, &QPushButton::clicked, this, &CSearchDlg::OnOK);
    connect(m_stopButton, &QPushButton::clicked, this, &CSearchDlg::OnCancel);
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CSearchDlg::OnTimer);
    m_showFound.setSingleShot(true);
    m_showFound.setInterval(0);
    connect(&m_showFound, &QTimer::timeout, this, &CSearchDlg::showFoundCount);

    OnInitDialog();
}

CSearchDlg::~CSearchDlg() {
    m_timer.stop();
    if (CQuorvelApp* app = CQuorvelApp::instance()) {
        app->ExchangeMode = ExchangeNone;
        if (app->searchDialog == this)
            app->searchDialog = nullptr;
    }
}

void CSearchDlg::OnInitDialog() {
    if (CQuorvelApp* app = CQuorvelApp::instance()) {
        app->searchDialog = this;
        app->ExchangeMode = ExchangeSearch;
    }
    m_sendAborted = false;
    m_progress->setRange(0, kCountdownFull);
    m_countdown = kCountdownFull;
    m_tickCount = 0;
    m_remainingText = remainingSeconds(kCountdownFull / 1000);
    m_run.foundCount = 0;
    m_foundText = devicesFound(0);
    updateData();
    m_stopButton->setEnabled(true);
    m_okButton->setEnabled(false);
    m_autoCloseBox->setChecked(true);
    m_timer.start();
}

void CSearchDlg::updateData() {
    m_progress->setValue(m_countdown);
    setTextIfChanged(m_remainingEdit, m_remainingText);
    setTextIfChanged(m_foundEdit, m_foundText);
}

void CSearchDlg::stepCountdown() {
    m_countdown = StepCountdown(m_countdown, kCountdownStep, kCountdownFull);
}

void CSearchDlg::OnTimer() {
    if (m_tickCount == 0)
        SendNewSearch();
    stepCountdown();
    m_remainingText = remainingSeconds(m_countdown / 1000);
    updateData();
    if (m_countdown == 0 && !m_repeatBox->isChecked()) {
        m_timer.stop();
        m_stopButton->setEnabled(false);
        m_okButton->setEnabled(true);
        if (m_autoCloseBox->isChecked())
            OnOK();
    }
    if (m_countdown == 8000 || m_countdown == 6000)
        RepeatSearch();
    else if (isRepeatWhileNothingFound(m_countdown) && m_run.foundCount == 0)
        RepeatSearch();
    else
        ++m_tickCount;
}

void CSearchDlg::SendNewSearch() {
    m_run.randomNumber = NewRandomNumber();
    sendToEveryPort();
}

void CSearchDlg::RepeatSearch() {
    sendToEveryPort();
}

void CSearchDlg::sendToEveryPort() {
    CQuorvelApp* app = CQuorvelApp::instance();
    if (!app || !m_run.randomNumber)
        return;
    const auto request = BuildSearchRequest(*m_run.randomNumber);
    // The count comes from the port dialog; never read past the list itself.
    const std::uint32_t count = std::min(app->remotePortCount, kMaxRemotePorts);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (m_sendAborted)
            return;
        DatagramSocket* socket = app->udpSocket.get();
        const int error = socket ? socket->sendTo(request, kBroadcastAddress,
                                                  static_cast<std::uint16_t>(app->remotePorts[i]))
                                 : EBADF;
        if (error == 0)
            continue;
        m_sendAborted = true;
        AppMessageBox(QStringLiteral("Error Code: %1.").arg(error) +
                      QStringLiteral(" Unable To Send Packet. Please Check Network Connection."));
        OnCancel();
        return;
    }
}

void CSearchDlg::HandleSearchReply() {
    CQuorvelApp* app = CQuorvelApp::instance();
    if (!app)
        return;
    if (HandleSearchDatagram(*app, m_run) && !m_showFound.isActive())
        m_showFound.start();
    // Writing and laying out the text again for each of thousands of replies
    // would cost more than the rest of the reply: the count is shown once the
    // waiting replies are read, or at the event loop's next turn, whichever
    // comes first.
    if (!m_showFound.isActive() || (app->udpSocket && app->udpSocket->hasPendingDatagram()))
        return;
    m_showFound.stop();
    showFoundCount();
}

void CSearchDlg::showFoundCount() {
    m_foundText = devicesFound(m_run.foundCount);
    updateData();
}

void CSearchDlg::endRun() {
    // A closed run must not tick on (and send) while an outer message box
    // keeps the event loop turning before the modal run returns.
    m_timer.stop();
    if (CQuorvelApp* app = CQuorvelApp::instance())
        app->ExchangeMode = ExchangeNone;
}

void CSearchDlg::OnOK() {
    endRun();
    QDialog::accept();
}

void CSearchDlg::OnCancel() {
    endRun();
    QDialog::reject();
}

} // namespace quorvel
