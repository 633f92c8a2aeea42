#include "CAboutDlg.h"

#include "gui/frame/DialogKeys.h"

#include <QPushButton>

namespace quorvel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const DialogTemplate& tmpl = FindDialogTemplate(IDD_ABOUTBOX);
    setWindowTitle(TemplateText(tmpl.title));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_controls.build(this, tmpl);
    setFixedSize(m_controls.clientSize());
    InstallDialogKeys(*this, m_controls, DialogKeyMode::Dialog);
    connect(m_controls.as<QPushButton>(AboutControl::Ok), &QPushButton::clicked, this,
            &QDialog::accept);
}

} // namespace quorvel
