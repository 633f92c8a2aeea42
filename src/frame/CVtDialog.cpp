#include "CVtDialog.h"

#include <QMenu>

namespace quorvel {

CVtDialog::CVtDialog(QWidget* parent) : QDialog(parent), m_systemMenu(new QMenu(this)) {}

void CVtDialog::appendSystemMenuSeparator() {
    m_systemMenu->addSeparator();
}

void CVtDialog::appendSystemMenuItem(unsigned commandId, const QString& text) {
    QAction* action = m_systemMenu->addAction(text);
    connect(action, &QAction::triggered, this, [this, commandId] { OnSysCommand(commandId); });
}

void CVtDialog::OnSysCommand(unsigned) {}

} // namespace quorvel
