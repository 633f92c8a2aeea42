#include "SearchSettingsDlg.h"

#include "core/net/NetworkInterfaces.h"
#include "gui/frame/AppMessageBox.h"
#include "protocol/Addresses.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <net/if.h>

namespace quorvel {

SearchSettingsDlg::SearchSettingsDlg(const SearchSettings& settings, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("搜索设置"));
    auto* form = new QFormLayout(this);

    m_allInterfaces = new QCheckBox(tr("所有接口(&A)"), this);
    m_allInterfaces->setObjectName(QStringLiteral("allInterfaces"));
    m_interfaces = new QListWidget(this);
    m_interfaces->setObjectName(QStringLiteral("interfaces"));
    m_interfaces->setAccessibleName(tr("搜索的接口"));
    QStringList names;
    for (const InterfaceEntry& entry : ReadInterfaceEntries())
        if (!(entry.flags & IFF_LOOPBACK) && !names.contains(QString::fromStdString(entry.name)))
            names << QString::fromStdString(entry.name);
    // A chosen interface that is gone now (a USB adapter) stays chosen.
    for (const QString& name : settings.interfaces)
        if (!names.contains(name))
            names << name;
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, m_interfaces);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(settings.interfaces.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
    m_allInterfaces->setChecked(settings.interfaces.isEmpty());
    m_interfaces->setEnabled(!settings.interfaces.isEmpty());
    connect(m_allInterfaces, &QCheckBox::toggled, m_interfaces,
            [this](bool all) { m_interfaces->setEnabled(!all); });
    auto* interfacesLabel = new QLabel(tr("接口："), this);
    interfacesLabel->setBuddy(m_allInterfaces);
    form->addRow(interfacesLabel, m_allInterfaces);
    form->addRow(QString(), m_interfaces);

    m_targets = new QLineEdit(settings.targets.join(QStringLiteral(" ")), this);
    m_targets->setObjectName(QStringLiteral("targets"));
    m_targets->setPlaceholderText(tr("例如 198.18.5.255 或一个设备的地址"));
    m_targets->setAccessibleName(tr("另外搜索的地址"));
    auto* targetsLabel = new QLabel(tr("另外搜索的地址(&T)："), this);
    targetsLabel->setBuddy(m_targets);
    form->addRow(targetsLabel, m_targets);

    m_localPort = new QSpinBox(this);
    m_localPort->setObjectName(QStringLiteral("localPort"));
    m_localPort->setRange(0, 65535);
    m_localPort->setSpecialValueText(tr("自动"));
    m_localPort->setValue(settings.localPort);
    m_localPort->setAccessibleName(tr("本地端口"));
    auto* portLabel = new QLabel(tr("本地端口(&P)："), this);
    portLabel->setBuddy(m_localPort);
    form->addRow(portLabel, m_localPort);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    buttons->button(QDialogButtonBox::RestoreDefaults)->setText(tr("恢复默认"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            &SearchSettingsDlg::restoreDefaults);
    form->addRow(buttons);
    m_allInterfaces->setFocus();
}

std::optional<QStringList> SearchSettingsDlg::parseTargets(const QString& text, QString* bad) {
    QStringList out;
    for (const QString& word :
         text.split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts)) {
        const auto address = ParseIpv4Address(word.toStdString());
        if (!address || Ipv4Word(*address) == 0) {
            if (bad)
                *bad = word;
            return std::nullopt;
        }
        const QString normal = QString::fromStdString(Ipv4Text(*address));
        if (!out.contains(normal))
            out << normal;
    }
    return out;
}

SearchSettings SearchSettingsDlg::settings() const {
    SearchSettings out;
    if (!m_allInterfaces->isChecked())
        for (int i = 0; i < m_interfaces->count(); ++i)
            if (m_interfaces->item(i)->checkState() == Qt::Checked)
                out.interfaces << m_interfaces->item(i)->text();
    out.targets = parseTargets(m_targets->text()).value_or(QStringList());
    out.localPort = static_cast<std::uint16_t>(m_localPort->value());
    return out;
}

void SearchSettingsDlg::accept() {
    QString bad;
    if (!parseTargets(m_targets->text(), &bad)) {
        AppMessageBox(tr("“%1”不是 IPv4 地址。").arg(bad));
        m_targets->setFocus();
        return;
    }
    if (!m_allInterfaces->isChecked() && settings().interfaces.isEmpty()) {
        AppMessageBox(tr("请至少选择一个接口，或选择“所有接口”。"));
        m_interfaces->setFocus();
        return;
    }
    QDialog::accept();
}

void SearchSettingsDlg::restoreDefaults() {
    m_allInterfaces->setChecked(true);
    for (int i = 0; i < m_interfaces->count(); ++i)
        m_interfaces->item(i)->setCheckState(Qt::Unchecked);
    m_targets->clear();
    m_localPort->setValue(0);
}

} // namespace quorvel
