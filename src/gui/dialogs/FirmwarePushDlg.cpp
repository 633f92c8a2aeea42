#include "FirmwarePushDlg.h"

#include "core/firmware/FirmwarePush.h"
#include "core/firmware/FirmwareText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

namespace {

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

FirmwarePushDlg::FirmwarePushDlg(FirmwarePush& push, const QString& imageName, QWidget* parent)
    : QDialog(parent), m_push(push) {
    setWindowTitle(tr("固件升级"));
    const FirmwareTarget& target = push.target();
    QString board = QString::fromStdString(Ipv4Text(target.ip));
    if (target.mac)
        board += QStringLiteral("  ") + QString::fromStdString(MacText(*target.mac));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plainLabel(tr("打印机：%1").arg(board), this));
    layout->addWidget(plainLabel(tr("固件文件：%1").arg(imageName), this));
    m_stage = plainLabel(tr("Starting TFTP Bootloader..."), this);
    layout->addWidget(m_stage);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    m_bytes = plainLabel({}, this);
    layout->addWidget(m_bytes);
    m_verdict = plainLabel({}, this);
    layout->addWidget(m_verdict);
    auto* buttons = new QDialogButtonBox(this);
    m_button = buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &FirmwarePushDlg::reject);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    showProgress(0, quint64(push.transfer().size));
    connect(&push, &FirmwarePush::progressed, this, &FirmwarePushDlg::showProgress);
    connect(&push, &FirmwarePush::waitingForBoard, this, &FirmwarePushDlg::showWait);
    connect(&push, &FirmwarePush::finished, this, &FirmwarePushDlg::showVerdict);
}

QString FirmwarePushDlg::stageText() const {
    return m_stage->text();
}

QString FirmwarePushDlg::bytesText() const {
    return m_bytes->text();
}

QString FirmwarePushDlg::verdictText() const {
    return m_verdict->text();
}

void FirmwarePushDlg::reject() {
    if (m_push.verdict() == FirmwareVerdict::Pending) {
        m_push.cancel(); // the verdict shows; the next press closes
        return;
    }
    QDialog::reject();
}

void FirmwarePushDlg::showProgress(quint64 acknowledged, quint64 size) {
    m_bar->setValue(size ? int(acknowledged * 100 / size) : 0);
    m_bytes->setText(tr("已发送 %1 / %2 字节").arg(acknowledged).arg(size));
}

void FirmwarePushDlg::showWait() {
    m_stage->setText(tr("Please wait 10 - 15 seconds for firmware update to complete..."));
    m_verdict->setText(FirmwareVerdictText(m_push));
}

void FirmwarePushDlg::showVerdict() {
    m_verdict->setText(FirmwareVerdictText(m_push));
    m_button->setText(tr("关闭"));
}

} // namespace quorvel
