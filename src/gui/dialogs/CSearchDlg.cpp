#include "CSearchDlg.h"

#include "gui/frame/DialogKeys.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace quorvel {

namespace {

QString remainingSeconds(int seconds) {
    return CSearchDlg::tr("剩余 %1 秒").arg(seconds);
}

QString devicesFound(int count) {
    return CSearchDlg::tr("找到 %1 个设备").arg(count);
}

// A line edit lays its text out anew on every setText, even an unchanged one.
void setTextIfChanged(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

CSearchDlg::CSearchDlg(SearchExchange& search, QWidget* parent)
    : QDialog(parent), m_search(search) {
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_SEARCH);
    setWindowTitle(TemplateText(tmpl.title));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_controls.build(this, tmpl);
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);

    m_okButton = m_controls.as<QPushButton>(SearchControl::Ok);
    m_stopButton = m_controls.as<QPushButton>(SearchControl::Stop);
    m_progress = m_controls.as<QProgressBar>(SearchControl::Countdown);
    m_remainingEdit = m_controls.as<QLineEdit>(SearchControl::RemainingText);
    m_foundEdit = m_controls.as<QLineEdit>(SearchControl::FoundText);
    m_repeatBox = m_controls.as<QCheckBox>(SearchControl::Repeat);
    m_autoCloseBox = m_controls.as<QCheckBox>(SearchControl::CloseWhenComplete);

    connect(m_okButton, &QPushButton::clicked, this, &CSearchDlg::OnOK);
    connect(m_stopButton, &QPushButton::clicked, this, &CSearchDlg::OnCancel);
    connect(m_repeatBox, &QCheckBox::toggled, &m_search, &SearchExchange::setRepeat);
    connect(m_autoCloseBox, &QCheckBox::toggled, &m_search, &SearchExchange::setAutoClose);
    connect(&m_search, &SearchExchange::countdownChanged, this, &CSearchDlg::showCountdown);
    connect(&m_search, &SearchExchange::foundCountChanged, this, &CSearchDlg::showFoundCount);
    connect(&m_search, &SearchExchange::ranOut, this, &CSearchDlg::onRanOut);
    connect(&m_search, &SearchExchange::ended, this,
            [this](bool accepted) { accepted ? OnOK() : OnCancel(); });

    OnInitDialog();
}

CSearchDlg::~CSearchDlg() {
    m_search.stop();
}

void CSearchDlg::OnInitDialog() {
    m_progress->setRange(0, SearchExchange::kCountdownFull);
    m_progress->setValue(SearchExchange::kCountdownFull);
    m_remainingText = remainingSeconds(SearchExchange::kCountdownFull / 1000);
    setTextIfChanged(m_remainingEdit, m_remainingText);
    showFoundCount(0);
    m_stopButton->setEnabled(true);
    m_okButton->setEnabled(false);
    m_autoCloseBox->setChecked(true);
    m_search.setRepeat(m_repeatBox->isChecked());
    m_search.setAutoClose(m_autoCloseBox->isChecked());
    m_search.start();
}

void CSearchDlg::showCountdown(int countdown) {
    m_progress->setValue(countdown);
    m_remainingText = remainingSeconds(countdown / 1000);
    setTextIfChanged(m_remainingEdit, m_remainingText);
}

void CSearchDlg::showFoundCount(int count) {
    m_foundText = devicesFound(count);
    setTextIfChanged(m_foundEdit, m_foundText);
}

void CSearchDlg::onRanOut() {
    m_stopButton->setEnabled(false);
    m_okButton->setEnabled(true);
}

void CSearchDlg::OnOK() {
    m_search.stop();
    QDialog::accept();
}

void CSearchDlg::OnCancel() {
    m_search.stop();
    QDialog::reject();
}

} // namespace quorvel
