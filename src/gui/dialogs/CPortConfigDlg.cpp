#include "CPortConfigDlg.h"

#include "gui/frame/AppMessageBox.h"
#include "gui/frame/DialogKeys.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <limits>

namespace quorvel {

namespace {

constexpr std::uint32_t kLowestPort = 1024;
constexpr std::uint32_t kHighestPort = 65535;

// The list shows each port as a signed decimal, and duplicates are found by that text.
QString PortText(std::uint32_t port) {
    return QString::number(static_cast<std::int32_t>(port));
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

std::optional<std::uint32_t> ParsePortText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min(value * 10 + (c - u'0'), kLargest + 1);
    }
    return static_cast<std::uint32_t>(std::min(value, kLargest));
}

CPortConfigDlg::CPortConfigDlg(RemotePortList& ports, QWidget* parent)
    : QDialog(parent), m_ports(ports) {
    setObjectName(QStringLiteral("CPortConfigDlg"));
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_PORTS);
    setWindowTitle(TemplateText(tmpl.title));
    m_controls.build(this, tmpl);
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    m_list = m_controls.as<QListWidget>(PortsControl::PortList);
    m_field = m_controls.as<QLineEdit>(PortsControl::PortField);

    const auto onClick = [this](int id, void (CPortConfigDlg::*handler)()) {
        connect(m_controls.as<QPushButton>(id), &QPushButton::clicked, this, handler);
    };
    onClick(PortsControl::Add, &CPortConfigDlg::OnAdd);
    onClick(PortsControl::Remove, &CPortConfigDlg::OnRemove);
    onClick(PortsControl::Ok, &CPortConfigDlg::OnOK);
    onClick(PortsControl::Cancel, &CPortConfigDlg::OnCancel);

    OnInitDialog();
}

void CPortConfigDlg::OnInitDialog() {
    m_field->setText(QString::number(portValue));
    for (std::uint32_t i = 0; i < m_ports.count(); ++i)
        addPortLine(m_ports.remotePorts[i]);
}

std::vector<std::uint32_t> CPortConfigDlg::listedPorts() const {
    std::vector<std::uint32_t> ports;
    for (int row = 0; row < m_list->count(); ++row)
        ports.push_back(m_list->item(row)->data(Qt::UserRole).toUInt());
    return ports;
}

bool CPortConfigDlg::readPortField() {
    const std::optional<std::uint32_t> value = ParsePortText(m_field->text());
    if (!value) {
        AppMessageBox(tr("Please enter a positive integer."));
        m_field->setFocus();
        return false;
    }
    portValue = *value;
    return true;
}

void CPortConfigDlg::addPortLine(std::uint32_t port) {
    const QString text = PortText(port);
    m_list->addItem(text);
    const QList<QListWidgetItem*> lines = m_list->findItems(text, Qt::MatchExactly);
    if (lines.isEmpty()) {
        AppMessageBox(tr("LB_ERR when adding port to list box"));
        return;
    }
    lines.first()->setData(Qt::UserRole, port);
}

void CPortConfigDlg::OnAdd() {
    if (!readPortField())
        return;
    if (static_cast<std::uint32_t>(m_list->count()) >= kMaxRemotePorts) {
        AppMessageBox(tr("Error: Exceeded Maximum Number of Ports"));
        return;
    }
    const QString text = PortText(portValue);
    if (!m_list->findItems(text, Qt::MatchExactly).isEmpty()) {
        AppMessageBox(tr("Error: Duplicate Port"));
        return;
    }
    if (portValue < kLowestPort || portValue > kHighestPort) {
        AppMessageBox(tr("Error: Invalid Port ( 1024 >= port >= 65535)"));
        return;
    }
    addPortLine(portValue);
}

void CPortConfigDlg::OnRemove() {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        AppMessageBox(tr("Please select a port to remove"));
        return;
    }
    delete selected.first();
    m_list->selectionModel()->clear();
}

void CPortConfigDlg::OnOK() {
    const std::vector<std::uint32_t> ports = listedPorts();
    m_ports.remotePortCount = std::min(static_cast<std::uint32_t>(ports.size()), kMaxRemotePorts);
    for (std::uint32_t i = 0; i < m_ports.remotePortCount; ++i)
        m_ports.remotePorts[i] = ports[i];
    // The list is taken over even when the field then fails to read.
    if (!readPortField())
        return;
    QDialog::accept();
}

void CPortConfigDlg::OnCancel() {
    QDialog::reject();
}

} // namespace quorvel
