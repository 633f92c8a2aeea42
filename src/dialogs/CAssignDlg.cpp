#include "CAssignDlg.h"

#include "Countdown.h"
#include "IpAddressEdit.h"
#include "app/AppMessageBox.h"
#include "app/CQuorvelApp.h"
#include "app/CQuorvelDlg.h"
#include "app/HostCommands.h"
#include "devices/DeviceTable.h"
#include "frame/DialogKeys.h"
#include "protocol/AddressCheck.h"
#include "protocol/RandomNumber.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace quorvel {

namespace {

constexpr int kAddressControls[] = {1018, 1019, 1020};

DeviceTable* selectionTable() {
    CQuorvelApp* app = CQuorvelApp::instance();
    return app && app->mainDialog ? &app->mainDialog->deviceTable() : nullptr;
}

QString fieldName(AddressField field) {
    switch (field) {
    case AddressField::Ip:
        return QStringLiteral("IP address");
    case AddressField::SubnetMask:
        return QStringLiteral("Subnet mask");
    case AddressField::Gateway:
        return QStringLiteral("Default gateway");
    }
    return {};
}

QString problemText(AddressProblem problem) {
    switch (problem) {
    case AddressProblem::Unspecified:
        return QStringLiteral("0.0.0.0 is not an address a device can take.");
    case AddressProblem::LimitedBroadcast:
        return QStringLiteral("255.255.255.255 is the broadcast address.");
    case AddressProblem::Loopback:
        return QStringLiteral("%1 is a loopback address (127.x.x.x).");
    case AddressProblem::MulticastOrReserved:
        return QStringLiteral("%1 is a multicast or reserved address (224.0.0.0 and above).");
    case AddressProblem::MaskEmpty:
        return QStringLiteral("0.0.0.0 is not a subnet mask.");
    case AddressProblem::MaskNotContiguous:
        return QStringLiteral("%1 is not a subnet mask: its ones must come first, without gaps.");
    case AddressProblem::SubnetNetwork:
        return QStringLiteral("%1 is the network address of its own subnet.");
    case AddressProblem::SubnetBroadcast:
        return QStringLiteral("%1 is the broadcast address of its own subnet.");
    case AddressProblem::GatewayOutsideSubnet:
        return QStringLiteral("%1 is outside the subnet of the IP address, so the device may not "
                              "reach it.\nSend these settings anyway?");
    case AddressProblem::None:
        break;
    }
    return {};
}

QString secondsRemaining(int countdown) {
    return QString::number(countdown / 1000) + QStringLiteral(" seconds remaining");
}

} // namespace

CAssignDlg::CAssignDlg(QWidget* parent) : QDialog(parent) {
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_ASSIGN);
    setWindowTitle(QString::fromUtf8(tmpl.title));
    m_controls.build(this, tmpl, [](const ControlTemplate& c, QWidget* parent) -> QWidget* {
        return c.kind == ControlKind::IpAddress ? new IpAddressEdit(parent) : nullptr;
    });
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    m_ok = m_controls.as<QPushButton>(1);
    m_progress = m_controls.as<QProgressBar>(1021);
    m_statusLine = m_controls.as<QLineEdit>(1011);
    m_repeat = m_controls.as<QCheckBox>(1023);
    m_closeOnSuccess = m_controls.as<QCheckBox>(1022);
    m_pingGleaning = m_controls.as<QCheckBox>(1024);
    m_dhcp = m_controls.as<QCheckBox>(1026);

    connect(m_ok, &QPushButton::clicked, this, &CAssignDlg::OnOK);
    connect(m_controls.as<QPushButton>(2), &QPushButton::clicked, this, &CAssignDlg::OnCancel);
    connect(m_dhcp, &QCheckBox::clicked, this, &CAssignDlg::OnDhcpClicked);
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CAssignDlg::OnTimer);

    OnInitDialog();
}

CAssignDlg::~CAssignDlg() {
    m_timer.stop();
    leaveExchange();
    if (CQuorvelApp* app = CQuorvelApp::instance(); app && app->assignDialog == this)
        app->assignDialog = nullptr;
}

IpAddressEdit* CAssignDlg::addressControl(int id) const {
    return m_controls.as<IpAddressEdit>(id);
}

void CAssignDlg::OnInitDialog() {
    if (CQuorvelApp* app = CQuorvelApp::instance()) {
        app->ExchangeMode = ExchangeAssign;
        app->assignDialog = this;
    }
    m_progress->setRange(0, kCountdownTop);
    countdown = kCountdownTop;
    showCountdown();
    finished = false;
    timedOut = false;
    setStatus(QString::asprintf("%i seconds remaining", 10));

    if (const DeviceTable* table = selectionTable()) {
        std::uint8_t ip[4] = {}, mask[4] = {}, gateway[4] = {};
        if (table->GetSelectedIp(ip) && table->GetSelectedSubnetMask(mask) &&
            table->GetSelectedGateway(gateway)) {
            addressControl(1018)->setAddress(ip);
            addressControl(1019)->setAddress(mask);
            addressControl(1020)->setAddress(gateway);
        }
    }
    m_ok->setEnabled(true);
    control(2)->setEnabled(true);
    m_repeat->setChecked(false);
    m_closeOnSuccess->setChecked(true);
    m_pingGleaning->setChecked(true);
    // Whatever mode the board reported, the user starts from its addresses.
    m_dhcp->setChecked(false);
    OnDhcpClicked();
}

void CAssignDlg::OnDhcpClicked() {
    for (int id : kAddressControls)
        control(id)->setEnabled(!m_dhcp->isChecked());
}

