#include "CAssignDlg.h"

#include "IpAddressEdit.h"
#include "core/exchange/AddressCheckText.h"
#include "gui/frame/AppMessageBox.h"
#include "gui/frame/DialogKeys.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace quorvel {

namespace {

constexpr int kAddressControls[] = {AssignControl::IpAddress, AssignControl::SubnetMask,
                                    AssignControl::Gateway};

} // namespace

CAssignDlg::CAssignDlg(AssignExchange& assign, QWidget* parent)
    : QDialog(parent), m_assign(assign) {
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_ASSIGN);
    setWindowTitle(TemplateText(tmpl.title));
    m_controls.build(this, tmpl, [](const ControlTemplate& c, QWidget* parent) -> QWidget* {
        return c.kind == ControlKind::IpAddress ? new IpAddressEdit(parent) : nullptr;
    });
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    m_ok = m_controls.as<QPushButton>(AssignControl::Ok);
    m_progress = m_controls.as<QProgressBar>(AssignControl::Countdown);
    m_statusLine = m_controls.as<QLineEdit>(AssignControl::StatusLine);
    m_repeat = m_controls.as<QCheckBox>(AssignControl::Repeat);
    m_closeOnSuccess = m_controls.as<QCheckBox>(AssignControl::CloseOnSuccess);
    m_pingGleaning = m_controls.as<QCheckBox>(AssignControl::PingGleaning);
    m_dhcp = m_controls.as<QCheckBox>(AssignControl::UseDhcp);

    connect(m_ok, &QPushButton::clicked, this, &CAssignDlg::OnOK);
    connect(m_controls.as<QPushButton>(AssignControl::Cancel), &QPushButton::clicked, this,
            &CAssignDlg::OnCancel);
    connect(m_dhcp, &QCheckBox::clicked, this, &CAssignDlg::OnDhcpClicked);
    connect(m_repeat, &QCheckBox::toggled, &m_assign, &AssignExchange::setRepeat);
    connect(m_pingGleaning, &QCheckBox::toggled, &m_assign, &AssignExchange::setPingGleaning);
    connect(m_closeOnSuccess, &QCheckBox::toggled, &m_assign, &AssignExchange::setCloseOnSuccess);
    connect(&m_assign, &AssignExchange::countdownChanged, m_progress, &QProgressBar::setValue);
    connect(&m_assign, &AssignExchange::statusChanged, m_statusLine, &QLineEdit::setText);
    connect(&m_assign, &AssignExchange::ended, this, &CAssignDlg::endAssignment);
    connect(&m_assign, &AssignExchange::closeRequested, this, [this] { done(Accepted); });

    OnInitDialog();
}

CAssignDlg::~CAssignDlg() {
    m_assign.close();
}

IpAddressEdit* CAssignDlg::addressControl(int id) const {
    return m_controls.as<IpAddressEdit>(id);
}

void CAssignDlg::OnInitDialog() {
    m_progress->setRange(0, AssignExchange::kCountdownTop);
    m_assign.open();

    if (const std::optional<DeviceRecord>& board = m_assign.board()) {
        addressControl(AssignControl::IpAddress)->setAddress(board->ip);
        addressControl(AssignControl::SubnetMask)->setAddress(board->subnetMask);
        addressControl(AssignControl::Gateway)->setAddress(board->gateway);
    }
    m_ok->setEnabled(true);
    control(AssignControl::Cancel)->setEnabled(true);
    m_repeat->setChecked(false);
    m_closeOnSuccess->setChecked(true);
    m_pingGleaning->setChecked(true);
    m_assign.setRepeat(m_repeat->isChecked());
    m_assign.setCloseOnSuccess(m_closeOnSuccess->isChecked());
    m_assign.setPingGleaning(m_pingGleaning->isChecked());
    // Whatever mode the board reported, the user starts from its addresses.
    m_dhcp->setChecked(false);
    OnDhcpClicked();
}

void CAssignDlg::OnDhcpClicked() {
    for (int id : kAddressControls)
        control(id)->setEnabled(!m_dhcp->isChecked());
}

AssignParameters CAssignDlg::fields() const {
    AssignParameters params;
    params.useDhcp = m_dhcp->isChecked();
    // The fields keep their values while DHCP disables them, and the board
    // gets them either way.
    addressControl(AssignControl::IpAddress)->address(params.ip);
    addressControl(AssignControl::SubnetMask)->address(params.subnetMask);
    addressControl(AssignControl::Gateway)->address(params.gateway);
    return params;
}

void CAssignDlg::OnOK() {
    // Enter reaches here too; while an assignment runs the button is
    // disabled and a second one must not start.
    if (!m_ok->isEnabled())
        return;
    if (m_assign.outcome() != AssignOutcome::Running) {
        done(Accepted);
        return;
    }
    const AssignParameters typed = fields();
    if (!typed.useDhcp && !addressesAccepted(typed))
        return;
    m_assign.start(typed);
    m_ok->setEnabled(false);
}

bool CAssignDlg::addressesAccepted(const AssignParameters& typed) {
    const AddressVerdict verdict = CheckStaticAddress(typed.ip, typed.subnetMask, typed.gateway);
    if (verdict.kind != AddressVerdict::Accepted) {
        IpAddressEdit* field = addressControl(kAddressControls[static_cast<int>(verdict.field)]);
        const QString text = AddressVerdictText(verdict, field->text());
        const bool sendAnyway =
            verdict.kind == AddressVerdict::AskAboutGateway && AppQuestionBox(text);
        if (verdict.kind == AddressVerdict::Refused)
            AppMessageBox(text);
        if (!sendAnyway) {
            field->setFocus();
            return false;
        }
    }
    // This computer's own address, its gateway's or another device's: the
    // user decides, before anything is sent.
    if (const auto clash = m_assign.addressClash(typed.ip);
        clash && !AppQuestionBox(AddressClashQuestion(typed.ip, *clash))) {
        addressControl(AssignControl::IpAddress)->setFocus();
        return false;
    }
    return true;
}

void CAssignDlg::OnCancel() {
    done(Rejected);
}

void CAssignDlg::done(int result) {
    m_assign.close();
    QDialog::done(result);
}

void CAssignDlg::endAssignment(AssignOutcome outcome) {
    // OK becomes "Close" once there is nothing left to try: the board took
    // the address, refused it outright, or never answered. After an unknown
    // error the user may press OK to try again.
    const bool unknownError =
        outcome == AssignOutcome::Refused && m_assign.replyCode() == std::uint8_t(UnknownError);
    if (!unknownError)
        m_ok->setText(tr("Close"));
    m_ok->setEnabled(true);
}

} // namespace quorvel