void CAssignDlg::OnOK() {
    // Enter reaches here too; while an assignment runs the button is
    // disabled and a second one must not start.
    if (!m_ok->isEnabled())
        return;
    if (finished || timedOut) {
        done(Accepted);
        return;
    }
    if (!m_dhcp->isChecked() && !addressesAccepted())
        return;
    buildRequest();
    m_neighbours.flush();
    m_timer.start();
    m_ok->setEnabled(false);
}

bool CAssignDlg::addressesAccepted() {
    std::uint8_t ip[4], mask[4], gateway[4];
    addressControl(1018)->address(ip);
    addressControl(1019)->address(mask);
    addressControl(1020)->address(gateway);
    const AddressVerdict verdict = CheckStaticAddress(ip, mask, gateway);
    if (verdict.kind == AddressVerdict::Accepted)
        return true;
    static constexpr int kFieldIds[] = {1018, 1019, 1020};
    IpAddressEdit* field = addressControl(kFieldIds[static_cast<int>(verdict.field)]);
    const QString text = fieldName(verdict.field) + QStringLiteral(": ") +
                         problemText(verdict.problem).replace(QStringLiteral("%1"), field->text());
    if (verdict.kind == AddressVerdict::AskAboutGateway && AppQuestionBox(text))
        return true;
    if (verdict.kind == AddressVerdict::Refused)
        AppMessageBox(text);
    field->setFocus();
    return false;
}

void CAssignDlg::OnCancel() {
    done(Rejected);
}

void CAssignDlg::done(int result) {
    m_timer.stop();
    leaveExchange();
    m_neighbours.removeAll();
    QDialog::done(result);
}

void CAssignDlg::leaveExchange() {
    CQuorvelApp* app = CQuorvelApp::instance();
    if (app && app->assignDialog == this && app->ExchangeMode == ExchangeAssign)
        app->ExchangeMode = ExchangeNone;
}

void CAssignDlg::buildRequest() {
    AssignParameters params;
    randomNumber = DrawRandom15();
    params.useDhcp = m_dhcp->isChecked();
    // The fields keep their values while DHCP disables them, and the board
    // gets them either way.
    addressControl(1018)->address(params.ip);
    addressControl(1019)->address(params.subnetMask);
    addressControl(1020)->address(params.gateway);
    const DeviceTable* table = selectionTable();
    if (table && table->GetSelectedMac(params.mac))
        m_replyPort = table->GetSelectedPort();
    else
        AppMessageBox(QStringLiteral("Cell not selected"));
    requestBuffer = BuildAssignRequest(params, randomNumber);
    m_requestBuilt = true;
}

void CAssignDlg::sendRequest() {
    CQuorvelApp* app = CQuorvelApp::instance();
    if (!app || !app->udpSocket)
        return;
    const int error = app->socket().sendTo(requestBuffer, kBroadcastAddress, m_replyPort);
    if (error != 0)
        AppMessageBox(QString::number(error) + QStringLiteral(" Unable To Send"));
}

void CAssignDlg::OnTimer() {
    if (!m_timer.isActive())
        return;
    countdown = StepCountdown(countdown, kCountdownStep, kCountdownTop);
    // A send failure opens a box whose loop runs further ticks; the rest of
    // this tick belongs to this countdown value.
    const int now = countdown;
    showCountdown();
    setStatus(secondsRemaining(now));

    const std::uint8_t ip[4] = {requestBuffer[4], requestBuffer[5], requestBuffer[6],
                                requestBuffer[7]};
    const std::uint8_t mac[6] = {requestBuffer[16], requestBuffer[17], requestBuffer[18],
                                 requestBuffer[19], requestBuffer[20], requestBuffer[21]};
    const bool gleaning = m_pingGleaning->isChecked();
    if (now == 0 && !m_repeat->isChecked()) {
        m_timer.stop();
        timedOut = true;
        setStatus(QStringLiteral("Timeout -- Did not receive an acknowlegement"));
        endAssignment(true);
    } else if (now == 9500) {
        m_neighbours.add(ip, mac);
    } else if (now == 9000) {
        if (gleaning)
            HostCommands::run(HostCommands::ping(ip));
        else
            sendRequest();
    }
    if (now == 8000 && gleaning)
        sendRequest();
}

void CAssignDlg::HandleAssignReply() {
    CQuorvelApp* app = CQuorvelApp::instance();
    if (!app || !app->udpSocket)
        return;
    ReceiveBuffer buffer;
    const ReadBytes datagram = buffer.read(app->socket());
    const AssignClassification verdict = ClassifyAssignDatagram(
        datagram, m_requestBuilt ? std::optional<std::uint16_t>(randomNumber) : std::nullopt);
    switch (verdict.kind) {
    case AssignDatagramKind::ReadError:
        AppMessageBox(QStringLiteral("Error receiving data"));
        return;
    case AssignDatagramKind::NotReply:
        AppMessageBox(QStringLiteral("Invalid Assign Packet Received"));
        return;
    case AssignDatagramKind::Reply:
        break;
    }
    m_timer.stop();
    const char* text = AssignResultText(verdict.result);
    if (!text)
        return;
    setStatus(QString::fromUtf8(text));
    finished = true;
    endAssignment(verdict.result != UnknownError);
    if (verdict.result == Programmed && m_closeOnSuccess->isChecked())
        done(Accepted);
}

void CAssignDlg::endAssignment(bool relabel) {
    if (relabel)
        m_ok->setText(QStringLiteral("Close"));
    m_ok->setEnabled(true);
}

void CAssignDlg::setStatus(const QString& text) {
    statusText = text;
    m_statusLine->setText(statusText);
}

void CAssignDlg::showCountdown() {
    m_progress->setValue(countdown);
}

} // namespace quorvel
